#pragma once
// The totals window: total flying time and distance of the logbook for all
// flights, the last 12 months or one calendar year, beside the main window.
// It runs its own totals query on the open logbook whenever the selection
// changes (and when the flights change).

#include "core/totals.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace soarnote {

class LogbookSession;

class TotalsWindow : public QWidget {
    Q_OBJECT
public:
    // A window of its own, owned by owner (the main window).
    TotalsWindow(LogbookSession& session, QWidget* owner);

    // The clock that says "now" (tests set their own).
    void SetClock(std::function<double()> now) { now_ = std::move(now); }

    // What every showing does: all flights, and the current year in the box.
    void Activate();
    // Selects option 0 (Total), 1 (Last 12 Months) or 2 (Year) and shows its totals.
    void SelectOption(int index);
    // The spinner: button 0 steps the year back, button 1 forward, and the
    // Year option is selected.
    void StepYear(int index);
    // Runs the query of the selected option again.
    void RefreshTotals();

    int SelectedOption() const { return selected_; }
    QRadioButton* Option(int index) const { return options_[index]; }
    QLineEdit* YearBox() const { return year_; }
    QToolButton* YearButton(int index) const { return stepButtons_[index]; }
    QLabel* HoursText() const { return hours_; }
    QLabel* DistanceText() const { return distance_; }

signals:
    // The window was closed by the user (its menu item loses its check mark).
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    LogbookSession& session_;
    std::function<double()> now_;
    int selected_ = 0;
    std::array<QRadioButton*, 3> options_{};
    std::array<QToolButton*, 2> stepButtons_{};
    QLineEdit* year_ = nullptr;
    QLabel* hours_ = nullptr;
    QLabel* distance_ = nullptr;
};

} // namespace soarnote
