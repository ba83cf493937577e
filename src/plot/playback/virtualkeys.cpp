#include "virtualkeys.h"

namespace soarnote {

int VirtualKeyFromQt(int qtKey) {
    // Letters and digits carry their ASCII codes in both schemes.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return vk::Shift;
    case Qt::Key_Control:
        return vk::Control;
    case Qt::Key_Alt:
        return vk::Alt;
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return vk::PageUp;
    case Qt::Key_PageDown:
        return vk::PageDown;
    case Qt::Key_End:
        return vk::End;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return vk::Left;
    case Qt::Key_Up:
        return vk::Up;
    case Qt::Key_Right:
        return vk::Right;
    case Qt::Key_Down:
        return vk::Down;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

KeyCommand CommandForKey(int virtualKey) {
    switch (virtualKey) {
    case vk::Escape:
        return KeyCommand::Close;
    case vk::End:
        return KeyCommand::LookDown;
    case vk::PageUp:
        return KeyCommand::StepNext;
    case vk::PageDown:
        return KeyCommand::StepPrevious;
    default:
        return KeyCommand::Hold;
    }
}

int ModifierModeFor(Qt::KeyboardModifiers modifiers, bool offsetMode) {
    int mode = 0;
    if (modifiers & Qt::ControlModifier) mode |= kModifierCtrl;
    if (modifiers & Qt::AltModifier) mode |= kModifierAlt;
    if (offsetMode && mode != kModifierCtrl) mode = kModifierAlt;
    return mode;
}

} // namespace soarnote
