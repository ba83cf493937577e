#include "keymoveloop.h"

#include <QPointer>

namespace soarnote {

KeyMoveLoop::KeyMoveLoop(QObject* parent) : QObject(parent) {
    // 25 steps a second: smooth, and at the default 5 frames per second
    // 40 m/s forward and 25 degrees/s of turn.
    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, &KeyMoveLoop::RunStep);
}

void KeyMoveLoop::KeyPressed(int virtualKey, Qt::KeyboardModifiers modifiers) {
    if (virtualKey <= 0) return;
    modifierMode_ = ModifierModeFor(modifiers, offsetMode_);
    if (!held_.insert(virtualKey).second) return; // auto-repeat of a held key
    // Shift, Ctrl or another key without a move of its own starts nothing:
    // the flight begins, with one step at once, with the first key that moves.
    if (timer_.isActive() || CurrentMoves().empty()) return;
    timer_.start();
    QPointer<KeyMoveLoop> self(this);
    emit MovingChanged(true);
    if (self) RunStep();
}

void KeyMoveLoop::KeyReleased(int virtualKey) {
    held_.erase(virtualKey);
    if (CurrentMoves().empty()) StopMoving();
}

void KeyMoveLoop::ClearKeys() {
    held_.clear();
    modifierMode_ = kModifierNone;
    StopMoving();
}

void KeyMoveLoop::StopMoving() {
    if (!timer_.isActive()) return;
    timer_.stop();
    emit MovingChanged(false);
}

void KeyMoveLoop::RunStep() {
    // A receiver that opens a dialog runs the event loop inside the step;
    // a tick arriving then is skipped rather than stacked.
    if (inStep_) return;
    std::vector<FrameMove> moves = CurrentMoves();
    if (moves.empty()) {
        StopMoving();
        return;
    }
    inStep_ = true;
    QPointer<KeyMoveLoop> self(this);
    emit Stepped(moves);
    if (self) inStep_ = false;
}

} // namespace soarnote
