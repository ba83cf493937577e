#pragma once
// Reading and writing flights (LogData rows), the lookup lists and the small
// statements the main window issues. All statements use bound parameters.

#include "logbookschema.h"
#include "storageerror.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace soarnote {

// One LogData row by field name; a null QVariant is an empty field.
class FlightRecord {
public:
    QVariant Value(const QString& field) const { return values_.value(field); }
    void SetValue(const QString& field, const QVariant& value) { values_.insert(field, value); }
    qint64 Id() const { return values_.value(QStringLiteral("ID")).toLongLong(); }
    bool IsEmpty() const { return values_.isEmpty(); }
    const QHash<QString, QVariant>& Values() const { return values_; }
    bool operator==(const FlightRecord& other) const = default;

private:
    QHash<QString, QVariant> values_;
};

// The text a field shows: day numbers as General Date, Single values with
// seven significant digits, Double values in plain decimal notation.
QString FieldText(FieldType type, const QVariant& value);

// Reads what was typed into a field. An empty text is an empty field. Returns
// nothing (and a reason) when the text does not fit the field.
std::optional<QVariant> ParseFieldText(FieldType type, const QString& text, QString* problem = nullptr);

std::optional<FlightRecord> ReadFlight(const QSqlDatabase& db, qint64 id);
// Writes the fields that differ between before and after.
bool UpdateFlight(const QSqlDatabase& db, const FlightRecord& before, const FlightRecord& after,
                  QString* error, StorageError* kind = nullptr);
std::optional<qint64> InsertFlight(const QSqlDatabase& db, double startTime, double endTime, QString* error);
bool DeleteFlight(const QSqlDatabase& db, qint64 id, QString* error);

// Flight IDs in the order of a sort expression: a LogData field name,
// optionally followed by " DESC" (anything else sorts by StartTime).
std::vector<qint64> FlightIds(const QSqlDatabase& db, const QString& sort, QString* error);

struct LookupItem {
    qint64 id = 0;
    QString text;
};
// The rows of a lookup table (Type, XCType, Locations, Glider, Weather, Wind):
// ID and the shown text; Locations sorted by Type as the location list is.
std::vector<LookupItem> ReadLookup(const QSqlDatabase& db, const QString& table);

bool FlightHasTracks(const QSqlDatabase& db, qint64 logId);

// Gives every barograph sample from start to end (inclusive) to the flight.
// Returns the number of samples assigned, or -1 on error.
int AssignBaroToFlight(const QSqlDatabase& db, qint64 logId, double start, double end, QString* error);

} // namespace soarnote
