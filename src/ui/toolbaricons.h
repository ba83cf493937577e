#pragma once
// The main toolbar's icons, drawn rather than loaded so that they stay crisp
// at any scale and need no image files.

#include <QIcon>
#include <QString>

namespace soarnote {

// The icon of a toolbar button key ("FileOpen", "3DPlot", ...); the program's
// own icon for "Soarnote".
QIcon ToolbarIcon(const QString& key);

} // namespace soarnote
