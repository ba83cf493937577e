#pragma once
// The conditions window: the weather, wind, wind speed, cloud base and cloud
// cover of the main window's current flight, beside the main window. It
// stores nothing itself: every change is handed on at once (ConditionEdited)
// into the conditions of the flight being edited, which are saved with the
// flight; the window is refilled whenever another flight is put on show.

#include "core/flightconditions.h"

#include <QWidget>
#include <array>
#include <vector>

class QComboBox;
class QLineEdit;

namespace soarnote {

class ConditionsWindow : public QWidget {
    Q_OBJECT
public:
    // A window of its own, owned by owner (the main window).
    explicit ConditionsWindow(QWidget* owner);

    // The rows of the Weather and Wind tables; the choices shown stay.
    void SetWeatherItems(const std::vector<LookupItem>& items);
    void SetWindItems(const std::vector<LookupItem>& items);
    // Shows a flight's conditions, the lists by the ID of their row (a row
    // that is gone shows as no choice). Showing them hands nothing on.
    void ShowConditions(const FlightConditions& conditions);
    // With no flight on show the fields take no input.
    void SetFlightShown(bool shown);
    // The conditions as shown (the lists' IDs as text).
    FlightConditions Conditions() const;

    QComboBox* WeatherList() const { return lists_[0]; }
    QComboBox* WindList() const { return lists_[1]; }
    // The box of CloudCover, CloudBase or WindSpeed.
    QLineEdit* Box(FlightConditions::Field field) const;

signals:
    // A value was changed by the pilot: the new text of the field.
    void ConditionEdited(FlightConditions::Field field, const QString& text);
    // Double-click on a list (or its context menu): edit its table (caption: the list's tag).
    void TableEditRequested(const QString& table, const QString& caption);
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static void FillList(QComboBox* list, const std::vector<LookupItem>& items);
    static QString IdText(const QComboBox* list);

    std::array<QComboBox*, 2> lists_{};
    std::array<QLineEdit*, 3> boxes_{}; // cloud cover, cloud base, wind speed
    bool showing_ = false;
};

} // namespace soarnote
