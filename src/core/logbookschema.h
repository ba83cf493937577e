#pragma once
// The logbook's tables, fields, indexes and the stored query "Logbook".
// Column types are declared so that the schema check can tell them apart:
// DATETIME (day numbers), DOUBLE, SINGLE, INTEGER and TEXT.

#include <QSet>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QSqlDatabase;

namespace soarnote {

// The layout version a logbook of this program has, kept in the file as
// PRAGMA user_version:
//   1: the fields of the older versions added
//   2: unique keys refusing a track point, sample or log record stored again
//   3: the stored query's flight time by the HoursMinutes() function
inline constexpr int kLogbookSchemaVersion = 3;

enum class FieldType { AutoNumber, DateTime, Double, Single, Integer, Text };

struct FieldDef {
    FieldDef(QString fieldName, FieldType fieldType, QString sqlDefault = {})
        : name(std::move(fieldName)), type(fieldType), defaultValue(std::move(sqlDefault)) {}
    // The schema's own tables are written as ASCII literals.
    FieldDef(const char* fieldName, FieldType fieldType, const char* sqlDefault)
        : name(QLatin1String(fieldName)), type(fieldType),
          defaultValue(sqlDefault ? QLatin1String(sqlDefault) : QLatin1String()) {}

    QString name;
    FieldType type;
    QString defaultValue; // SQL literal, empty for none
};

struct TableDef {
    QString name;
    std::vector<FieldDef> fields;
    const FieldDef* Field(const QString& name) const;
};

// Declared SQL type of a field type ("DATETIME", "DOUBLE", ...).
QString DeclaredType(FieldType type);
// The field type of a declared SQL type; Text for anything unknown.
FieldType FieldTypeOfDeclared(const QString& declared);

const std::vector<TableDef>& LogbookTables();
const TableDef& LogbookTable(const QString& name);

// The fields the schema check adds to older files, in the order it adds them:
// "Table.Field" strings.
const QStringList& UpgradeAddedFields();

// An older layout for building test files and for the upgrade: fields left
// out ("Table.Field") and fields declared with another type.
struct SchemaLayout {
    QSet<QString> omittedFields;
    bool timeOffsetAsDateTime = false;
};

QString CreateTableStatement(const TableDef& table, const SchemaLayout& layout = {});
QStringList IndexStatements();
QString LogbookViewStatement();

// Creates every table, index and the view in an empty database.
bool CreateLogbookSchema(QSqlDatabase& db, QString* error, const SchemaLayout& layout = {});

} // namespace soarnote
