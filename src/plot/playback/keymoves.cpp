#include "keymoves.h"

namespace soarnote {

void ApplyMoves(const std::vector<FrameMove>& moves, MovableFrame& camera, MovableFrame& landscape) {
    for (const FrameMove& m : moves) {
        MovableFrame& frame = m.target == MoveTarget::Camera ? camera : landscape;
        if (m.kind == MoveKind::Rotate)
            frame.RotateOwn(m.axis, m.amount);
        else
            frame.MoveOwn(m.axis, m.amount);
    }
}

std::vector<FrameMove> KeyMoves(const HeldKeys& held, int modifierMode, bool offsetMode, KeySteps steps) {
    double move = steps.move;
    double turn = steps.turn;
    if (held.contains(vk::Shift)) {
        move *= 5;
        turn *= 2;
    }
    const MoveTarget target = offsetMode ? MoveTarget::Landscape : MoveTarget::Camera;
    auto rotate = [](FrameAxis axis, double angle) {
        return FrameMove{MoveTarget::Camera, MoveKind::Rotate, axis, angle};
    };
    auto shift = [](MoveTarget who, FrameAxis axis, double distance) {
        return FrameMove{who, MoveKind::Move, axis, distance};
    };
    std::vector<FrameMove> moves;
    for (int key : {vk::Left, vk::A, vk::Right, vk::Z, vk::Up, vk::Down}) {
        if (!held.contains(key)) continue;
        switch (modifierMode) {
        case kModifierCtrl:
            switch (key) {
            case vk::Left:
                moves.push_back(rotate(FrameAxis::Y, -turn));
                break;
            case vk::A:
                moves.push_back(shift(MoveTarget::Camera, FrameAxis::Z, move));
                break;
            case vk::Right:
                moves.push_back(rotate(FrameAxis::Y, turn));
                break;
            case vk::Z:
                moves.push_back(shift(MoveTarget::Camera, FrameAxis::Z, -move));
                break;
            case vk::Up:
                moves.push_back(rotate(FrameAxis::X, turn));
                break;
            case vk::Down:
                moves.push_back(rotate(FrameAxis::X, -turn));
                break;
            }
            break;
        case kModifierAlt:
            switch (key) {
            case vk::Left:
                moves.push_back(shift(target, FrameAxis::X, -move));
                break;
            case vk::A:
                moves.push_back(shift(target, FrameAxis::Z, move));
                break;
            case vk::Right:
                moves.push_back(shift(target, FrameAxis::X, move));
                break;
            case vk::Z:
                moves.push_back(shift(target, FrameAxis::Z, -move));
                break;
            case vk::Up:
                moves.push_back(shift(target, FrameAxis::Y, move));
                break;
            case vk::Down:
                moves.push_back(shift(target, FrameAxis::Y, -move));
                break;
            }
            break;
        default:
            switch (key) {
            case vk::Left:
                moves.push_back(rotate(FrameAxis::Z, turn));
                break;
            case vk::A:
                moves.push_back(shift(target, FrameAxis::Z, move));
                break;
            case vk::Right:
                moves.push_back(rotate(FrameAxis::Z, -turn));
                break;
            case vk::Z:
                moves.push_back(shift(target, FrameAxis::Z, -move));
                break;
            case vk::Up:
                moves.push_back(rotate(FrameAxis::X, turn));
                break;
            case vk::Down:
                moves.push_back(rotate(FrameAxis::X, -turn));
                break;
            }
            break;
        }
    }
    return moves;
}

MouseTurner::Result MouseTurner::Move(Qt::MouseButtons buttons, QPointF position, QSizeF windowSize) {
    Result result;
    if (buttons == Qt::NoButton || windowSize.width() <= 0 || windowSize.height() <= 0) return result;
    if (!last_) {
        result.orientationOff = true;
    } else {
        const double dx = last_->x() - position.x();
        const double dy = last_->y() - position.y();
        const double w = windowSize.width();
        const double h = windowSize.height();
        auto turn = [](FrameAxis axis, double angle) {
            return FrameMove{MoveTarget::Camera, MoveKind::Rotate, axis, angle};
        };
        if (buttons == Qt::RightButton) {
            result.turns.push_back(turn(FrameAxis::Z, dx * 20 / w));
        } else {
            result.turns.push_back(turn(FrameAxis::Y, -dx * 20 / w));
            result.turns.push_back(turn(FrameAxis::X, -dy * 20 / h));
        }
    }
    last_ = position;
    return result;
}

} // namespace soarnote
