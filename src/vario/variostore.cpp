#include "variostore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace soarnote {

SqlVarioStore::SqlVarioStore(QSqlDatabase db) : db_(std::move(db)) {}

SqlVarioStore::~SqlVarioStore() {
    Commit();
}

void SqlVarioStore::Begin() {
    // When the connection already runs a transaction of its own, the rows
    // simply join it.
    if (!inTransaction_ && db_.isOpen()) inTransaction_ = db_.transaction();
}

void SqlVarioStore::Commit() {
    if (!inTransaction_) return;
    inTransaction_ = false;
    if (!db_.commit()) {
        if (failure_.isEmpty()) failure_ = db_.lastError().text();
        db_.rollback();
    }
}

void SqlVarioStore::NoteFailure(const QSqlQuery& q) {
    const QSqlError e = q.lastError();
    // SQLITE_CONSTRAINT and its extended codes: the row is already stored.
    const QString code = e.nativeErrorCode();
    const bool refused = code == QLatin1String("19") || code == QLatin1String("2067") ||
                         code == QLatin1String("1555") ||
                         e.databaseText().contains(QLatin1String("constraint"), Qt::CaseInsensitive);
    if (!refused && failure_.isEmpty()) failure_ = e.text();
}

std::optional<qint64> SqlVarioStore::StoreLogRecord(const LogRecord& r, double timeOffset, QString* error) {
    Begin();
    QSqlQuery q(db_);
    q.prepare(QStringLiteral(
        "INSERT INTO LogData (MaxHeight, MinHeight, MaxAscent, MaxDescent, MinTemp, AveSpeed, MaxTemp, "
        "StartHeight, StartTime, EndTime, TimeOffset) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(r.maxHeight);
    q.addBindValue(r.minHeight);
    q.addBindValue(r.maxAscent);
    q.addBindValue(r.maxDescent);
    q.addBindValue(r.minTemp);
    q.addBindValue(r.aveSpeed);
    q.addBindValue(r.maxTemp);
    q.addBindValue(r.startHeight);
    q.addBindValue(r.startTime);
    q.addBindValue(r.endTime);
    q.addBindValue(timeOffset);
    if (!q.exec()) {
        if (error) *error = q.lastError().text();
        NoteFailure(q);
        return std::nullopt;
    }
    return q.lastInsertId().toLongLong();
}

bool SqlVarioStore::StoreBaroSample(double time, int height, qint64 logId) {
    Begin();
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO BaroData (LogID, TIME, height) VALUES (?, ?, ?)"));
    q.addBindValue(logId);
    q.addBindValue(time);
    q.addBindValue(height);
    if (q.exec()) return true;
    NoteFailure(q);
    return false;
}

std::optional<TraceFlight> SqlVarioStore::FindTraceFlight(double traceEnd) {
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT ID, StartTime FROM LogData WHERE ? >= StartTime AND ? <= EndTime "
                             "ORDER BY StartTime, ID LIMIT 1"));
    // Log and trace times are whole seconds; half a second either way keeps
    // the rounding of day numbers off the limits.
    constexpr double halfSecond = 0.5 / 86400.0;
    q.addBindValue(traceEnd + halfSecond);
    q.addBindValue(traceEnd - kTraceEndSlack - halfSecond);
    if (!q.exec() || !q.next()) return std::nullopt;
    return TraceFlight{q.value(0).toLongLong(), q.value(1).toDouble()};
}

std::optional<qint64> SqlVarioStore::CreateTraceFlight(const BaroTrace& trace, double traceEnd) {
    Begin();
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO LogData (StartHeight, MaxHeight, MinHeight, StartTime, EndTime) "
                             "VALUES (?, ?, ?, ?, ?)"));
    q.addBindValue(trace.startHeight);
    q.addBindValue(trace.maxHeight);
    q.addBindValue(trace.minHeight);
    q.addBindValue(trace.startTime);
    q.addBindValue(traceEnd);
    if (!q.exec()) return std::nullopt;
    return q.lastInsertId().toLongLong();
}

bool SqlVarioStore::MoveFlightStart(qint64 id, double startTime, int startHeight) {
    Begin();
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("UPDATE LogData SET StartHeight = ?, StartTime = ? WHERE ID = ?"));
    q.addBindValue(startHeight);
    q.addBindValue(startTime);
    q.addBindValue(id);
    return q.exec();
}

int SqlVarioStore::AssignPendingSamples(qint64 logId) {
    Begin();
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("UPDATE BaroData SET LogID = ? WHERE LogID = -1"));
    q.addBindValue(logId);
    if (!q.exec()) return -1;
    return q.numRowsAffected();
}

} // namespace soarnote
