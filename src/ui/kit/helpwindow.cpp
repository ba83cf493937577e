#include "helpwindow.h"

#include "core/programfolder.h"
#include "i18n/languagetable.h"

#include <QAction>
#include <QDir>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
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
    // Closes as a help window is expected to.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void HelpWindow::PlaceBeside(const QWidget* owner) {
    // Beside the window asking for help, not over it: to its right when the
    // screen has room, else to its left, else over its right part.
    const QRect screen = owner->screen() ? owner->screen()->availableGeometry() : QRect();
    const QRect main = owner->frameGeometry();
    const QSize size = frameGeometry().size().expandedTo(this->size());
    QPoint at(main.right() + 1, main.top());
    if (!screen.isEmpty() && at.x() + size.width() > screen.right()) {
        if (main.left() - size.width() >= screen.left())
            at.setX(main.left() - size.width());
        else
            at.setX(std::max(screen.left(), screen.right() - size.width()));
    }
    if (!screen.isEmpty())
        at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() - size.height())));
    move(at);
}

QString HelpWindow::HelpFolder() {
    return ProgramFolder::File(QStringLiteral("help"));
}

HelpWindow* HelpWindow::ShowTopic(QWidget* parent, const QString& topic) {
    static QPointer<HelpWindow> window;
    if (!window) {
        window = new HelpWindow(parent ? parent->window() : nullptr);
        if (parent) window->PlaceBeside(parent->window());
    }
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
