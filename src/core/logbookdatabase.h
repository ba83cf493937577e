#pragma once
// One open logbook file: a named SQLite connection with the logbook's
// connection settings and SQL functions.

#include <QSqlDatabase>
#include <QString>

namespace soarnote {

class LogbookDatabase {
public:
    LogbookDatabase() = default;
    ~LogbookDatabase();
    LogbookDatabase(const LogbookDatabase&) = delete;
    LogbookDatabase& operator=(const LogbookDatabase&) = delete;

    enum class Mode {
        ReadWrite, // write-ahead journal, the logbook's normal state
        ReadOnly,  // nothing is ever written, not even journal side files
    };
    // Opens an existing file (never creates one). On failure returns false and
    // sets the engine's error text; the object stays closed.
    bool Open(const QString& path, QString* error, Mode mode = Mode::ReadWrite);
    // Creates a new, empty SQLite file (used by the template and demo builder).
    bool Create(const QString& path, QString* error);
    void Close();

    // Exchanges the connections of two objects: the session keeps the
    // connection its checks were made on.
    void Swap(LogbookDatabase& other) noexcept;

    bool IsOpen() const { return open_; }
    bool IsReadOnly() const { return readOnly_; }
    const QString& Path() const { return path_; }
    QSqlDatabase Db() const { return QSqlDatabase::database(connectionName_, false); }

private:
    bool OpenConnection(const QString& path, QString* error, Mode mode);

    QString connectionName_;
    QString path_;
    bool open_ = false;
    bool readOnly_ = false;
};

// The SQLite URI that opens path without writing to it or beside it. When no
// write-ahead journal lies beside the file, the file is all there is and it is
// opened as immutable (no lock or side files, works in read-only folders).
QString ReadOnlyUri(const QString& path);

// Registers the logbook's SQL functions (Year() on day numbers, HoursMinutes()
// on durations) on a connection.
// Called after every open.
bool RegisterLogbookFunctions(QSqlDatabase& db);

// Field names of a table as stored, in their stored order, with declared types.
struct StoredField {
    QString name;
    QString declaredType;
};
QList<StoredField> StoredFields(const QSqlDatabase& db, const QString& table);

} // namespace soarnote
