#pragma once
// IGC and GPX flight logs into the logbook. Each file is one transaction: it
// either adds its track (TrackData/Tracks), its pressure trace (BaroData) and
// its flight (LogData), or nothing at all, whether it was refused, cancelled or
// is already stored. The file is streamed in chunks, so memory stays bounded
// whatever its size.
//
// Times follow the logbook's model: track points keep the file's UTC times and
// their Tracks row gets as TimeOffset the local time minus UTC on that date
// (the file's time zone header, otherwise the zone rules of the computer for
// that date); flight and barograph times are local. A flight that already
// covers the file's time (a variometer download) gets the track, and the
// trace when it has none of its own, instead of a new flight.

#include "formats/trackfix.h"

#include <QSqlDatabase>
#include <QString>
#include <QTimeZone>
#include <functional>

namespace soarnote {

struct FlightImportOptions {
    // The zone whose rules give the local time when the file states none.
    QTimeZone zone = QTimeZone::systemTimeZone();
};

struct FlightImportResult {
    enum class Outcome {
        Added,         // a new flight, or the track linked to an existing one
        AlreadyStored, // every fix is in the logbook already: nothing added
        Refused,       // the file cannot be used: nothing added
        Cancelled,     // stopped by the user: nothing added
    };
    QString path;
    Outcome outcome = Outcome::Refused;
    TrackFileProblem problem = TrackFileProblem::None;
    QString storageError; // the logbook refused a write (Refused only)
    qint64 line = 0;      // the line the problem is on, 0 when none
    qint64 flightId = 0;
    bool newFlight = false;
    qint64 fixes = 0;         // fixes read from the file
    qint64 pointsStored = 0;  // track points added
    qint64 samplesStored = 0; // barograph samples added
    qint64 skippedFixes = 0;  // malformed fixes left out
    qint64 firstSkippedLine = 0;
    double timeOffset = 0; // the track's offset, local minus UTC, days
    // The pilot the file names (IGC HFPLT, GPX author); empty when none. The
    // logbook has no place for it yet: it is handed to the caller.
    QString pilot;

    bool Refused() const { return outcome == Outcome::Refused; }
    // One line for the summary, translated, naming the file.
    QString Text() const;
};

// Bytes read so far and the file's size; false cancels the import.
using FlightImportProgress = std::function<bool(qint64 bytesRead, qint64 bytesTotal)>;

// Files larger than this are refused unread: a day's flight at one fix a
// second is a few megabytes even as GPX.
inline constexpr qint64 kMaxFlightFileSize = 256LL * 1024 * 1024;

FlightImportResult ImportFlightFile(const QSqlDatabase& db, const QString& path,
                                    const FlightImportOptions& options = {},
                                    const FlightImportProgress& progress = {});

} // namespace soarnote
