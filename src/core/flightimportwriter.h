#pragma once
// The writes of one imported file, all inside the transaction the import
// opened: its track (Tracks and TrackData), its pressure trace (BaroData) and
// the flight they belong to (LogData).
//
// A flight has up to a hundred thousand fixes, so the rows go straight to the
// engine through statements prepared once, and the trace is stored under the
// flight it will belong to: the flight's row is opened (empty) before the
// first sample, since relinking every sample afterwards would rewrite the
// trace and its index a second time. When the file turns out to belong to a
// flight already in the logbook, the empty row is given back.

#include "formats/trackfix.h"

#include <QSqlDatabase>
#include <QString>
#include <memory>
#include <optional>

class QSqlError;
class QSqlQuery;

namespace soarnote {

class FixStatement;

// The figures a new flight gets from its file.
struct ImportedFlightFields {
    double startTime = 0;
    double endTime = 0;
    std::optional<double> startHeight, maxHeight, minHeight;
    double maxAscent = 0;
    double maxDescent = 0;
    int aveSpeed = 0;
    double distance = 0;
    std::optional<qint64> glider;
};

class FlightImportWriter {
public:
    explicit FlightImportWriter(const QSqlDatabase& db);
    ~FlightImportWriter();
    FlightImportWriter(const FlightImportWriter&) = delete;
    FlightImportWriter& operator=(const FlightImportWriter&) = delete;

    // False when the statements could not be prepared.
    bool Ready();
    // The track row and the flight's empty row, at the first fix.
    bool Open(double startTime, double timeOffset);
    // False only when the logbook could not write; a repeat is counted.
    bool AddPoint(const TrackFix& fix);
    bool AddSample(double localTime, int height);
    // Stores the rows still gathered; the calls below do it first.
    bool Flush();
    // Removes the samples stored so far (a trace that is no trace, or a
    // flight that has its own).
    bool DropSamples();

    // The file made a new flight: its figures into the opened row.
    bool FillNewFlight(const ImportedFlightFields& fields);
    // The file belongs to a flight of the logbook: the samples move to it
    // and the opened row is given back, its number too.
    bool JoinFlight(qint64 logId);
    // The track ends: its time span and flight, or it goes when no point of
    // it was new.
    bool CloseTrack();

    qint64 FlightId() const { return flightId_; }
    // Rows that went in (after Flush).
    qint64 PointsStored() const;
    qint64 SamplesStored() const;

    // The logbook's failure, in English, set when a call returned false.
    QString error;

private:
    bool Exec(QSqlQuery& q);
    bool Fail(const QSqlError& e);

    QSqlDatabase db_;
    std::unique_ptr<FixStatement> point_;
    std::unique_ptr<FixStatement> baro_;
    qint64 trackId_ = 0;
    qint64 flightId_ = 0;
    // The flight numbering before the row was opened: restored when the row
    // is given back, so the next flight does not skip a number.
    bool haveSequence_ = false;
    std::optional<qint64> sequence_;
    std::optional<qint64> cacheSize_; // the connection's own, to restore
};

} // namespace soarnote
