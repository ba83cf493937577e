#include "logrecord.h"

#include "core/daynumber.h"

namespace soarnote {

namespace {

quint8 At(const QByteArray& bytes, int i) {
    return static_cast<quint8>(bytes.at(i));
}

} // namespace

int SignMagnitude(quint8 high, quint8 low) {
    const int magnitude = (high & 0x7F) * 256 + low;
    return (high & 0x80) ? -magnitude : magnitude;
}

int SolYear(int twoDigits) {
    return twoDigits < 90 ? 2000 + twoDigits : 1900 + twoDigits;
}

std::optional<double> SolDate(int day, int month, int twoDigitYear) {
    const QDate date(SolYear(twoDigitYear), month, day);
    if (!date.isValid()) return std::nullopt;
    return DayNumber(date);
}

std::optional<double> SolTimeOfDay(int hour, int minute) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return std::nullopt;
    return (hour * 60 + minute) / 1440.0;
}

std::optional<LogRecord> DecodeLogRecord(const QByteArray& reply, LogRecordError* error) {
    auto fail = [error](LogRecordError e) -> std::optional<LogRecord> {
        if (error) *error = e;
        return std::nullopt;
    };
    if (reply.size() < 24) return fail(LogRecordError::ShortReply);

    int startHour = At(reply, 16);
    int startMinute = At(reply, 17);
    const int endHour = At(reply, 18);
    const int endMinute = At(reply, 19);
    if (startHour == 0 && startMinute == 0) {
        startHour = endHour;
        startMinute = endMinute;
    }
    const std::optional<double> date = SolDate(At(reply, 20), At(reply, 21), At(reply, 22));
    if (!date) return fail(LogRecordError::ImpossibleDate);
    const std::optional<double> start = SolTimeOfDay(startHour, startMinute);
    const std::optional<double> end = SolTimeOfDay(endHour, endMinute);
    if (!start || !end) return fail(LogRecordError::ImpossibleTime);

    LogRecord r;
    r.maxHeight = SignMagnitude(At(reply, 1), At(reply, 2));
    r.minHeight = SignMagnitude(At(reply, 3), At(reply, 4));
    // Tenths are divided in single precision, the precision the fields keep.
    r.maxAscent = static_cast<double>(static_cast<float>(At(reply, 5)) / 10.0f);
    r.maxDescent = static_cast<double>(static_cast<float>(At(reply, 6)) / 10.0f);
    r.minTemp = static_cast<double>(static_cast<float>(SignMagnitude(At(reply, 9), At(reply, 10))) / 10.0f);
    r.aveSpeed = At(reply, 11);
    r.maxTemp = static_cast<double>(static_cast<float>(SignMagnitude(At(reply, 12), At(reply, 13))) / 10.0f);
    r.startHeight = SignMagnitude(At(reply, 14), At(reply, 15));
    r.startTime = *date + *start;
    r.endTime = *date + *end;
    if (r.startTime > r.endTime) r.endTime += 1; // landed after midnight
    if (error) *error = LogRecordError::None;
    return r;
}

int SampleHeight(const QByteArray& reply) {
    if (reply.size() < 2) return 0;
    return SignMagnitude(At(reply, 0), At(reply, 1));
}

std::optional<double> BaroHeaderStart(const QByteArray& header2) {
    if (header2.size() < 6) return std::nullopt;
    const std::optional<double> date = SolDate(At(header2, 3), At(header2, 4), At(header2, 5));
    const std::optional<double> time = SolTimeOfDay(At(header2, 0), At(header2, 1));
    if (!date || !time) return std::nullopt;
    return *date + *time;
}

bool IsFooterStart(const QByteArray& reply, double sampleTime) {
    if (reply.size() < 2) return false;
    const int hour = At(reply, 0);
    const int minute = At(reply, 1);
    if (hour > 23 || minute > 59) return false;
    const int footer = hour * 60 + minute;
    const DayParts clock = SplitDayNumber(sampleTime);
    const int clockMinutes = clock.hour * 60 + clock.minute;
    return clockMinutes - 5 <= footer && footer <= clockMinutes + 5;
}

} // namespace soarnote
