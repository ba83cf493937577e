#pragma once
// What the track file readers hand on: one fix at a time, in file order, with
// its time as a UTC day number (days since 30 December 1899, the time of day
// as the fraction, the logbook's own measure) and its heights in metres.

#include <QDate>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace soarnote {

struct TrackFix {
    double time = 0; // UTC day number
    double lat = 0;  // degrees, north positive
    double lng = 0;  // degrees, east positive
    // The satellite height (IGC GNSS altitude, GPX ele); empty when the file
    // gives none or says it is not valid.
    std::optional<double> gnssHeight;
    // The barometric height (IGC pressure altitude); empty when none.
    std::optional<double> pressureHeight;
    // IGC validity "A" (3D fix); "V" fixes keep their pressure height but
    // their position is not a measured one.
    bool positionValid = true;
    std::optional<int> fixAccuracy; // IGC FXA, metres
    bool newSegment = false;        // GPX: first point of a trkseg
    qint64 line = 0;                // 1-based line of the file
};

// The file's description of the flight, where it gives one.
struct TrackFileHeader {
    QDate date;                           // UTC date of the first fix (IGC HFDTE)
    std::optional<double> utcOffsetHours; // IGC HFTZN: local time minus UTC
    QString pilot;
    QString gliderType;
    QString gliderId;
    QString loggerId; // IGC A record
};

// Why a reader stopped. The caller names the file and, where given, the line.
enum class TrackFileProblem {
    None,
    NotTrackFile, // neither an IGC A record nor a GPX document at the start
    NoDate,       // IGC: a fix before any HFDTE date record
    BadDate,      // IGC: an HFDTE record that gives no calendar date
    BadXml,       // GPX: not well-formed XML
    NotGpx,       // XML whose root is not a gpx element
    BadPoint,     // GPX: a trkpt without a readable lat/lon or time
    Truncated,    // the file ends inside a record or element
    NoFixes,      // a complete file without a single usable fix
    TooLarge,     // longer than any flight log can be
    Unreadable,   // the file could not be opened or read
};

// The problem in English, as the summary names it (the caller translates).
QString TrackFileProblemText(TrackFileProblem problem);

// Day number of a UTC date and a time of day in milliseconds, computed as the
// logbook computes day numbers.
double UtcDayNumber(const QDate& date, qint64 msecOfDay);
// The UTC date and time of a day number, to the millisecond.
QDateTime UtcDateTimeOfDayNumber(double day);

} // namespace soarnote
