#pragma once
// Flying with held keys: while any key is held, one step of KeyMoves per
// timer tick. The window forwards its key presses, releases and focus loss
// here, applies each step's moves to its frames and renders.
//
// A timer, not a loop that lets pending events run: a second key, a close or
// a playback tick during the flight is an ordinary event between two steps,
// never a re-entry, and nothing runs on after the window is gone (the timer
// belongs to this object, which the window owns).

#include "keymoves.h"

#include <QObject>
#include <QTimer>

namespace soarnote {

class KeyMoveLoop : public QObject {
    Q_OBJECT
public:
    explicit KeyMoveLoop(QObject* parent = nullptr);

    void SetSteps(KeySteps steps) { steps_ = steps; }
    // Milliseconds between two steps while keys are held.
    void SetInterval(int ms) { timer_.setInterval(ms); }
    int Interval() const { return timer_.interval(); }
    void SetOffsetMode(bool on) { offsetMode_ = on; }

    // A key went down (virtual key code, 0 is ignored). The modifier mode is
    // taken afresh from every press; a key not yet held becomes held, and the
    // first key that moves something starts flying with one step at once.
    void KeyPressed(int virtualKey, Qt::KeyboardModifiers modifiers);
    // A key came up; flying stops when the held keys move nothing any more.
    void KeyReleased(int virtualKey);
    // Focus loss or deactivation: the releases will never come.
    void ClearKeys();

    bool Moving() const { return timer_.isActive(); }
    int KeysDown() const { return static_cast<int>(held_.size()); }
    int ModifierMode() const { return modifierMode_; }
    const HeldKeys& Held() const { return held_; }

    // The moves of one step for the keys held now.
    std::vector<FrameMove> CurrentMoves() const {
        return KeyMoves(held_, modifierMode_, offsetMode_, steps_);
    }

signals:
    // One step: apply the moves, then render.
    void Stepped(const std::vector<soarnote::FrameMove>& moves);
    void MovingChanged(bool moving);

private:
    void RunStep();
    void StopMoving();

    QTimer timer_;
    HeldKeys held_;
    KeySteps steps_;
    int modifierMode_ = kModifierNone;
    bool offsetMode_ = false;
    bool inStep_ = false;
};

} // namespace soarnote
