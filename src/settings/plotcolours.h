#pragma once
// The colours of the "Plot" settings are stored as numbers in the
// 0x00BBGGRR layout (red in the low byte), as the settings files have always
// held them. The options dialog and the 3D view convert through here, so the
// byte order lives in one place. Users link Qt6::Gui (QColor).

#include <QColor>
#include <QtGlobal>

namespace soarnote {

// The 3D view's defaults when a colour is not set: the track and the glider
// blue (0xFF0000), the landscape dark green (green 0xC0, blue 0x01).
inline constexpr quint32 kDefaultTrackBgr = 0xFF0000;
inline constexpr quint32 kDefaultGliderBgr = 0xFF0000;
inline constexpr quint32 kDefaultLandscapeBgr = 0x1C000;

// Bits above the blue byte are ignored: a stored colour is never taken as
// transparent.
inline QColor ColourFromBgr(quint32 bgr) {
    return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                  static_cast<int>((bgr >> 16) & 0xFFu));
}

inline quint32 BgrFromColour(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return static_cast<quint32>(rgb.red()) | (static_cast<quint32>(rgb.green()) << 8) |
           (static_cast<quint32>(rgb.blue()) << 16);
}

} // namespace soarnote
