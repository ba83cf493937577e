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

namespace {

// One cell of the key table: a turn of the camera, or a move of the camera,
// of the target (the landscape in offset mode, else the camera), by a step
// of the given sign about or along the camera's or target's own axis.
enum class Acts { TurnCamera, MoveCamera, MoveTarget };
struct KeyAction {
    Acts acts;
    FrameAxis axis;
    int sign;
};
struct KeyRow {
    int key;
    KeyAction plain; // no modifier
    KeyAction ctrl;
    KeyAction alt; // Alt, or any key but Ctrl in offset mode
};

// In the order the keys are worked through.
constexpr KeyRow kKeyTable[] = {
    {vk::Left,
     {Acts::TurnCamera, FrameAxis::Z, +1},
     {Acts::TurnCamera, FrameAxis::Y, -1},
     {Acts::MoveTarget, FrameAxis::X, -1}},
    {vk::A,
     {Acts::MoveTarget, FrameAxis::Z, +1},
     {Acts::MoveCamera, FrameAxis::Z, +1},
     {Acts::MoveTarget, FrameAxis::Z, +1}},
    {vk::Right,
     {Acts::TurnCamera, FrameAxis::Z, -1},
     {Acts::TurnCamera, FrameAxis::Y, +1},
     {Acts::MoveTarget, FrameAxis::X, +1}},
    {vk::Z,
     {Acts::MoveTarget, FrameAxis::Z, -1},
     {Acts::MoveCamera, FrameAxis::Z, -1},
     {Acts::MoveTarget, FrameAxis::Z, -1}},
    {vk::Up,
     {Acts::TurnCamera, FrameAxis::X, +1},
     {Acts::TurnCamera, FrameAxis::X, +1},
     {Acts::MoveTarget, FrameAxis::Y, +1}},
    {vk::Down,
     {Acts::TurnCamera, FrameAxis::X, -1},
     {Acts::TurnCamera, FrameAxis::X, -1},
     {Acts::MoveTarget, FrameAxis::Y, -1}},
};

} // namespace

std::vector<FrameMove> KeyMoves(const HeldKeys& held, int modifierMode, bool offsetMode, KeySteps steps) {
    double move = steps.move;
    double turn = steps.turn;
    if (held.contains(vk::Shift)) {
        move *= 5;
        turn *= 2;
    }
    const MoveTarget target = offsetMode ? MoveTarget::Landscape : MoveTarget::Camera;
    std::vector<FrameMove> moves;
    for (const KeyRow& row : kKeyTable) {
        if (!held.contains(row.key)) continue;
        const KeyAction& a = modifierMode == kModifierCtrl  ? row.ctrl
                             : modifierMode == kModifierAlt ? row.alt
                                                            : row.plain;
        switch (a.acts) {
        case Acts::TurnCamera:
            moves.push_back({MoveTarget::Camera, MoveKind::Rotate, a.axis, a.sign * turn});
            break;
        case Acts::MoveCamera:
            moves.push_back({MoveTarget::Camera, MoveKind::Move, a.axis, a.sign * move});
            break;
        case Acts::MoveTarget:
            moves.push_back({target, MoveKind::Move, a.axis, a.sign * move});
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
