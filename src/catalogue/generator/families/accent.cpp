// The `accent` family: four bars of N evenly spaced pulses. Two pulses per
// bar carry the accents of a motif (a strong one to the right, pushing into
// depth, and a lighter one to the left); from bar to bar the motif moves M
// pulses later, wrapping within the bar, while the pulse grid stays fixed.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int bars = 4;

struct Walk {
    int pulses;  // per bar
    int step;    // pulses the motif moves per bar
};

constexpr Walk records[] = {
    {5, 1}, {5, 2}, {7, 1}, {7, 2}, {7, 3}, {8, 1}, {8, 3}, {9, 1},
    {9, 2}, {9, 4}, {10, 3}, {11, 2}, {11, 3}, {12, 5}, {13, 3}, {13, 5},
};

// Sparser grids carry stronger accents: the reach falls linearly from 0.31395
// at five pulses a bar to 0.25615 at thirteen.
double accent_reach(int pulses) {
    return 0.31395 - ((pulses - 5) * 0.0578) / 8.0;
}

Table walk_table(Walk walk) {
    const double reach = accent_reach(walk.pulses);
    const double level = reach / 0.31395;
    const Row strong{reach, -0.118 * level, 0.154 * level};
    const Row light{-0.816 * reach, 0.01 * level, 0.07 * level};
    const Row pulse{0.0, -0.045, 0.035};
    const int gap = walk.pulses / 2;  // pulses between the motif's two accents
    const double half_width = 0.5 * grid_pip(1, bar_pips, walk.pulses);
    std::vector<Pulse> pulses;
    for (int bar = 0; bar < bars; ++bar) {
        const int first = (bar * walk.step) % walk.pulses;
        const int second = (first + gap) % walk.pulses;
        for (int i = 0; i < walk.pulses; ++i) {
            const Row& vector = i == first ? strong : (i == second ? light : pulse);
            pulses.push_back(
                Pulse{bar * bar_pips + grid_pip(i, bar_pips, walk.pulses), half_width, vector});
        }
    }
    return sum_pulses(bars * bar_pips, pulses);
}

constexpr const char* description =
    "A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.";

}  // namespace

void add_accent_tables(TableSet& set) {
    for (const Walk walk : records) {
        std::string name = "accent_walk_";
        name += std::to_string(walk.pulses);
        name += '_';
        name += std::to_string(walk.step);
        set.add(name, description, walk_table(walk));
    }
}

}  // namespace kinemorphs::generator
