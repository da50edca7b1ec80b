// The `burst` family: three bursts of 1.5 beats, each a quick run of a, b or
// c fading gestures in its own direction (right, up, or left and forward;
// the order turns from record to record), separated by deliberate rests.
// Late in the phrase a single heavier accent settles down and back.
#include <array>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 8 * beat_pips;
constexpr int burst_pips = 96;
constexpr int burst_starts[] = {0, 144, 288};
constexpr int settle_pip = 7 * beat_pips;

using Subdivisions = std::array<int, 3>;

constexpr Subdivisions records[] = {
    {3, 5, 2}, {4, 3, 6}, {5, 2, 4}, {2, 7, 3}, {3, 4, 5}, {5, 3, 7}, {6, 2, 5}, {4, 7, 2},
    {7, 3, 4}, {2, 5, 6}, {5, 7, 3}, {3, 6, 4}, {4, 5, 7}, {6, 3, 5}, {7, 4, 3}, {5, 6, 2},
};

constexpr Row directions[] = {
    Row{0.267, -0.04, 0.0},
    Row{0.0, 0.24, 0.0},
    Row{-0.279, 0.0, 0.189},
};

constexpr Row settling_accent{0.0, -0.288, -0.072};

Table burst_table(const Subdivisions& subdivisions, int first_direction) {
    std::vector<Pulse> pulses;
    for (int b = 0; b < 3; ++b) {
        const int n = subdivisions[static_cast<std::size_t>(b)];
        const Row& direction = directions[(first_direction + b) % 3];
        const double half_width = 0.5 * grid_pip(1, burst_pips, n);
        for (int j = 0; j < n; ++j) {
            const double level = 1.0 - (0.4 * j) / (n - 1);
            pulses.push_back(Pulse{burst_starts[b] + grid_pip(j, burst_pips, n), half_width,
                                   Row{direction[0] * level, direction[1] * level,
                                       direction[2] * level}});
        }
    }
    pulses.push_back(Pulse{static_cast<double>(settle_pip), 28.0, settling_accent});
    return sum_pulses(period, pulses);
}

constexpr const char* description =
    "Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.";

}  // namespace

void add_burst_tables(TableSet& set) {
    int index = 0;
    for (const Subdivisions& subdivisions : records) {
        std::string name = "burst";
        for (const int n : subdivisions) {
            name += '_';
            name += std::to_string(n);
        }
        set.add(name, description, burst_table(subdivisions, index % 3));
        ++index;
    }
}

}  // namespace kinemorphs::generator
