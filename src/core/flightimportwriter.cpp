#include "flightimportwriter.h"

#include "logcategories.h"
#include "numbertext.h"
#include "storageerror.h"

#include <QByteArray>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <sqlite3.h>
#include <vector>

namespace soarnote {

namespace {

sqlite3* EngineHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

QVariant Whole(const std::optional<double>& value) {
    return value ? QVariant(static_cast<int>(std::lround(*value))) : QVariant();
}

} // namespace

// Rows of plain numbers gathered and stored many to a statement, straight on
// the engine: a fix a second makes a hundred thousand rows a flight, and the
// engine's work per statement (cursors, the statement's end) is then paid
// once for many rows. A row the logbook has already (a unique key) is passed
// over; the engine tells how many went in and the last one's row number, and
// the rows of one statement are numbered one after the other.
class FixStatement {
public:
    static constexpr int kRowsPerStatement = 64;

    struct Value {
        enum class Kind { Null, Integer, Real } kind = Kind::Null;
        qint64 integer = 0;
        double real = 0;
    };

    FixStatement(sqlite3* db, const char* table, const char* columns, int columnCount)
        : db_(db), table_(table), columns_(columns), columnCount_(columnCount) {
        values_.reserve(static_cast<std::size_t>(kRowsPerStatement * columnCount));
        full_ = Prepare(kRowsPerStatement);
    }
    ~FixStatement() {
        sqlite3_finalize(full_);
        sqlite3_finalize(tail_);
    }
    FixStatement(const FixStatement&) = delete;
    FixStatement& operator=(const FixStatement&) = delete;

    bool Ok() const { return full_ != nullptr; }

    static Value Integer(qint64 v) { return {Value::Kind::Integer, v, 0}; }
    static Value Real(double v) { return {Value::Kind::Real, 0, v}; }
    static Value Null() { return {}; }

    // One row, its values in column order; false when a full statement
    // could not be stored (error holds the engine's failure).
    bool Add(std::initializer_list<Value> row, QSqlError& error) {
        values_.insert(values_.end(), row);
        if (values_.size() < static_cast<std::size_t>(kRowsPerStatement * columnCount_)) return true;
        return Flush(error);
    }

    // Stores the rows gathered so far.
    bool Flush(QSqlError& error) {
        const int rows = static_cast<int>(values_.size()) / columnCount_;
        if (rows == 0) return true;
        sqlite3_stmt* stmt = full_;
        if (rows != kRowsPerStatement) {
            sqlite3_finalize(tail_);
            tail_ = stmt = Prepare(rows);
        }
        bool ok = stmt != nullptr;
        if (ok) {
            int index = 1;
            for (const Value& v : values_) {
                switch (v.kind) {
                case Value::Kind::Null:
                    sqlite3_bind_null(stmt, index);
                    break;
                case Value::Kind::Integer:
                    sqlite3_bind_int64(stmt, index, v.integer);
                    break;
                case Value::Kind::Real:
                    sqlite3_bind_double(stmt, index, v.real);
                    break;
                }
                ++index;
            }
            ok = sqlite3_step(stmt) == SQLITE_DONE;
            sqlite3_reset(stmt);
        }
        values_.clear();
        if (!ok) {
            error = QSqlError(QString::fromUtf8(sqlite3_errmsg(db_)), QString(), QSqlError::StatementError,
                              QString::number(sqlite3_extended_errcode(db_)));
            return false;
        }
        const int stored = sqlite3_changes(db_);
        if (stored > 0) {
            lastRow_ = sqlite3_last_insert_rowid(db_);
            if (stored_ == 0) firstRow_ = lastRow_ - stored + 1;
            stored_ += stored;
        }
        return true;
    }

