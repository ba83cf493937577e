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

    // Opens an existing file (never creates one). On failure returns false and
    // sets the error text; the object stays closed.
    bool Open(const QString& path, QString* error);
    // Creates a new, empty SQLite file (used by the template and demo builder).
    bool Create(const QString& path, QString* error);
    void Close();

    bool IsOpen() const { return open_; }
    const QString& Path() const { return path_; }
    QSqlDatabase Db() const { return QSqlDatabase::database(connectionName_, false); }

private:
    bool OpenConnection(const QString& path, QString* error);

    QString connectionName_;
    QString path_;
    bool open_ = false;
};

// Registers the logbook's SQL functions (Year() on day numbers) on a connection.
// Called after every open.
bool RegisterLogbookFunctions(QSqlDatabase& db);

// Field names of a table as stored, in their stored order, with declared types.
struct StoredField {
    QString name;
    QString declaredType;
};
QList<StoredField> StoredFields(const QSqlDatabase& db, const QString& table);

} // namespace soarnote
