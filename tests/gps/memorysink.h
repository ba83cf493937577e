#pragma once
// A track sink in memory for the link tests and fuzzers: points wait in an
// open "transaction" until Commit, duplicates (same time and position) are
// refused as the logbook's unique index refuses them.

#include "gps/tracksink.h"

#include <set>
#include <tuple>
#include <vector>

namespace gpstest {

struct StoredPoint {
    qint64 trackId = 0;
    double time = 0;
    double lat = 0;
    double lng = 0;
};

class MemoryTrackSink : public soarnote::TrackSink {
public:
    std::vector<StoredPoint> committed;
    std::vector<StoredPoint> pending;
    qint64 nextTrackId = 1;
    int commits = 0;
    int links = 0;
    qsizetype failAt = -1; // the store of this many points fails (the disk is full)

    soarnote::StoreOutcome StoreTrackPoint(soarnote::TrackState& s, double time, double lat, double lng,
                                           bool newTrack, double, double) override {
        if (qsizetype(committed.size() + pending.size()) == failAt) return soarnote::StoreOutcome::Failed;
        if (!keys_.insert({time, lat, lng}).second) {
            if (newTrack) s.newTrackPending = true;
            return soarnote::StoreOutcome::Refused;
        }
        if (newTrack || s.newTrackPending) {
            s.currentTrackId = nextTrackId++;
            s.newTrackPending = false;
            ++s.tracksAdded;
        }
        pending.push_back({s.currentTrackId, time, lat, lng});
        ++s.pointsStored;
        return soarnote::StoreOutcome::Stored;
    }
    bool Commit() override {
        committed.insert(committed.end(), pending.begin(), pending.end());
        pending.clear();
        ++commits;
        return true;
    }
    QString LastError() const override { return failAt >= 0 ? QStringLiteral("disk full") : QString(); }
    bool LinkOpenTracks(double, bool) override {
        ++links;
        return Commit();
    }

private:
    std::set<std::tuple<double, double, double>> keys_;
};

} // namespace gpstest
