#pragma once
// The shared body of the track file fuzzers: a reader fed random bytes whole
// and in chunks whose sizes the input's first byte chooses must read the same
// fixes and the same problem, and every fix must hold a position and time a
// file can state.

#include "formats/trackfix.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzztrack {

struct Outcome {
    std::vector<soarnote::TrackFix> fixes;
    soarnote::TrackFileProblem problem;
    qint64 problemLine;
    qint64 skipped;
};

template <typename Reader> Outcome Read(QByteArrayView bytes, qsizetype step) {
    Reader reader;
    Outcome o;
    for (qsizetype i = 0; i < bytes.size(); i += step) {
        reader.Feed(bytes.sliced(i, std::min(step, bytes.size() - i)));
        for (auto& fix : reader.TakeFixes())
            o.fixes.push_back(fix);
    }
    reader.Finish();
    for (auto& fix : reader.TakeFixes())
        o.fixes.push_back(fix);
    o.problem = reader.Problem();
    o.problemLine = reader.ProblemLine();
    o.skipped = reader.SkippedFixes();
    return o;
}

inline bool Same(const std::optional<double>& a, const std::optional<double>& b) {
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

template <typename Reader> int Check(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const qsizetype step = 1 + data[0] % 23;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    const Outcome whole = Read<Reader>(bytes, bytes.size() + 1);
    const Outcome chunked = Read<Reader>(bytes, step);
    // A file with a problem is refused whole, whatever the chunks. Which
    // problem and line, and how many fixes came before it, may differ: the
    // XML reader looks ahead further when it has more bytes.
    // (A file without a fix is refused by the import too.)
    const auto refused = [](const Outcome& o) {
        return o.problem != soarnote::TrackFileProblem::None || o.fixes.empty();
    };
    const bool wholeRefused = refused(whole);
    if (wholeRefused != refused(chunked)) __builtin_trap();
    if (wholeRefused) return 0;
    if (whole.fixes.size() != chunked.fixes.size() || whole.skipped != chunked.skipped) __builtin_trap();
    for (std::size_t i = 0; i < whole.fixes.size(); ++i) {
        const soarnote::TrackFix& a = whole.fixes[i];
        const soarnote::TrackFix& b = chunked.fixes[i];
        if (a.time != b.time || a.lat != b.lat || a.lng != b.lng || !Same(a.gnssHeight, b.gnssHeight) ||
            !Same(a.pressureHeight, b.pressureHeight) || a.line != b.line)
            __builtin_trap();
        if (!(std::fabs(a.lat) <= 90) || !(std::fabs(a.lng) <= 180) || !std::isfinite(a.time))
            __builtin_trap();
    }
    return 0;
}

} // namespace fuzztrack