    qint64 Stored() const { return stored_; }
    qint64 FirstRow() const { return firstRow_; }
    qint64 LastRow() const { return lastRow_; }
    void ForgetStored() { stored_ = 0; }

private:
    sqlite3_stmt* Prepare(int rows) const {
        if (!db_) return nullptr;
        QByteArray one = "(?";
        for (int c = 1; c < columnCount_; ++c)
            one += ",?";
        one += ')';
        QByteArray sql = QByteArray("INSERT OR IGNORE INTO ") + table_ + " (" + columns_ + ") VALUES " + one;
        for (int r = 1; r < rows; ++r)
            sql += ',' + one;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr) !=
            SQLITE_OK)
            return nullptr;
        return stmt;
    }

    sqlite3* db_;
    const char* table_;
    const char* columns_;
    int columnCount_;
    sqlite3_stmt* full_ = nullptr;
    sqlite3_stmt* tail_ = nullptr;
    std::vector<Value> values_;
    qint64 stored_ = 0;
    qint64 firstRow_ = 0;
    qint64 lastRow_ = 0;
};

FlightImportWriter::FlightImportWriter(const QSqlDatabase& db)
    : db_(db), point_(std::make_unique<FixStatement>(EngineHandle(db), "TrackData",
                                                     "TrackID, \"TIME\", LAT, LNG, Height", 5)),
      baro_(std::make_unique<FixStatement>(EngineHandle(db), "BaroData", "LogID, \"TIME\", height", 3)) {}

FlightImportWriter::~FlightImportWriter() {
    if (cacheSize_) QSqlQuery(db_).exec(QStringLiteral("PRAGMA cache_size = %1").arg(*cacheSize_));
}

bool FlightImportWriter::Ready() {
    if (point_->Ok() && baro_->Ok()) return true;
    error = StorageErrorText(StorageError::Other);
    return false;
}

bool FlightImportWriter::Exec(QSqlQuery& q) {
    return q.exec() || Fail(q.lastError());
}

bool FlightImportWriter::Fail(const QSqlError& e) {
    error = StorageErrorText(ClassifySqlError(e));
    qCWarning(lcStorage) << "flight import:" << error << e.text();
    return false;
}

bool FlightImportWriter::Open(double startTime, double timeOffset) {
    // A long flight's rows and index entries outgrow the engine's usual
    // page cache; pages pushed out to the log mid-file would be written
    // again and again. Room for them while the file is stored (taken only
    // as pages are used), the usual size again afterwards.
    QSqlQuery cache(db_);
    if (cache.exec(QStringLiteral("PRAGMA cache_size")) && cache.next()) {
        cacheSize_ = cache.value(0).toLongLong();
        cache.finish();
        cache.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    }

    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO Tracks (StartTime, TimeOffset) VALUES (?, ?)"));
    q.addBindValue(startTime);
    q.addBindValue(timeOffset);
    if (!Exec(q)) return false;
    trackId_ = q.lastInsertId().toLongLong();

    // Logbooks made by this program number their flights through the
    // engine's sequence table; one without it reuses free numbers anyway.
    QSqlQuery seq(db_);
    if (seq.exec(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'LogData'"))) {
        haveSequence_ = true;
        if (seq.next()) sequence_ = seq.value(0).toLongLong();
    }
    QSqlQuery flight(db_);
    flight.prepare(QStringLiteral("INSERT INTO LogData DEFAULT VALUES"));
    if (!Exec(flight)) return false;
    flightId_ = flight.lastInsertId().toLongLong();
    return true;
}

bool FlightImportWriter::AddPoint(const TrackFix& fix) {
    using S = FixStatement;
    QSqlError failure;
    return point_->Add({S::Integer(trackId_), S::Real(fix.time), S::Real(fix.lat), S::Real(fix.lng),
                        fix.gnssHeight ? S::Real(ToSingle(*fix.gnssHeight)) : S::Null()},
                       failure) ||
           Fail(failure);
}

bool FlightImportWriter::AddSample(double localTime, int height) {
    using S = FixStatement;
    QSqlError failure;
    return baro_->Add({S::Integer(flightId_), S::Real(localTime), S::Integer(height)}, failure) ||
           Fail(failure);
}

bool FlightImportWriter::Flush() {
    QSqlError failure;
    return (point_->Flush(failure) && baro_->Flush(failure)) || Fail(failure);
}

qint64 FlightImportWriter::PointsStored() const {
    return point_->Stored();
}

qint64 FlightImportWriter::SamplesStored() const {
    return baro_->Stored();
}

bool FlightImportWriter::DropSamples() {
    if (!Flush()) return false;
    if (baro_->Stored() == 0) return true;
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("DELETE FROM BaroData WHERE rowid BETWEEN ? AND ?"));
    q.addBindValue(baro_->FirstRow());
    q.addBindValue(baro_->LastRow());
    if (!Exec(q)) return false;
    baro_->ForgetStored();
    return true;
}

