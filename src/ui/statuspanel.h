#pragma once
// The "Info" panel of the status bar: the one line on which every command
// reports progress and errors. Double-clicking it clears it.

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
};

} // namespace soarnote
