#include "flightstore.h"

#include "daynumber.h"
#include "logcategories.h"
#include "numbertext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace soarnote {

namespace {

const TableDef& LogDataDef() {
    return LogbookTable(QStringLiteral("LogData"));
}

QString Quoted(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

} // namespace

QString FieldText(FieldType type, const QVariant& value) {
    if (value.isNull() || !value.isValid()) return {};
    switch (type) {
    case FieldType::DateTime: {
        bool ok = false;
        const double day = value.toDouble(&ok);
        return ok ? GeneralDateText(day) : value.toString();
    }
    case FieldType::Single: {
        bool ok = false;
        const double v = value.toDouble(&ok);
        return ok ? QString::number(static_cast<float>(v), 'g', 7) : value.toString();
    }
    case FieldType::Double: {
        bool ok = false;
        const double v = value.toDouble(&ok);
        return ok ? PlainNumberText(v) : value.toString();
    }
    case FieldType::AutoNumber:
    case FieldType::Integer: {
        bool ok = false;
        const double v = value.toDouble(&ok);
        return ok ? PlainNumberText(v) : value.toString();
    }
    case FieldType::Text:
        return value.toString();
    }
    return value.toString();
}

std::optional<QVariant> ParseFieldText(FieldType type, const QString& text, QString* problem) {
    if (text.trimmed().isEmpty()) return QVariant();
    switch (type) {
    case FieldType::DateTime:
        if (auto day = ParseDayNumber(text)) return QVariant(*day);
        SetError(problem, QStringLiteral("not a date or time"));
        return std::nullopt;
    case FieldType::Single:
        if (auto v = ParseNumber(text)) return QVariant(ToSingle(*v));
        SetError(problem, QStringLiteral("not a number"));
        return std::nullopt;
    case FieldType::Double:
        if (auto v = ParseNumber(text)) return QVariant(*v);
        SetError(problem, QStringLiteral("not a number"));
        return std::nullopt;
    case FieldType::AutoNumber:
    case FieldType::Integer:
        if (auto v = WholeNumber(text)) return QVariant(static_cast<qint64>(*v));
        SetError(problem, ParseNumber(text) ? QStringLiteral("too large for a whole number")
                                            : QStringLiteral("not a whole number"));
        return std::nullopt;
    case FieldType::Text:
        return QVariant(text);
    }
    return QVariant(text);
}

std::optional<FlightRecord> ReadFlight(const QSqlDatabase& db, qint64 id) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT * FROM LogData WHERE ID = ?"));
    q.addBindValue(id);
    if (!q.exec() || !q.next()) return std::nullopt;
    FlightRecord flight;
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) {
        // Stored names may differ in case from ours; keep ours.
        const FieldDef* def = LogDataDef().Field(rec.fieldName(i));
        flight.SetValue(def ? def->name : rec.fieldName(i), q.value(i));
    }
    return flight;
}

bool UpdateFlight(const QSqlDatabase& db, const FlightRecord& before, const FlightRecord& after,
                  QString* error, StorageError* kind) {
    QStringList assignments;
    QVariantList values;
    for (auto it = after.Values().cbegin(); it != after.Values().cend(); ++it) {
        if (it.key() == QLatin1String("ID") || !LogDataDef().Field(it.key())) continue;
        const QVariant old = before.Value(it.key());
        if (old.isNull() == it.value().isNull() && old == it.value()) continue;
        assignments << Quoted(it.key()) + QStringLiteral(" = ?");
        values << it.value();
    }
    if (assignments.isEmpty()) return true;
    QSqlQuery q(db);
    q.prepare(
        QStringLiteral("UPDATE LogData SET %1 WHERE ID = ?").arg(assignments.join(QStringLiteral(", "))));
    for (const QVariant& v : values)
        q.addBindValue(v);
    q.addBindValue(before.Id());
    if (!q.exec()) {
        SetError(error, q.lastError().text());
        if (kind) *kind = ClassifySqlError(q.lastError());
        qCWarning(lcStorage) << "flight" << before.Id() << "not saved:" << q.lastError().text();
        return false;
    }
    return true;
}

std::optional<qint64> InsertFlight(const QSqlDatabase& db, double startTime, double endTime, QString* error) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO LogData (StartTime, EndTime) VALUES (?, ?)"));
    q.addBindValue(startTime);
    q.addBindValue(endTime);
    if (!q.exec()) {
        SetError(error, q.lastError().text());
        return std::nullopt;
    }
    return q.lastInsertId().toLongLong();
}

bool DeleteFlight(const QSqlDatabase& db, qint64 id, QString* error) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM LogData WHERE ID = ?"));
    q.addBindValue(id);
    if (!q.exec()) {
        SetError(error, q.lastError().text());
        return false;
    }
    return true;
}

std::vector<qint64> FlightIds(const QSqlDatabase& db, const QString& sort, QString* error) {
    std::vector<qint64> ids;
    const QStringList parts = sort.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const FieldDef* field = parts.isEmpty() ? nullptr : LogDataDef().Field(parts.at(0));
    const QString column = field ? field->name : QStringLiteral("StartTime");
    const bool descending =
        parts.size() > 1 && parts.at(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    const QString direction = descending ? QStringLiteral("DESC") : QStringLiteral("ASC");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT ID FROM LogData ORDER BY %1 %2, ID %2").arg(Quoted(column), direction))) {
        SetError(error, q.lastError().text());
        return ids;
    }
    while (q.next())
        ids.push_back(q.value(0).toLongLong());
    return ids;
}

std::vector<LookupItem> ReadLookup(const QSqlDatabase& db, const QString& table) {
    std::vector<LookupItem> items;
    const TableDef& def = LogbookTable(table);
    if (def.fields.size() < 2) return items;
    const QString textField = def.fields.at(1).name;
    QString sql = QStringLiteral("SELECT ID, %1 FROM %2").arg(Quoted(textField), Quoted(def.name));
    sql += def.name == QLatin1String("Locations") ? QStringLiteral(" ORDER BY \"Type\", ID")
                                                  : QStringLiteral(" ORDER BY ID");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql)) return items;
    while (q.next())
        items.push_back({q.value(0).toLongLong(), q.value(1).toString()});
    return items;
}

bool FlightHasTracks(const QSqlDatabase& db, qint64 logId) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM Tracks WHERE LogID = ?)"));
    q.addBindValue(logId);
    return q.exec() && q.next() && q.value(0).toBool();
}

int AssignBaroToFlight(const QSqlDatabase& db, qint64 logId, double start, double end, QString* error) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE BaroData SET LogID = ? WHERE (TIME >= ? AND TIME <= ?)"));
    q.addBindValue(logId);
    q.addBindValue(start);
    q.addBindValue(end);
    if (!q.exec()) {
        SetError(error, q.lastError().text());
        return -1;
    }
    return q.numRowsAffected();
}

} // namespace soarnote
