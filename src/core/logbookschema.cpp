#include "logbookschema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace soarnote {

const FieldDef* TableDef::Field(const QString& fieldName) const {
    for (const FieldDef& f : fields)
        if (f.name.compare(fieldName, Qt::CaseInsensitive) == 0) return &f;
    return nullptr;
}

QString DeclaredType(FieldType type) {
    switch (type) {
    case FieldType::AutoNumber:
        return QStringLiteral("INTEGER");
    case FieldType::DateTime:
        return QStringLiteral("DATETIME");
    case FieldType::Double:
        return QStringLiteral("DOUBLE");
    case FieldType::Single:
        return QStringLiteral("SINGLE");
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Text:
        return QStringLiteral("TEXT");
    }
    return QStringLiteral("TEXT");
}

FieldType FieldTypeOfDeclared(const QString& declared) {
    const QString t = declared.trimmed().toUpper();
    if (t == QLatin1String("DATETIME")) return FieldType::DateTime;
    if (t == QLatin1String("DOUBLE")) return FieldType::Double;
    if (t == QLatin1String("SINGLE")) return FieldType::Single;
    if (t == QLatin1String("INTEGER")) return FieldType::Integer;
    return FieldType::Text;
}

const std::vector<TableDef>& LogbookTables() {
    using F = FieldType;
    static const std::vector<TableDef> tables = {
        {QStringLiteral("LogData"),
         {{"ID", F::AutoNumber, {}},       {"StartTime", F::DateTime, {}}, {"EndTime", F::DateTime, {}},
          {"StartHeight", F::Integer, {}}, {"MaxHeight", F::Integer, {}},  {"MinHeight", F::Integer, {}},
          {"MaxAscent", F::Single, {}},    {"MaxDescent", F::Single, {}},  {"AveSpeed", F::Integer, {}},
          {"MinTemp", F::Single, {}},      {"MaxTemp", F::Single, {}},     {"TimeOffset", F::Double, "0"},
          {"LatOffset", F::Double, {}},    {"LngOffset", F::Double, {}},   {"HeightOffset", F::Double, {}},
          {"Type", F::Integer, {}},        {"XCType", F::Integer, {}},     {"Location", F::Integer, {}},
          {"Glider", F::Integer, {}},      {"Weather", F::Integer, {}},    {"Wind", F::Integer, {}},
          {"Distance", F::Double, {}},     {"Comments", F::Text, {}},      {"WindSpeed", F::Single, {}},
          {"CloudBase", F::Single, {}},    {"CloudCover", F::Single, {}}}},
        {QStringLiteral("Tracks"),
         {{"ID", F::AutoNumber, {}},
          {"LogID", F::Integer, {}},
          {"StartTime", F::DateTime, {}},
          {"EndTime", F::DateTime, {}},
          {"TimeOffset", F::Single, {}},
          {"LandFile", F::Text, {}}}},
        {QStringLiteral("TrackData"),
         {{"TrackID", F::Integer, {}},
          {"TIME", F::DateTime, {}},
          {"LAT", F::Double, {}},
          {"LNG", F::Double, {}},
          {"Height", F::Single, {}}}},
        {QStringLiteral("BaroData"),
         {{"LogID", F::Integer, {}}, {"TIME", F::DateTime, {}}, {"height", F::Integer, {}}}},
        {QStringLiteral("Type"), {{"ID", F::AutoNumber, {}}, {"Type", F::Text, {}}}},
        {QStringLiteral("XCType"), {{"ID", F::AutoNumber, {}}, {"Type", F::Text, {}}}},
        {QStringLiteral("Locations"), {{"ID", F::AutoNumber, {}}, {"Type", F::Text, {}}}},
        {QStringLiteral("Glider"), {{"ID", F::AutoNumber, {}}, {"MakeModel", F::Text, {}}}},
        {QStringLiteral("Weather"),
         {{"ID", F::AutoNumber, {}}, {"Type", F::Text, {}}, {"CloudCover", F::Single, {}}}},
        {QStringLiteral("Wind"), {{"ID", F::AutoNumber, {}}, {"Type", F::Text, {}}}},
    };
    return tables;
}

