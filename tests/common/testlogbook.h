#pragma once
// The test-logbook builder every suite uses: logbook files of any layout (or
// copies of a template) with the rows a test needs, e.g.
//   Builder(path).Flight({{"StartTime", 37045.4}}).Row("TrackData", {{"TrackID", 1}}).Build(&ids);
// and raw row access and file bytes.

#include "core/daynumber.h"
#include "core/logbookdatabase.h"
#include "core/logbookschema.h"

#include <QFile>
#include <QList>
#include <QPair>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <QtTest>

namespace testlogbook {

// The day number of a calendar date and time of day.
inline double Day(int year, int month, int day, int hour = 0, int minute = 0) {
    return soarnote::DayNumber(QDate(year, month, day), hour, minute, 0);
}

// Builds a logbook file with the given layout (the current one by default).
inline bool CreateLogbookFile(const QString& path, const soarnote::SchemaLayout& layout = {}) {
    soarnote::LogbookDatabase file;
    QString error;
    if (!file.Create(path, &error)) {
        qWarning() << "create" << path << error;
        return false;
    }
    QSqlDatabase db = file.Db();
    if (!soarnote::CreateLogbookSchema(db, &error, layout)) {
        qWarning() << "schema" << path << error;
        return false;
    }
    return true;
}

// Runs one statement with bound values; the error text (empty when it worked).
inline QString Exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(db);
    bool ok = q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (ok && q.exec()) return {};
    return q.lastError().text().isEmpty() ? QStringLiteral("statement failed") : q.lastError().text();
}

// Inserts one row given as field -> value; returns the error text (empty when stored).
inline QString InsertRow(const QSqlDatabase& db, const QString& table, const QVariantMap& row) {
    QStringList columns;
    QStringList marks;
    QVariantList values;
    for (auto it = row.cbegin(); it != row.cend(); ++it) {
        columns << QLatin1Char('"') + it.key() + QLatin1Char('"');
        marks << QStringLiteral("?");
        values << it.value();
    }
    return Exec(db,
                QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                    .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                values);
}

// Runs one statement on a logbook file that is not open elsewhere.
inline QString ExecOnFile(const QString& path, const QString& sql, const QVariantList& values = {}) {
    soarnote::LogbookDatabase file;
    QString error;
    return file.Open(path, &error) ? Exec(file.Db(), sql, values) : error;
}

inline QVariant Scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec() || !q.next()) return {};
    return q.value(0);
}

inline QVariant ScalarOnFile(const QString& path, const QString& sql, const QVariantList& values = {}) {
    soarnote::LogbookDatabase file;
    return file.Open(path, nullptr) ? Scalar(file.Db(), sql, values) : QVariant();
}

inline int RowCount(const QSqlDatabase& db, const QString& table) {
    return Scalar(db, QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table)).toInt();
}

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The stored field names of a table, in stored order.
inline QStringList FieldNames(const QSqlDatabase& db, const QString& table) {
    QStringList names;
    for (const soarnote::StoredField& f : soarnote::StoredFields(db, table))
        names << f.name;
    return names;
}

inline QString DeclaredTypeOf(const QSqlDatabase& db, const QString& table, const QString& field) {
    for (const soarnote::StoredField& f : soarnote::StoredFields(db, table))
        if (f.name == field) return f.declaredType.toUpper();
    return {};
}

// A logbook file with the given rows, written when Build() is called (a file
// of that name and its journals are replaced).
class Builder {
public:
    explicit Builder(QString path) : path_(std::move(path)) {}
    Builder& Layout(const soarnote::SchemaLayout& layout) {
        layout_ = layout;
        return *this;
    }
    Builder& FromTemplate(const QString& templatePath) {
        template_ = templatePath;
        return *this;
    }
    Builder& Flight(const QVariantMap& row) { return Row(QStringLiteral("LogData"), row); }
    Builder& Row(const QString& table, const QVariantMap& row) {
        rows_.append({table, row});
        return *this;
    }
    // Writes the file; ids (when given) receives the row ID of each row added,
    // in order. False (with a warning naming what failed) when anything failed.
    bool Build(QList<qint64>* ids = nullptr) const {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(path_ + QLatin1String(suffix));
        if (template_.isEmpty() ? !CreateLogbookFile(path_, layout_) : !QFile::copy(template_, path_)) {
            qWarning() << "cannot make" << path_;
            return false;
        }
        soarnote::LogbookDatabase file;
        QString error;
        if (!file.Open(path_, &error)) {
            qWarning() << "open" << path_ << error;
            return false;
        }
        for (const auto& [table, row] : rows_) {
            error = InsertRow(file.Db(), table, row);
            if (!error.isEmpty()) {
                qWarning() << "insert into" << table << error;
                return false;
            }
            if (ids)
                ids->append(Scalar(file.Db(), QStringLiteral("SELECT last_insert_rowid()")).toLongLong());
        }
        return true;
    }
    const QString& Path() const { return path_; }

private:
    QString path_;
    QString template_;
    soarnote::SchemaLayout layout_;
    QList<QPair<QString, QVariantMap>> rows_;
};

} // namespace testlogbook