bool FlightImportWriter::FillNewFlight(const ImportedFlightFields& fields) {
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("UPDATE LogData SET StartTime = ?, EndTime = ?, StartHeight = ?, MaxHeight = ?, "
                             "MinHeight = ?, MaxAscent = ?, MaxDescent = ?, AveSpeed = ?, Distance = ?, "
                             "Glider = ?, TimeOffset = 0 WHERE ID = ?"));
    q.addBindValue(fields.startTime);
    q.addBindValue(fields.endTime);
    q.addBindValue(Whole(fields.startHeight));
    q.addBindValue(Whole(fields.maxHeight));
    q.addBindValue(Whole(fields.minHeight));
    q.addBindValue(ToSingle(fields.maxAscent));
    q.addBindValue(ToSingle(fields.maxDescent));
    q.addBindValue(fields.aveSpeed);
    q.addBindValue(std::round(fields.distance * 10) / 10);
    q.addBindValue(fields.glider ? QVariant(*fields.glider) : QVariant());
    q.addBindValue(flightId_);
    return Exec(q);
}

bool FlightImportWriter::JoinFlight(qint64 logId) {
    const qint64 opened = flightId_;
    if (!Flush()) return false;
    if (baro_->Stored() > 0) {
        // Every row between the first and last sample of this file is one of
        // them: the transaction keeps other writers out.
        QSqlQuery q(db_);
        q.prepare(QStringLiteral("UPDATE BaroData SET LogID = ? WHERE rowid BETWEEN ? AND ?"));
        q.addBindValue(logId);
        q.addBindValue(baro_->FirstRow());
        q.addBindValue(baro_->LastRow());
        if (!Exec(q)) return false;
    }
    QSqlQuery drop(db_);
    drop.prepare(QStringLiteral("DELETE FROM LogData WHERE ID = ?"));
    drop.addBindValue(opened);
    if (!Exec(drop)) return false;
    if (haveSequence_) {
        QSqlQuery seq(db_);
        if (sequence_) {
            seq.prepare(QStringLiteral("UPDATE sqlite_sequence SET seq = ? WHERE name = 'LogData'"));
            seq.addBindValue(*sequence_);
        } else {
            seq.prepare(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'LogData'"));
        }
        if (!Exec(seq)) return false;
    }
    flightId_ = logId;
    return true;
}

bool FlightImportWriter::CloseTrack() {
    if (!Flush()) return false;
    QSqlQuery q(db_);
    if (point_->Stored() == 0) {
        q.prepare(QStringLiteral("DELETE FROM Tracks WHERE ID = ?"));
        q.addBindValue(trackId_);
        return Exec(q);
    }
    // The span of the points this file added (a repeated point is the older
    // track's), read where the track's index keeps them in time order.
    q.prepare(QStringLiteral(
        "UPDATE Tracks SET StartTime = (SELECT MIN(\"TIME\") FROM TrackData WHERE TrackID = ?), "
        "EndTime = (SELECT MAX(\"TIME\") FROM TrackData WHERE TrackID = ?), LogID = ? "
        "WHERE ID = ?"));
    q.addBindValue(trackId_);
    q.addBindValue(trackId_);
    q.addBindValue(flightId_);
    q.addBindValue(trackId_);
    return Exec(q);
}

} // namespace soarnote
