// The `groove` family: two bars of a funk drum excerpt drawn as movement,
// once as played (each hit a few pips off the grid) and once with the same
// hits quantised to sixteenths. Every hit is a smooth pulse whose direction
// says which drum it is and whose size is its velocity:
//   kick         pushes x forward and sinks a little,
//   snare        lifts y and draws x back slightly,
//   ghost snare  draws x back and down a little,
//   hi-hat       dips y and leans forward.
// Excerpt A is the louder passage (its downbeat kick is the loudest hit of
// the family, velocity 1); excerpt B is a softer passage.
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 512;  // two bars of four beats
// Narrower than the closest pair of played hits (eleven pips apart), so no hit
// disturbs another's peak.
constexpr double hit_half_width = 7.0;

enum class Drum { kick, snare, ghost, hat };

struct Hit {
    int sixteenth;  // 0 ... 31 over the two bars
    Drum drum;
    double velocity;
    int played_offset;  // pips early (-) or late (+) against the grid
};

Row drum_vector(Drum drum) {
    switch (drum) {
    case Drum::kick:
        return {1.0, -0.18, 0.0};
    case Drum::snare:
        return {-0.12, 0.486, 0.0};
    case Drum::ghost:
        return {-0.307, -0.22, 0.0};
    case Drum::hat:
        return {0.26, -0.429, 0.0};
    }
    return {0.0, 0.0, 0.0};
}

Table groove_table(const std::vector<Hit>& hits, bool played) {
    std::vector<Pulse> pulses;
    for (const Hit& hit : hits) {
        const Row unit = drum_vector(hit.drum);
        const int centre = hit.sixteenth * sixteenth_pips + (played ? hit.played_offset : 0);
        pulses.push_back({static_cast<double>(centre), hit_half_width,
                          {unit[0] * hit.velocity, unit[1] * hit.velocity, 0.0}});
    }
    return sum_pulses(period, pulses);
}

using enum Drum;

// Kicks sit just behind the beat, backbeat snares later still, ghosts drift
// either way.
const std::vector<Hit> excerpt_a = {
    {0, kick, 1.0, 1},    {2, hat, 0.7, -1},    {3, kick, 0.75, 2},  {4, snare, 1.0, 2},
    {6, ghost, 0.6, -1},  {7, kick, 0.7, 1},    {9, ghost, 0.75, -2}, {10, kick, 0.85, 0},
    {12, snare, 0.95, 3}, {14, hat, 1.0, -1},   {15, ghost, 0.55, 2}, {16, kick, 0.95, 1},
    {18, ghost, 0.7, 0},  {19, kick, 0.7, 2},   {20, snare, 0.98, 2}, {22, hat, 0.65, -1},
    {23, ghost, 1.0, 1},  {25, kick, 0.8, -1},  {26, kick, 0.6, 1},   {28, snare, 0.92, 3},
    {30, ghost, 0.65, -2}, {31, hat, 0.6, 0},
};

const std::vector<Hit> excerpt_b = {
    {0, kick, 0.6488, -1}, {3, ghost, 0.3, 1},   {4, snare, 0.62, 1},  {5, ghost, 0.25, -1},
    {7, kick, 0.5, 2},     {8, hat, 0.45, 0},    {10, kick, 0.55, -1}, {12, snare, 0.6, 2},
    {13, ghost, 0.3, 0},   {14, kick, 0.45, 1},  {16, kick, 0.63, -1}, {18, hat, 0.5, 1},
    {20, snare, 0.64, 2},  {21, ghost, 0.35, -1}, {23, kick, 0.5, 1},  {24, hat, 0.4, 0},
    {26, kick, 0.55, 1},   {28, snare, 0.61, 3}, {29, ghost, 0.28, -2}, {30, hat, 0.5, 1},
};

}  // namespace

void add_groove_tables(TableSet& set) {
    set.add("groove_a_played",
            "Two-bar funk excerpt A (4–12 source beats), performed microtiming.",
            groove_table(excerpt_a, true));
    set.add("groove_a_grid",
            "Two-bar funk excerpt A (4–12 source beats), same hits quantised to sixteenths.",
            groove_table(excerpt_a, false));
    set.add("groove_b_played",
            "Two-bar funk excerpt B (36–44 source beats), performed microtiming.",
            groove_table(excerpt_b, true));
    set.add("groove_b_grid",
            "Two-bar funk excerpt B (36–44 source beats), same hits quantised to sixteenths.",
            groove_table(excerpt_b, false));
}

}  // namespace kinemorphs::generator
