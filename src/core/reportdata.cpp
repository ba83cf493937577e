#include "reportdata.h"

#include "flightfields.h"
#include "flightstore.h"
#include "logbookschema.h"
#include "storageerror.h"

#include <QSqlError>
#include <QSqlQuery>

namespace soarnote {

std::optional<std::vector<LogbookRow>> ReadLogbookRows(const QSqlDatabase& db, QString* error) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Columns by position in the order of LogbookRow; the view keeps the
    // original's dotted column names, which need quoting here.
    const bool ok = q.exec(QStringLiteral(
        "SELECT \"Type.Type\", StartTime, MakeModel, \"Locations.Type\", FlightTime, StartHeight, MaxGain, "
        "MaxLoss, MaxDescent, MaxAscent, \"XCType.Type\", Distance, Comments FROM Logbook"));
    if (!ok) {
        if (error) *error = StorageErrorText(ClassifySqlError(q.lastError()));
        return std::nullopt;
    }
    std::vector<LogbookRow> rows;
    while (q.next()) {
        LogbookRow r;
        r.type = q.value(0);
        r.startTime = q.value(1);
        r.makeModel = q.value(2);
        r.location = q.value(3);
        r.flightTime = q.value(4);
        r.startHeight = q.value(5);
        r.maxGain = q.value(6);
        r.maxLoss = q.value(7);
        r.maxDescent = q.value(8);
        r.maxAscent = q.value(9);
        r.xcType = q.value(10);
        r.distance = q.value(11);
        r.comments = q.value(12);
        rows.push_back(std::move(r));
    }
    if (q.lastError().isValid()) {
        if (error) *error = StorageErrorText(ClassifySqlError(q.lastError()));
        return std::nullopt;
    }
    return rows;
}

namespace {

QString LookupText(const QSqlDatabase& db, const QString& table, const QVariant& id) {
    if (id.isNull()) return {};
    for (const LookupItem& item : ReadLookup(db, table))
        if (item.id == id.toLongLong()) return item.text;
    return {};
}

} // namespace

std::optional<FlightPageFields> ReadFlightPageFields(const QSqlDatabase& db, qint64 id, QString* error) {
    const std::optional<FlightRecord> flight = ReadFlight(db, id);
    if (!flight) {
        if (error) *error = QStringLiteral("flight %1 not found").arg(id);
        return std::nullopt;
    }
    const TableDef& def = LogbookTable(QStringLiteral("LogData"));
    auto text = [&](const char* name) {
        const QString field = QString::fromLatin1(name);
        const FieldDef* f = def.Field(field);
        return FieldText(f ? f->type : FieldType::Text, flight->Value(field));
    };
    FlightPageFields p;
    p.id = id;
    p.location = LookupText(db, QStringLiteral("Locations"), flight->Value(QStringLiteral("Location")));
    p.xcType = LookupText(db, QStringLiteral("XCType"), flight->Value(QStringLiteral("XCType")));
    p.comments = text("Comments");
    p.startTime = text("StartTime");
    p.endTime = text("EndTime");
    p.flightTime = FlightTimeText(p.startTime, p.endTime).value_or(QString());
    p.maxHeight = text("MaxHeight");
    p.minHeight = text("MinHeight");
    const QString start = text("StartHeight");
    p.maxGain = HeightDifferenceText(p.maxHeight, start).value_or(QString());
    p.minGain = HeightDifferenceText(p.minHeight, start).value_or(QString());
    p.distance = text("Distance");
    p.timeOffset = text("TimeOffset");
    return p;
}

} // namespace soarnote
