#include "solmemory.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace solemu {

QByteArray EncodeSignMagnitude(int value) {
    const int magnitude = std::min(std::abs(value), 32767);
    QByteArray bytes;
    bytes.append(static_cast<char>((magnitude >> 8) | (value < 0 ? 0x80 : 0)));
    bytes.append(static_cast<char>(magnitude & 0xFF));
    return bytes;
}

QByteArray EncodeLogRecord(const SolFlight& f) {
    QByteArray r(24, '\0');
    auto put = [&r](int at, const QByteArray& pair) {
        r[at] = pair[0];
        r[at + 1] = pair[1];
    };
    put(1, EncodeSignMagnitude(f.maxHeight));
    put(3, EncodeSignMagnitude(f.minHeight));
    r[5] = static_cast<char>(f.maxAscentTenths);
    r[6] = static_cast<char>(f.maxDescentTenths);
    put(9, EncodeSignMagnitude(f.minTempTenths));
    r[11] = static_cast<char>(f.aveSpeed);
    put(12, EncodeSignMagnitude(f.maxTempTenths));
    put(14, EncodeSignMagnitude(f.startHeight));
    r[16] = static_cast<char>(f.startHour);
    r[17] = static_cast<char>(f.startMinute);
    r[18] = static_cast<char>(f.endHour);
    r[19] = static_cast<char>(f.endMinute);
    if (f.date.isValid()) {
        r[20] = static_cast<char>(f.date.day());
        r[21] = static_cast<char>(f.date.month());
        r[22] = static_cast<char>(f.date.year() % 100);
    }
    return r;
}

QByteArray StreamBlock::MarkerBytes() const {
    QByteArray bytes;
    bytes.append(static_cast<char>(marker));
    bytes.append(static_cast<char>(data.size()));
    return bytes;
}

std::vector<StreamBlock> TraceBlocks(const SolTrace& trace, int samplesPerBlock) {
    std::vector<StreamBlock> blocks;
    StreamBlock header;
    header.data.append('\0');
    header.data.append(static_cast<char>(trace.intervalSeconds));
    header.data.append(static_cast<char>(trace.startHour));
    header.data.append(static_cast<char>(trace.startMinute));
    header.data.append('\0');
    header.data.append(static_cast<char>(trace.date.day()));
    header.data.append(static_cast<char>(trace.date.month()));
    header.data.append(static_cast<char>(trace.date.year() % 100));
    blocks.push_back(header);

    const int perBlock = std::clamp(samplesPerBlock, 1, 124);
    const std::size_t count = trace.heights.size();
    for (std::size_t i = 0; i < count || blocks.size() == 1; i += perBlock) {
        StreamBlock block;
        for (std::size_t j = i; j < std::min(count, i + perBlock); ++j)
            block.data += EncodeSignMagnitude(trace.heights[j]);
        blocks.push_back(block);
        if (count == 0) break;
    }
    int footerHour = trace.footerHour;
    int footerMinute = trace.footerMinute;
    if (footerHour < 0) {
        const qint64 endSeconds = (trace.startHour * 60 + trace.startMinute) * 60LL +
                                  static_cast<qint64>(count) * trace.intervalSeconds;
        footerHour = static_cast<int>(endSeconds / 3600 % 24);
        footerMinute = static_cast<int>(endSeconds / 60 % 60);
    }
    StreamBlock& last = blocks.back();
    last.marker = 234;
    last.data.append(static_cast<char>(footerHour));
    last.data.append(static_cast<char>(footerMinute));
    last.data.append(QByteArray(4, '\0'));
    return blocks;
}

SolMemory::SolMemory() {
    for (QByteArray& record : records)
        record = QByteArray(24, '\0');
}

SolTrace DemoTrace(int slot, const DemoOptions& options) {
    SolTrace t;
    t.date = options.lastDate.addDays(-slot);
    t.startHour = 11 + slot % 5;
    t.startMinute = (slot * 7) % 60;
    t.intervalSeconds = options.intervalSeconds;
    const int n = options.samplesPerTrace;
    const int launch = 350 + 10 * (slot % 20);
    const int top = 1400 + 40 * (slot % 25); // below 2560 m: no height reads as a footer time
    const int landing = 180 + 5 * (slot % 10);
    for (int i = 0; i < n; ++i) {
        const double x = n > 1 ? double(i) / (n - 1) : 0.0;
        double h;
        if (x < 0.4)
            h = launch + (top - launch) * std::sin(x / 0.4 * M_PI / 2);
        else
            h = top - (top - landing) * (x - 0.4) / 0.6;
        h += 15 * std::sin(i * 0.7); // thermals
        t.heights.push_back(static_cast<int>(std::lround(h)));
    }
    return t;
}

SolFlight FlightOfTrace(const SolTrace& trace, int slot) {
    SolFlight f;
    f.date = trace.date;
    f.startHour = trace.startHour;
    f.startMinute = trace.startMinute;
    const qint64 endSeconds = (trace.startHour * 60 + trace.startMinute) * 60LL +
                              static_cast<qint64>(trace.heights.size()) * trace.intervalSeconds;
    f.endHour = static_cast<int>(endSeconds / 3600 % 24);
    f.endMinute = static_cast<int>(endSeconds / 60 % 60);
    if (!trace.heights.empty()) {
        f.maxHeight = *std::max_element(trace.heights.begin(), trace.heights.end());
        f.minHeight = *std::min_element(trace.heights.begin(), trace.heights.end());
        f.startHeight = trace.heights.front();
    }
    f.maxAscentTenths = 25 + slot % 20;
    f.maxDescentTenths = 30 + slot % 15;
    f.minTempTenths = -25 + slot % 30;
    f.maxTempTenths = 180 + slot % 40;
    f.aveSpeed = 28 + slot % 12;
    return f;
}

SolMemory MakeDemoMemory(const DemoOptions& options) {
    SolMemory memory;
    const int flights = std::clamp(options.flights, 0, kLogSlots);
    for (int slot = 0; slot < flights; ++slot) {
        DemoOptions o = options;
        if (slot >= options.traces) o.samplesPerTrace = 360; // an hour's flight without a stored trace
        const SolTrace trace = DemoTrace(slot, o);
        memory.records[slot] = EncodeLogRecord(FlightOfTrace(trace, slot));
        if (slot < options.traces) memory.traces.push_back(trace);
    }
    return memory;
}

} // namespace solemu
