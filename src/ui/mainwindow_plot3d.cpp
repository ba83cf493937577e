// The main window's "&3D Plot": one 3D view at a time, on the flight on show.
#include "kit/inputprompt.h"
#include "mainwindow.h"
#include "plot3dwindow.h"

namespace soarnote {

Plot3DWindow* MainWindow::Plot3D() const {
    return plot3d_;
}

void MainWindow::Plot3DCommand() {
    if (!session_.IsOpen() || !session_.Flights().HasCurrent()) return;
    // The view reads the flight as stored: typed edits go in first.
    if (!CommitEdits()) return;
    if (plot3d_) {
        // A view of another flight closes first (it may ask about its offsets).
        if (!plot3d_->close()) {
            plot3d_->raise();
            plot3d_->activateWindow();
            return;
        }
    }
    if (!input_) {
        static DialogInputPrompt dialogs;
        input_ = &dialogs;
    }
    auto* view = new Plot3DWindow(this, session_, settings_, prompts_, input_);
    plot3d_ = view;
    // The view stores into the open logbook: it goes before the logbook does.
    connect(&session_, &LogbookSession::LogbookClosing, view, [view] { view->CloseForLogbookChange(); });
    view->Open();
}

} // namespace soarnote
