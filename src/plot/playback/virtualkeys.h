#pragma once
// The keys of the 3D view by their virtual key codes (the codes the view's
// key table has always used), mapped from Qt's key values in this one place.

#include <Qt>
#include <set>

namespace soarnote {

namespace vk {
inline constexpr int Shift = 16;
inline constexpr int Control = 17;
inline constexpr int Alt = 18;
inline constexpr int Escape = 27;
inline constexpr int PageUp = 33;
inline constexpr int PageDown = 34;
inline constexpr int End = 35;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int A = 65;
inline constexpr int Z = 90;
} // namespace vk

// The virtual key code of a Qt key; 0 for a key that has none here (it is
// then neither a command nor held).
int VirtualKeyFromQt(int qtKey);

// What a key press does in the 3D view.
enum class KeyCommand {
    Close,        // Escape
    LookDown,     // End: the camera looks straight down
    StepNext,     // Page Up
    StepPrevious, // Page Down
    Hold,         // any other key: held while down, and flies the camera
};
KeyCommand CommandForKey(int virtualKey);

// The keys currently held, by virtual key code.
using HeldKeys = std::set<int>;

// ModifierMode values: Ctrl alone 2, Alt alone 4; anything else is no
// modifier. In offset mode every value but Ctrl becomes 4, so the keys move
// the landscape while Ctrl still turns the camera.
inline constexpr int kModifierNone = 0;
inline constexpr int kModifierCtrl = 2;
inline constexpr int kModifierAlt = 4;
int ModifierModeFor(Qt::KeyboardModifiers modifiers, bool offsetMode);

} // namespace soarnote
