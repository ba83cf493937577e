#pragma once
// The flight navigation bar: first, previous, next and last buttons around
// the position box, which shows the current flight's position (1 for the
// first) and moves to a position typed into it.

#include <QFrame>

class QLineEdit;
class QToolButton;

namespace soarnote {

class NavigationBar : public QFrame {
    Q_OBJECT
public:
    explicit NavigationBar(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    QLineEdit* PositionBox() const { return position_; }
    // Shows the position (absolute position + 1) and enables the buttons.
    void ShowPosition(int absolutePosition, int count);

signals:
    void FirstRequested();
    void PreviousRequested();
    void NextRequested();
    void LastRequested();
    // The user typed a position and pressed Enter.
    void PositionEntered(const QString& text);

private:
    QString caption_;
    QToolButton* first_;
    QToolButton* previous_;
    QToolButton* next_;
    QToolButton* last_;
    QLineEdit* position_;
};

} // namespace soarnote
