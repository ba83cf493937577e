#include "navigationbar.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace soarnote {

namespace {
QToolButton* MakeButton(QWidget* parent, const QString& name, QStyle::StandardPixmap icon,
                        const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}
} // namespace

NavigationBar::NavigationBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("LogData"));
    setFrameShape(QFrame::StyledPanel);
    first_ = MakeButton(this, QStringLiteral("LogDataFirst"), QStyle::SP_MediaSkipBackward,
                        QStringLiteral("First flight"));
    previous_ = MakeButton(this, QStringLiteral("LogDataPrevious"), QStyle::SP_MediaSeekBackward,
                           QStringLiteral("Previous flight"));
    next_ = MakeButton(this, QStringLiteral("LogDataNext"), QStyle::SP_MediaSeekForward,
                       QStringLiteral("Next flight"));
    last_ = MakeButton(this, QStringLiteral("LogDataLast"), QStyle::SP_MediaSkipForward,
                       QStringLiteral("Last flight"));
    position_ = new QLineEdit(this);
    position_->setObjectName(QStringLiteral("LogDataPos"));
    position_->setAlignment(Qt::AlignCenter);
    position_->setToolTip(
        QStringLiteral("Position of the flight; type a number and press Enter to go there"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(first_);
    layout->addWidget(previous_);
    layout->addWidget(position_, 1);
    layout->addWidget(next_);
    layout->addWidget(last_);

    connect(first_, &QToolButton::clicked, this, &NavigationBar::FirstRequested);
    connect(previous_, &QToolButton::clicked, this, &NavigationBar::PreviousRequested);
    connect(next_, &QToolButton::clicked, this, &NavigationBar::NextRequested);
    connect(last_, &QToolButton::clicked, this, &NavigationBar::LastRequested);
    connect(position_, &QLineEdit::returnPressed, this, [this] { emit PositionEntered(position_->text()); });
    SetCaption(QStringLiteral("Log navigation"));
}

void NavigationBar::SetCaption(const QString& caption) {
    caption_ = caption;
    setAccessibleName(caption);
    position_->setPlaceholderText(caption);
}

void NavigationBar::ShowPosition(int absolutePosition, int count) {
    position_->setText(QString::number(absolutePosition + 1));
    first_->setEnabled(absolutePosition > 0);
    previous_->setEnabled(absolutePosition > 0);
    next_->setEnabled(absolutePosition >= 0 && absolutePosition + 1 < count);
    last_->setEnabled(absolutePosition >= 0 && absolutePosition + 1 < count);
    setToolTip(count > 0 ? QStringLiteral("%1 / %2").arg(absolutePosition + 1).arg(count) : QString());
}

} // namespace soarnote
