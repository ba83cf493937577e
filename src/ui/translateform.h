#pragma once

class QWidget;

namespace soarnote {

// Translates the captions and tool tips of every control of a window, each
// kind its own properties: labels (text, tool tip), menus and their actions
// (text), combo boxes, line and text edits (tool tip), group boxes (title),
// check and radio buttons and push buttons (text, tool tip), status bar
// panels (text, tool tip), toolbar buttons (text, tool tip), tab bars (each
// tab's text and tool tip), the navigation bar (caption). withCaption also
// translates the window's own title.
void TranslateForm(QWidget* window, bool withCaption);

} // namespace soarnote
