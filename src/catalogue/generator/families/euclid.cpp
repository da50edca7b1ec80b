// The `euclid` family: K onsets spread as evenly as the grid allows over N
// eighth-note steps, alternating sides; the first onset is the accent.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/stroke_tools.hpp"

namespace kinemorphs::generator {
namespace {

struct Spread {
    int onsets;
    int steps;
};

constexpr Spread spreads[] = {
    {2, 5},  {3, 7},  {3, 10}, {4, 9},  {4, 11}, {5, 9},  {5, 11}, {5, 13},
    {5, 14}, {6, 13}, {7, 12}, {7, 15}, {7, 17}, {8, 19}, {9, 20}, {11, 24},
};

constexpr int step_pips = eighth_pips;

Table euclid_table(Spread spread) {
    std::vector<Pulse> pulses;
    for (int j = 0; j < spread.onsets; ++j) {
        // Onset j falls on step ceil(j*N/K), in exact integer arithmetic.
        const int step = (j * spread.steps + spread.onsets - 1) / spread.onsets;
        const double level = j == 0 ? 1.0 : 0.75;
        pulses.push_back(stroke(step_pips * step, 24.0, alternating_hand(j), level, 0.75, 0.32));
    }
    return sum_pulses(step_pips * spread.steps, pulses);
}

constexpr const char* description =
    "Evenly distributed accents with alternating sides; first onset is the phrase accent.";

}  // namespace

void add_euclid_tables(TableSet& set) {
    for (const Spread spread : spreads) {
        set.add("euclid_" + std::to_string(spread.onsets) + "_" + std::to_string(spread.steps),
                description, euclid_table(spread));
    }
}

}  // namespace kinemorphs::generator
