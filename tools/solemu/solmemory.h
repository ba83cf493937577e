#pragma once
// What a Sol variometer holds: 101 log records of 24 bytes (numbers 0 to 100,
// the newest flight in slot 0, unused records all zeros) and its barograph
// traces, with the byte encodings the instrument sends them in.

#include <QByteArray>
#include <QDate>
#include <array>
#include <vector>

namespace solemu {

inline constexpr int kLogSlots = 101;

// A byte pair in sign and magnitude (high byte first).
QByteArray EncodeSignMagnitude(int value);

struct SolFlight {
    QDate date;
    int startHour = 0, startMinute = 0; // 0:00 when the instrument missed the take-off
    int endHour = 0, endMinute = 0;
    int maxHeight = 0, minHeight = 0, startHeight = 0;
    int maxAscentTenths = 0, maxDescentTenths = 0;
    int minTempTenths = 0, maxTempTenths = 0;
    int aveSpeed = 0;
};
QByteArray EncodeLogRecord(const SolFlight& flight);

struct SolTrace {
    QDate date;
    int startHour = 12, startMinute = 0;
    int intervalSeconds = 10;
    std::vector<int> heights;
    // The footer's time; by default the end of the trace (start + samples * interval).
    int footerHour = -1, footerMinute = -1;
};

// One block of the barograph stream: its marker (213, or 234 for the last)
// and its data bytes.
struct StreamBlock {
    quint8 marker = 213;
    QByteArray data;
    QByteArray MarkerBytes() const;
};
// The stream of a trace: a header block (8 bytes), blocks of samples, the
// last of them ending with the 6-byte footer.
std::vector<StreamBlock> TraceBlocks(const SolTrace& trace, int samplesPerBlock = 64);

struct SolMemory {
    std::array<QByteArray, kLogSlots> records;
    std::vector<SolTrace> traces; // trace number n is traces[n - 1]
    SolMemory();
};

struct DemoOptions {
    int flights = 5;
    int traces = 3;
    int samplesPerTrace = 300;
    int intervalSeconds = 10;
    QDate lastDate = QDate(2024, 6, 5);
};
// A season of flights, newest first, the first `traces` of them with their
// barograph trace (trace n belongs to the flight of slot n - 1).
SolMemory MakeDemoMemory(const DemoOptions& options);
// The flight of a demo trace as its log record describes it.
SolFlight FlightOfTrace(const SolTrace& trace, int slot);
SolTrace DemoTrace(int slot, const DemoOptions& options);

} // namespace solemu
