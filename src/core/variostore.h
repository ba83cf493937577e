#pragma once
// The variometer downloads' store on an open logbook.

#include "vario/variosink.h"

#include <QSqlDatabase>
#include <QString>

class QSqlQuery;

namespace soarnote {

// The store on an open logbook. Writes are grouped in transactions that the
// link commits at each block, so a download that breaks off keeps what it
// had stored.
class SqlVarioStore : public VarioStore {
public:
    explicit SqlVarioStore(QSqlDatabase db);
    ~SqlVarioStore() override;

    std::optional<qint64> StoreLogRecord(const LogRecord& record, double timeOffset,
                                         StorageError* why) override;
    bool StoreBaroSample(double time, int height, qint64 logId) override;
    std::optional<TraceFlight> FindTraceFlight(double traceEnd) override;
    std::optional<qint64> CreateTraceFlight(const BaroTrace& trace, double traceEnd) override;
    bool MoveFlightStart(qint64 id, double startTime, int startHeight) override;
    int AssignTraceSamples(qint64 logId, double firstTime, double lastTime) override;
    int LinkLeftoverSamples() override;
    void Commit() override;
    QString WriteFailure() const override { return failure_; }

private:
    void Begin();
    // Notes a failed statement unless the database refused a row it holds;
    // the kind of failure.
    StorageError NoteFailure(const QSqlQuery& q);

    QSqlDatabase db_;
    bool inTransaction_ = false;
    QString failure_;
};

} // namespace soarnote
