#pragma once
// A VarioStore in memory for the fuzzers: keeps rows as plain values and
// checks on each write what the link must never hand over.

#include "vario/variosink.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>

class MemoryVarioStore : public soarnote::VarioStore {
public:
    struct Flight {
        double startTime = 0;
        double endTime = 0;
    };
    std::map<qint64, Flight> flights;
    std::map<std::pair<double, int>, qint64> samples; // (time, height) -> LogID
    qint64 nextId = 1;

    std::optional<qint64> StoreLogRecord(const soarnote::LogRecord& r, double,
                                         soarnote::StorageError* why) override {
        Check(std::isfinite(r.startTime) && std::isfinite(r.endTime) && r.startTime <= r.endTime);
        for (const auto& [id, f] : flights)
            if (f.startTime == r.startTime && f.endTime == r.endTime) {
                if (why) *why = soarnote::StorageError::Duplicate;
                return std::nullopt;
            }
        if (why) *why = soarnote::StorageError::None;
        flights[nextId] = {r.startTime, r.endTime};
        return nextId++;
    }
    bool StoreBaroSample(double time, int height, qint64 logId) override {
        Check(std::isfinite(time) && height >= -32767 && height <= 32767 && logId == -1);
        return samples.emplace(std::make_pair(time, height), logId).second;
    }
    std::optional<soarnote::TraceFlight> FindTraceFlight(double traceEnd) override {
        Check(std::isfinite(traceEnd));
        for (const auto& [id, f] : flights)
            if (traceEnd >= f.startTime && traceEnd - soarnote::kTraceEndSlack <= f.endTime)
                return soarnote::TraceFlight{id, f.startTime};
        return std::nullopt;
    }
    std::optional<qint64> CreateTraceFlight(const soarnote::BaroTrace& trace, double traceEnd) override {
        Check(std::isfinite(trace.startTime) && std::isfinite(traceEnd));
        flights[nextId] = {trace.startTime, traceEnd};
        return nextId++;
    }
    bool MoveFlightStart(qint64 id, double startTime, int) override {
        Check(flights.count(id) == 1);
        flights[id].startTime = startTime;
        return true;
    }
    int AssignTraceSamples(qint64 logId, double firstTime, double lastTime) override {
        Check(firstTime <= lastTime);
        int n = 0;
        for (auto& [key, id] : samples)
            if (id == -1 && key.first >= firstTime && key.first <= lastTime) {
                id = logId;
                ++n;
            }
        return n;
    }
    int LinkLeftoverSamples() override {
        int left = 0;
        for (auto& [key, id] : samples)
            if (id == -1) ++left;
        return left;
    }
    void Commit() override {}

private:
    static void Check(bool ok) {
        if (!ok) std::abort();
    }
};
