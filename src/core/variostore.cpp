#include "variostore.h"

#include "logcategories.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace soarnote {

namespace {
// Sample and log times are whole seconds: half a second either way keeps
// the rounding of day numbers off the limits.
constexpr double kHalfSecond = 0.5 / 86400.0;
} // namespace

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

StorageError SqlVarioStore::NoteFailure(const QSqlQuery& q) {
    const QSqlError e = q.lastError();
    const StorageError kind = ClassifySqlError(e);
    // Only a unique key's refusal means the row is there already; a NOT NULL
    // or CHECK failure is a row the logbook cannot take.
    if (kind == StorageError::Duplicate) return kind;
    qCWarning(lcStorage) << "variometer row not written:" << e.text();
    if (failure_.isEmpty()) failure_ = e.text();
    return kind;
}

std::optional<qint64> SqlVarioStore::StoreLogRecord(const LogRecord& r, double timeOffset,
                                                    StorageError* why) {
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
        const StorageError kind = NoteFailure(q);
        if (why) *why = kind;
        return std::nullopt;
    }
    if (why) *why = StorageError::None;
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
    q.addBindValue(traceEnd + kHalfSecond);
    q.addBindValue(traceEnd - kTraceEndSlack - kHalfSecond);
    if (!q.exec() || !q.next()) return std::nullopt;
    return TraceFlight{q.value(0).toLongLong(), q.value(1).toDouble()};
}

std::optional<qint64> SqlVarioStore::CreateTraceFlight(const BaroTrace& trace, double traceEnd) {
    Begin();
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO LogData (StartHeight, MaxHeight, MinHeight, StartTime, EndTime) "
                             "VALUES (?, ?, ?, ?, ?)"));
    // A trace without a stored sample has no heights to give.
    auto height = [](const std::optional<int>& h) { return h ? QVariant(*h) : QVariant(); };
    q.addBindValue(height(trace.startHeight));
    q.addBindValue(height(trace.maxHeight));
    q.addBindValue(height(trace.minHeight));
    q.addBindValue(trace.startTime);
    q.addBindValue(traceEnd);
    if (!q.exec()) {
        NoteFailure(q);
        return std::nullopt;
    }
    return q.lastInsertId().toLongLong();
}

bool SqlVarioStore::MoveFlightStart(qint64 id, double startTime, int startHeight) {
    Begin();
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("UPDATE LogData SET StartHeight = ?, StartTime = ? WHERE ID = ?"));
    q.addBindValue(startHeight);
    q.addBindValue(startTime);
    q.addBindValue(id);
    if (q.exec()) return true;
    NoteFailure(q);
    return false;
}

int SqlVarioStore::AssignTraceSamples(qint64 logId, double firstTime, double lastTime) {
    Begin();
    QSqlQuery q(db_);
    // Samples of other traces still at -1 (an earlier download broke off)
    // lie outside this trace's time and are left to LinkLeftoverSamples.
    q.prepare(QStringLiteral("UPDATE BaroData SET LogID = ? WHERE LogID = -1 AND TIME >= ? AND TIME <= ?"));
    q.addBindValue(logId);
    q.addBindValue(firstTime - kHalfSecond);
    q.addBindValue(lastTime + kHalfSecond);
    if (!q.exec()) {
        NoteFailure(q);
        return -1;
    }
    return q.numRowsAffected();
}

int SqlVarioStore::LinkLeftoverSamples() {
    Begin();
    QSqlQuery q(db_);
    // Log times are whole minutes: the landing minute holds its 59 seconds.
    q.prepare(QStringLiteral(
        "UPDATE BaroData SET LogID = (SELECT ID FROM LogData WHERE BaroData.TIME >= StartTime - ? AND "
        "BaroData.TIME <= EndTime + ? ORDER BY StartTime, ID LIMIT 1) "
        "WHERE LogID = -1 AND EXISTS (SELECT 1 FROM LogData WHERE BaroData.TIME >= StartTime - ? AND "
        "BaroData.TIME <= EndTime + ?)"));
    const double endSlack = 60.0 / 86400.0;
    for (double v : {kHalfSecond, endSlack, kHalfSecond, endSlack})
        q.addBindValue(v);
    if (!q.exec()) {
        NoteFailure(q);
        return -1;
    }
    QSqlQuery left(db_);
    if (!left.exec(QStringLiteral("SELECT COUNT(*) FROM BaroData WHERE LogID = -1")) || !left.next()) {
        NoteFailure(left);
        return -1;
    }
    return left.value(0).toInt();
}

} // namespace soarnote
