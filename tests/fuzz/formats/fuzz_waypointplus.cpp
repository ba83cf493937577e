// The Waypoint+ reader fed random bytes, whole and in chunks whose sizes the
// input's first byte chooses: both must read the same points and the same
// problem, and every point must hold a position and time a file can state.

#include "gps/waypointplusreader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace soarnote;

namespace {

struct Outcome {
    std::vector<WaypointPlusReader::Item> points;
    WaypointPlusProblem problem;
    qint64 problemLine;
    qint64 lines;
};

Outcome Read(QByteArrayView bytes, std::size_t step) {
    WaypointPlusReader reader;
    Outcome o;
    for (qsizetype i = 0; i < bytes.size(); i += static_cast<qsizetype>(step)) {
        reader.Feed(bytes.sliced(i, std::min<qsizetype>(static_cast<qsizetype>(step), bytes.size() - i)));
        for (auto& item : reader.TakePoints())
            o.points.push_back(item);
    }
    reader.Finish();
    for (auto& item : reader.TakePoints())
        o.points.push_back(item);
    o.problem = reader.Problem();
    o.problemLine = reader.ProblemLine();
    o.lines = reader.Lines();
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t step = 1 + data[0] % 17;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    const Outcome whole = Read(bytes, static_cast<std::size_t>(bytes.size()) + 1);
    const Outcome chunked = Read(bytes, step);
    if (whole.points.size() != chunked.points.size() || whole.problem != chunked.problem ||
        whole.problemLine != chunked.problemLine || whole.lines != chunked.lines)
        __builtin_trap();
    for (std::size_t i = 0; i < whole.points.size(); ++i) {
        const WaypointPlusPoint& a = whole.points[i].point;
        const WaypointPlusPoint& b = chunked.points[i].point;
        if (a.time != b.time || a.lat != b.lat || a.lng != b.lng || a.newTrack != b.newTrack ||
            whole.points[i].line != chunked.points[i].line)
            __builtin_trap();
        if (!(std::fabs(a.lat) <= 90) || !(std::fabs(a.lng) <= 180) || !std::isfinite(a.time))
            __builtin_trap();
    }
    return 0;
}
