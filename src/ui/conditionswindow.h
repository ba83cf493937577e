#pragma once
// The conditions window: the weather, wind, wind speed, cloud base and cloud
// cover of the main window's current flight, beside the main window. It
// stores nothing itself: every change is handed on at once (LinkEdited) to
// the main window's hidden fields of the flight, which are saved with the
// flight; the main window refills it whenever the current flight changes.

#include "core/flightstore.h"

#include <QStringList>
#include <QWidget>
#include <array>
#include <vector>

class QComboBox;
class QLineEdit;

namespace soarnote {

class ConditionsWindow : public QWidget {
    Q_OBJECT
public:
    // The flight's fields the window edits, in the order of the main
    // window's hidden fields CLink0 to CLink4.
    enum Link { WeatherLink = 0, CloudCoverLink = 1, CloudBaseLink = 2, WindLink = 3, WindSpeedLink = 4 };
    static QString FieldOf(Link link);

    // A window of its own, owned by owner (the main window).
    explicit ConditionsWindow(QWidget* owner);

    // The rows of the Weather and Wind tables; the choices shown stay.
    void SetWeatherItems(const std::vector<LookupItem>& items);
    void SetWindItems(const std::vector<LookupItem>& items);
    // Shows a flight's conditions: five texts in Link order, the lists by
    // the ID of their row. Showing them hands nothing on.
    void ShowValues(const QStringList& texts);
    // With no flight on show the fields take no input.
    void SetFlightShown(bool shown);
    // The five values as shown, in Link order (the lists' IDs as text).
    QStringList Values() const;

    QComboBox* WeatherList() const { return lists_[0]; }
    QComboBox* WindList() const { return lists_[1]; }
    QLineEdit* Box(Link link) const;

signals:
    // A value was changed by the pilot: the new text of the field.
    void LinkEdited(int link, const QString& text);
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
