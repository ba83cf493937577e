#include "helpwindow.h"

#include "core/programfolder.h"
#include "i18n/languagetable.h"

#include <QAction>
#include <QDir>
#include <QPointer>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

namespace soarnote {

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(Translate("Soarnote Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({HelpFolder()});
    setCentralWidget(browser_);

    QToolBar* bar = addToolBar(Translate("Navigation"));
    bar->setMovable(false);
    QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), Translate("Back"));
    QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), Translate("Forward"));
    QAction* home = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), Translate("Contents"));
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home, &QAction::triggered, browser_, &QTextBrowser::home);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        setWindowTitle(Translate("Soarnote Help") + QStringLiteral(" - ") + browser_->documentTitle());
    });
    resize(760, 620);
}

QString HelpWindow::HelpFolder() {
    return ProgramFolder::File(QStringLiteral("help"));
}

HelpWindow* HelpWindow::ShowTopic(QWidget* parent, const QString& topic) {
    static QPointer<HelpWindow> window;
    if (!window) window = new HelpWindow(parent ? parent->window() : nullptr);
    const QString page = topic.section(QLatin1Char('#'), 0, 0);
    const QString anchor = topic.section(QLatin1Char('#'), 1);
    QUrl url = QUrl::fromLocalFile(
        QDir(HelpFolder()).filePath(page.isEmpty() ? QStringLiteral("index.html") : page));
    if (!anchor.isEmpty()) url.setFragment(anchor);
    if (window->browser_->source().isEmpty())
        window->browser_->setSource(
            QUrl::fromLocalFile(QDir(HelpFolder()).filePath(QStringLiteral("index.html"))));
    window->browser_->setSource(url);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace soarnote
