#pragma once
// A flight's weather and wind as the pilot gives them in the conditions
// window: the weather and the wind chosen from their tables (by the row's
// ID), the cloud cover, the cloud base and the wind speed. While the flight
// is edited they are held as the pilot typed them; whether a text fits its
// field is decided when the flight is saved, together with its other edits.

#include "flightstore.h"

#include <QString>
#include <array>

namespace soarnote {

class FlightConditions {
public:
    enum Field { Weather = 0, CloudCover = 1, CloudBase = 2, Wind = 3, WindSpeed = 4 };
    static constexpr int kFieldCount = 5;

    // The LogData field ("Weather", "CloudCover", ...) and its caption
    // ("Cloud Cover", ...).
    static QString FieldName(Field field);
    static QString Caption(Field field);

    // A flight's stored conditions, as the texts the window shows.
    static FlightConditions Of(const FlightRecord& flight);

    const QString& Text(Field field) const { return texts_.at(static_cast<size_t>(field)); }
    void SetText(Field field, const QString& text) { texts_.at(static_cast<size_t>(field)) = text; }
    bool operator==(const FlightConditions& other) const = default;

    // Reads back into a flight every text that differs from the one shown
    // when the flight was loaded, so that a value is never altered by being
    // shown. False, with the field and the reason (untranslated), when a
    // text does not fit its field; the record is then left part-written.
    bool ApplyTo(FlightRecord* edited, const FlightConditions& shown, Field* badField, QString* reason) const;

private:
    std::array<QString, kFieldCount> texts_;
};

} // namespace soarnote
