#include "totalswindow.h"

#include "translateform.h"

#include "core/daynumber.h"
#include "core/logbooksession.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace soarnote {

TotalsWindow::TotalsWindow(LogbookSession& session, QWidget* owner)
    : QWidget(owner, Qt::Window), session_(session), now_([] { return DayNumberNow(); }) {
    setObjectName(QStringLiteral("frmTotals"));
    setWindowTitle(QStringLiteral("Totals"));
    if (owner) setWindowIcon(owner->windowIcon());

    auto* hoursCaption = new QLabel(QStringLiteral("Hours"), this);
    hoursCaption->setObjectName(QStringLiteral("Label1_0"));
    auto* distanceCaption = new QLabel(QStringLiteral("Distance"), this);
    distanceCaption->setObjectName(QStringLiteral("Label1_1"));
    hours_ = new QLabel(this);
    hours_->setObjectName(QStringLiteral("Text1"));
    distance_ = new QLabel(this);
    distance_->setObjectName(QStringLiteral("Text2"));
    QFont terminal = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    terminal.setPointSizeF(terminal.pointSizeF() * 1.25);
    for (QLabel* value : {hours_, distance_}) {
        value->setFont(terminal);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFrameShape(QFrame::StyledPanel);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("00000:00")));
    }

    const char* captions[] = {"Total", "Last 12 Months", "Year"};
    for (int i = 0; i < 3; ++i) {
        options_[i] = new QRadioButton(QString::fromLatin1(captions[i]), this);
        options_[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        connect(options_[i], &QRadioButton::clicked, this, [this, i] { SelectOption(i); });
    }
    year_ = new QLineEdit(this);
    year_->setObjectName(QStringLiteral("Text3"));
    year_->setMaximumWidth(year_->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    year_->setToolTip(QStringLiteral("Year"));
    connect(year_, &QLineEdit::returnPressed, this, [this] { SelectOption(2); });

    // Two buttons beside the year, back and forward, each big enough for its
    // sign.
    auto* spinner = new QHBoxLayout;
    spinner->setSpacing(2);
    const char* faces[] = {"-", "+"};
    const char* tips[] = {"Previous year", "Next year"};
    for (int i = 0; i < 2; ++i) {
        stepButtons_[i] = new QToolButton(this);
        stepButtons_[i]->setObjectName(QStringLiteral("Command1_%1").arg(i));
        stepButtons_[i]->setText(QString::fromLatin1(faces[i]));
        stepButtons_[i]->setToolTip(QString::fromLatin1(tips[i]));
        stepButtons_[i]->setMinimumSize(year_->sizeHint().height(), year_->sizeHint().height());
        stepButtons_[i]->setAutoRepeat(true);
        spinner->addWidget(stepButtons_[i]);
        connect(stepButtons_[i], &QToolButton::clicked, this, [this, i] { StepYear(i); });
    }

    auto* grid = new QGridLayout;
    grid->addWidget(hoursCaption, 0, 0);
    grid->addWidget(hours_, 0, 1, 1, 2);
    grid->addWidget(distanceCaption, 1, 0);
    grid->addWidget(distance_, 1, 1, 1, 2);
    // The units of the figures: hours and minutes, kilometres as typed into
    // the flights' Distance (km).
    const char* units[] = {"h:mm", "km"};
    for (int i = 0; i < 2; ++i) {
        auto* unit = new QLabel(QString::fromLatin1(units[i]), this);
        unit->setObjectName(QStringLiteral("Unit%1").arg(i));
        grid->addWidget(unit, i, 3);
    }
    auto* options = new QVBoxLayout;
    options->addWidget(options_[0]);
    options->addWidget(options_[1]);
    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(options_[2]);
    yearRow->addWidget(year_);
    yearRow->addLayout(spinner);
    yearRow->addStretch(1);
    options->addLayout(yearRow);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(options);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    TranslateForm(this, true);
    hours_->setText(QStringLiteral("000:00"));
    distance_->setText(QStringLiteral("0"));
    options_[0]->setChecked(true);
}

void TotalsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) Activate();
}

void TotalsWindow::Activate() {
    SelectOption(0);
    year_->setText(QString::number(SplitDayNumber(now_()).date.year()));
}

void TotalsWindow::SelectOption(int index) {
    if (index < 0 || index > 2) return;
    selected_ = index;
    for (int i = 0; i < 3; ++i)
        options_[i]->setChecked(i == index);
    RefreshTotals();
}

void TotalsWindow::StepYear(int index) {
    bool ok = false;
    const int year = year_->text().trimmed().toInt(&ok);
    if (!ok) return; // not a year: nothing to step from
    year_->setText(QString::number(year + 2 * index - 1));
    SelectOption(2);
}

void TotalsWindow::RefreshTotals() {
    if (!session_.IsOpen()) return;
    const TotalsSpan span = selected_ == 1   ? TotalsSpan::Last12Months
                            : selected_ == 2 ? TotalsSpan::Year
                                             : TotalsSpan::All;
    const std::optional<Totals> totals = ReadTotals(session_.Db(), span, now_(), year_->text());
    if (!totals) return; // the figures shown stay
    hours_->setText(TotalTimeText(totals->flightTime));
    distance_->setText(TotalDistanceText(totals->distance));
}

void TotalsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit Closed();
}

} // namespace soarnote
