#pragma once
// The program's own help pages (HTML in the program folder's "help" folder),
// shown in a small browser window.

#include <QMainWindow>

class QTextBrowser;

namespace soarnote {

class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Shows a page ("index.html", "logbooks.html#older-files") in the one help window.
    static HelpWindow* ShowTopic(QWidget* parent, const QString& topic);
    static QString HelpFolder();
    // Moves the window beside owner (a new help window stays clear of it).
    void PlaceBeside(const QWidget* owner);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

} // namespace soarnote
