#pragma once
// The "Info" panel of the status bar: the one line on which every command
// reports progress and errors. Double-clicking it clears it.

#include <QEvent>
#include <QLabel>

namespace soarnote {

class StatusPanel : public QLabel {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent = nullptr) : QLabel(parent) {
        setObjectName(QStringLiteral("Info"));
        setTextFormat(Qt::PlainText);
        setMinimumWidth(20);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { clear(); }
    bool event(QEvent* event) override {
        // A long status is cut at the window's edge: hovering shows it whole.
        if (event->type() == QEvent::ToolTip) setToolTip(text());
        return QLabel::event(event);
    }
};

} // namespace soarnote
