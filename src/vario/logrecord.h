#pragma once
// The Sol variometer's 24-byte log record (one per flight) and the pieces of
// its barograph data stream, decoded as pure functions of the bytes.

#include <QByteArray>
#include <QDate>
#include <optional>

namespace soarnote {

// A byte pair (h, l) in sign and magnitude: (h mod 128) * 256 + l, negative
// when the top bit of h is set. -32767 to 32767.
int SignMagnitude(quint8 high, quint8 low);

// The instrument writes years with two digits: below 90 is this century.
int SolYear(int twoDigits);

// Day number of midnight of a day/month/two-digit-year triple; nothing when
// the date is impossible (the zeros of an unused log slot).
std::optional<double> SolDate(int day, int month, int twoDigitYear);

// A time of day from hour and minute bytes; nothing when out of range.
std::optional<double> SolTimeOfDay(int hour, int minute);

// One flight as the log record gives it. Heights in metres, rates in m/s,
// temperatures in degrees Celsius, times as day numbers.
struct LogRecord {
    int maxHeight = 0;
    int minHeight = 0;
    double maxAscent = 0;  // single precision, as stored
    double maxDescent = 0; // positive
    double minTemp = 0;
    int aveSpeed = 0;
    double maxTemp = 0;
    int startHeight = 0;
    double startTime = 0;
    double endTime = 0;
};

enum class LogRecordError { None, ShortReply, ImpossibleDate, ImpossibleTime };

// Decodes a log record. A record without start time (bytes 16 and 17 both 0)
// starts when it ends; an end earlier than the start is on the next day.
std::optional<LogRecord> DecodeLogRecord(const QByteArray& reply, LogRecordError* error = nullptr);

// The answer of a slot the instrument never wrote: no date.
inline bool IsUnusedLogSlot(const QByteArray& reply) {
    return reply.size() >= 24 && reply.at(20) == 0 && reply.at(21) == 0 && reply.at(22) == 0;
}

// A log row that only holds a landing time and no take-off height: what the
// instrument writes for a flight it did not record properly.
inline bool IsEmptyLogEntry(double startTime, double endTime, int startHeight) {
    return startTime == endTime && startHeight == 0;
}

// --- Barograph stream -------------------------------------------------------

inline constexpr quint8 kBlockMarker = 213;
inline constexpr quint8 kLastBlockMarker = 234;
inline bool IsBlockMarker(quint8 b) {
    return b == kBlockMarker || b == kLastBlockMarker;
}

// Height of a 2-byte sample, metres.
int SampleHeight(const QByteArray& reply);

// Time of the first sample from the second header (6 bytes: hour, minute,
// unused, day, month, two-digit year); nothing when the date or time is
// impossible.
std::optional<double> BaroHeaderStart(const QByteArray& header2);

// Whether two bytes read where a footer may begin are the trace's end time:
// a valid hour and minute within five minutes of the sample clock's time of
// day (cut to whole minutes).
bool IsFooterStart(const QByteArray& reply, double sampleTime);

} // namespace soarnote
