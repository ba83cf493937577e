#pragma once
// The generator's one source of randomness. The draws are made from the raw
// output of std::mt19937, which the language fixes, rather than through the
// standard distributions, whose results differ between libraries: the same
// seed gives the same logbook byte for byte on every toolchain.

#include <cstdint>
#include <random>

namespace demogen {

class DemoRandom {
public:
    explicit DemoRandom(std::uint32_t seed) : engine_(seed) {}

    // A value in [lo, hi). A draw holds 32 bits: exact as a double.
    double Uniform(double lo, double hi) {
        return lo + (hi - lo) * (static_cast<double>(engine_()) / 4294967296.0);
    }
    // A whole number in [lo, hi].
    int Int(int lo, int hi) {
        return lo + static_cast<int>(engine_() % static_cast<std::uint32_t>(hi - lo + 1));
    }
    bool Chance(double probability) { return Uniform(0.0, 1.0) < probability; }
    int Sign() { return Chance(0.5) ? 1 : -1; }

private:
    std::mt19937 engine_;
};

} // namespace demogen
