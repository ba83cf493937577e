#include "logbookdatabase.h"

#include "daycount.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>
#include <atomic>
#include <cmath>
#include <sqlite3.h>
#include <utility>

namespace soarnote {

namespace {

QString NextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("logbook-%1").arg(++counter);
}

// Year(day number) -> calendar year, NULL for NULL.
void YearFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::optional<daycount::DayAndTime> split = daycount::Split(sqlite3_value_double(argv[0]));
    if (!split) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_int(context, daycount::CivilOfDay(split->day).year);
}

// HoursMinutes(duration in days) -> "[-]hh:mm", the one form of durations the
// program shows; NULL for NULL and for a value out of range.
void HoursMinutesFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::string text = daycount::HoursMinutes(sqlite3_value_double(argv[0]));
    if (text.empty())
        sqlite3_result_null(context);
    else
        sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

} // namespace

LogbookDatabase::~LogbookDatabase() {
    Close();
}

QString ReadOnlyUri(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QString uri = QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded);
    uri += QFileInfo::exists(absolute + QStringLiteral("-wal")) ? QStringLiteral("?mode=ro")
                                                                : QStringLiteral("?immutable=1");
    return uri;
}

bool LogbookDatabase::OpenConnection(const QString& path, QString* error, Mode mode) {
    Close();
    connectionName_ = NextConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        if (mode == Mode::ReadOnly) {
            db.setDatabaseName(ReadOnlyUri(path));
            db.setConnectOptions(
                QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000;QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        } else {
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        }
        if (!db.open()) {
            if (error) *error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            // The first statement reads the file header: a file that is not a
            // database fails here rather than later.
            const QString first = mode == Mode::ReadOnly ? QStringLiteral("PRAGMA schema_version")
                                                         : QStringLiteral("PRAGMA journal_mode=WAL");
            if (!q.exec(first) || !q.next()) {
                if (error)
                    *error = q.lastError().text().isEmpty() ? QStringLiteral("not a database")
                                                            : q.lastError().text();
            } else {
                if (mode == Mode::ReadWrite) q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
                RegisterLogbookFunctions(db);
                open_ = true;
                readOnly_ = mode == Mode::ReadOnly;
                path_ = path;
            }
            if (!open_) db.close();
        }
    }
    if (!open_) {
        QSqlDatabase::removeDatabase(connectionName_);
        connectionName_.clear();
    }
    return open_;
}

bool LogbookDatabase::Open(const QString& path, QString* error, Mode mode) {
    if (!QFileInfo(path).isFile()) {
        if (error) *error = QStringLiteral("file not found");
        return false;
    }
    return OpenConnection(path, error, mode);
}

bool LogbookDatabase::Create(const QString& path, QString* error) {
    return OpenConnection(path, error, Mode::ReadWrite);
}

void LogbookDatabase::Swap(LogbookDatabase& other) noexcept {
    std::swap(connectionName_, other.connectionName_);
    std::swap(path_, other.path_);
    std::swap(open_, other.open_);
    std::swap(readOnly_, other.readOnly_);
}

void LogbookDatabase::Close() {
    if (connectionName_.isEmpty()) return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
    connectionName_.clear();
    path_.clear();
    open_ = false;
    readOnly_ = false;
}

bool RegisterLogbookFunctions(QSqlDatabase& db) {
    QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return false;
    auto* sqlite = *static_cast<sqlite3**>(handle.data());
    if (!sqlite) return false;
    return sqlite3_create_function_v2(sqlite, "Year", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      &YearFunction, nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(sqlite, "HoursMinutes", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      &HoursMinutesFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QList<StoredField> StoredFields(const QSqlDatabase& db, const QString& table) {
    QList<StoredField> fields;
    QSqlQuery q(db);
    // table_info takes no bound parameter; the table name is one of ours, quoted.
    QString quoted = table;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    if (!q.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(quoted))) return fields;
    while (q.next())
        fields.append({q.value(1).toString(), q.value(2).toString()});
    return fields;
}

} // namespace soarnote