const TableDef& LogbookTable(const QString& name) {
    for (const TableDef& t : LogbookTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return t;
    static const TableDef none;
    return none;
}

const QStringList& UpgradeAddedFields() {
    static const QStringList fields = {
        QStringLiteral("LogData.CloudCover"), QStringLiteral("LogData.CloudBase"),
        QStringLiteral("LogData.WindSpeed"),  QStringLiteral("TrackData.Height"),
        QStringLiteral("Weather.CloudCover"), QStringLiteral("Tracks.TimeOffset"),
    };
    return fields;
}

QString CreateTableStatement(const TableDef& table, const SchemaLayout& layout) {
    QStringList columns;
    for (const FieldDef& f : table.fields) {
        const QString qualified = table.name + QLatin1Char('.') + f.name;
        if (layout.omittedFields.contains(qualified)) continue;
        QString column = QLatin1Char('"') + f.name + QStringLiteral("\" ");
        if (f.type == FieldType::AutoNumber) {
            column += QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
        } else if (layout.timeOffsetAsDateTime && qualified == QLatin1String("LogData.TimeOffset")) {
            column += QStringLiteral("DATETIME");
        } else {
            column += DeclaredType(f.type);
            if (!f.defaultValue.isEmpty()) column += QStringLiteral(" DEFAULT ") + f.defaultValue;
        }
        columns << column;
    }
    return QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(table.name, columns.join(QStringLiteral(", ")));
}

QStringList IndexStatements() {
    return {
        // A log record downloaded again is the same flight: same landing time,
        // heights, rates and speed. Not the take-off, which linking a barograph
        // trace moves. Rows without these (flights added by hand or made from
        // a trace) are never refused, as empty values never collide in a
        // unique index.
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS LogDataLogRecord ON LogData "
                       "(EndTime, MaxHeight, MinHeight, MaxAscent, MaxDescent, AveSpeed)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS LogDataStart ON LogData (StartTime)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS TracksLog ON Tracks (LogID)"),
        // A track point is the same point when time and position agree, whichever
        // track row a repeated download opened for it.
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS TrackDataPoint ON TrackData (TIME, LAT, LNG)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS TrackDataTrack ON TrackData (TrackID, TIME)"),
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS BaroDataSample ON BaroData (TIME, height)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS BaroDataLog ON BaroData (LogID, TIME)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS LocationsType ON Locations (Type)"),
    };
}

QString LogbookViewStatement() {
    // One row per flight for the printed log. FlightTime is the duration as
    // hours:minutes (not wrapped at 24 hours), by the program's own SQL
    // function so that it reads as everywhere else; MaxGain and MaxLoss are the
    // heights above and below take-off (MaxLoss zero or negative, as shown in
    // the main window).
    return QStringLiteral("CREATE VIEW IF NOT EXISTS Logbook AS SELECT "
                          "LogData.ID AS ID, "
                          "\"Type\".\"Type\" AS \"Type.Type\", "
                          "LogData.StartTime AS StartTime, "
                          "LogData.EndTime AS EndTime, "
                          "Glider.MakeModel AS MakeModel, "
                          "Locations.\"Type\" AS \"Locations.Type\", "
                          "HoursMinutes(LogData.EndTime - LogData.StartTime) AS FlightTime, "
                          "LogData.StartHeight AS StartHeight, "
                          "LogData.MaxHeight - LogData.StartHeight AS MaxGain, "
                          "LogData.MinHeight - LogData.StartHeight AS MaxLoss, "
                          "LogData.MaxDescent AS MaxDescent, "
                          "LogData.MaxAscent AS MaxAscent, "
                          "XCType.\"Type\" AS \"XCType.Type\", "
                          "LogData.Distance AS Distance, "
                          "LogData.Comments AS Comments "
                          "FROM LogData "
                          "LEFT JOIN \"Type\" ON LogData.\"Type\" = \"Type\".ID "
                          "LEFT JOIN Glider ON LogData.Glider = Glider.ID "
                          "LEFT JOIN Locations ON LogData.Location = Locations.ID "
                          "LEFT JOIN XCType ON LogData.XCType = XCType.ID "
                          "ORDER BY LogData.StartTime, LogData.ID");
}

bool CreateLogbookSchema(QSqlDatabase& db, QString* error, const SchemaLayout& layout) {
    QStringList statements;
    for (const TableDef& t : LogbookTables())
        statements << CreateTableStatement(t, layout);
    statements << IndexStatements() << LogbookViewStatement();
    // A file of an older layout, built for tests, has the version before the keys.
    const bool older = !layout.omittedFields.isEmpty() || layout.timeOffsetAsDateTime;
    statements << QStringLiteral("PRAGMA user_version = %1").arg(older ? 0 : kLogbookSchemaVersion);
    if (!db.transaction()) {
        if (error) *error = db.lastError().text();
        return false;
    }
    for (const QString& sql : statements) {
        QSqlQuery q(db);
        if (!q.exec(sql)) {
            if (error) *error = q.lastError().text();
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

} // namespace soarnote
