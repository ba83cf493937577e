#pragma once
// Where the variometer downloads put what they read: flights (LogData) and
// barograph samples (BaroData). The link calls it synchronously; a refused
// row (already stored) is an ordinary answer, not an error. No SQL here: the
// logbook's store is SqlVarioStore in core, tests may use their own.

#include "core/storageerror.h"
#include "vario/logrecord.h"

#include <QString>
#include <optional>

namespace soarnote {

// The barograph trace being read: its first sample and running extremes.
struct BaroTrace {
    qint64 logId = -1; // -1 while the trace is read
    double startTime = 0;
    // Nothing until a sample of the trace is stored.
    std::optional<int> startHeight;
    std::optional<int> maxHeight;
    std::optional<int> minHeight;
};

struct TraceFlight {
    qint64 id = 0;
    double startTime = 0;
};

class VarioStore {
public:
    virtual ~VarioStore() = default;
    // A new flight from a log record; nothing when the row is refused
    // (why: Duplicate when the flight is stored already) or cannot be written.
    virtual std::optional<qint64> StoreLogRecord(const LogRecord& record, double timeOffset,
                                                 StorageError* why) = 0;
    // One barograph sample of the trace being read (logId -1); false when
    // refused (already stored) or not written.
    virtual bool StoreBaroSample(double time, int height, qint64 logId) = 0;
    // The first flight (by take-off) that started no later than the trace's
    // end and ended no earlier than 119 seconds before it.
    virtual std::optional<TraceFlight> FindTraceFlight(double traceEnd) = 0;
    // A flight made from a trace: its start, heights and end.
    virtual std::optional<qint64> CreateTraceFlight(const BaroTrace& trace, double traceEnd) = 0;
    // An earlier take-off found by the barograph.
    virtual bool MoveFlightStart(qint64 id, double startTime, int startHeight) = 0;
    // Gives the trace's own samples (still LogID -1, timed from its first to
    // its last sample) to a flight; the count, or -1 when not written.
    virtual int AssignTraceSamples(qint64 logId, double firstTime, double lastTime) = 0;
    // Samples left at LogID -1 by a download that broke off: each goes to the
    // flight whose time holds it; those no flight holds stay. The count left
    // unlinked, or -1 when not written.
    virtual int LinkLeftoverSamples() = 0;
    // Makes what was written so far permanent.
    virtual void Commit() = 0;
    // Why a write failed other than by being refused as already stored (a
    // locked logbook, a full disk); empty while every write worked.
    virtual QString WriteFailure() const { return {}; }
};

// 119 seconds in days: a trace belongs to a flight that ended at most this
// long before the trace did.
inline constexpr double kTraceEndSlack = 119.0 / 86400.0;

} // namespace soarnote
