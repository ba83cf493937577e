#pragma once
// Window sizes and positions are stored in twips (1/1440 inch), as the
// settings files have always held them; these convert at a widget's screen
// resolution (96 dpi when it has none).

class QWidget;

namespace soarnote {

int TwipsToPixels(int twips, const QWidget* widget);
int PixelsToTwips(int pixels, const QWidget* widget);

} // namespace soarnote
