// The `seq` family: programmed position sequences over eight beats. x holds
// each step's level and glides to the next one at the end of the step; y
// arcs up while x moves right and down while it moves left, so every
// transition is visible as a small hop. The `even` tables give all steps the
// same length; the `lilt` tables alternate long and short steps (5:3).
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 512;
constexpr double step_reach = standard_reach;  // x of a level of magnitude 1
constexpr double hop_height = 0.287;
constexpr double glide_pips = 20.0;

// Step levels in units of step_reach; the largest magnitude is 1.
Table sequence(const std::vector<double>& levels, bool lilt) {
    const std::size_t count = levels.size();
    const double even = static_cast<double>(period) / static_cast<double>(count);
    std::vector<LaneKey> keys;
    std::vector<Pulse> hops;
    double start = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double length = lilt ? (i % 2 == 0 ? even * 1.25 : even * 0.75) : even;
        const double end = start + length;
        const double level = levels[i];
        const double next = levels[(i + 1) % count];
        keys.push_back({start, level * step_reach, Passage::resting});
        keys.push_back({end - glide_pips, level * step_reach, Passage::resting});
        if (next != level) {
            const double direction = next > level ? 1.0 : -1.0;
            hops.push_back({end - glide_pips / 2.0, glide_pips / 2.0, {0.0, direction * hop_height, 0.0}});
        }
        start = end;
    }
    const std::vector<double> x = keyed_lane(period, keys);
    const Table y = sum_pulses(period, hops);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        return Row{x[i], y[i][1], 0.0};
    });
}

constexpr const char* even_description =
    "A programmed position sequence with even segment durations and softened transitions.";
constexpr const char* lilt_description =
    "A programmed position sequence with lilt segment durations and softened transitions.";

void add_pair(TableSet& set, const std::string& name, const std::vector<double>& levels) {
    set.add("seq_" + name + "_even", even_description, sequence(levels, false));
    set.add("seq_" + name + "_lilt", lilt_description, sequence(levels, true));
}

}  // namespace

void add_seq_tables(TableSet& set) {
    add_pair(set, "up_down", {0.0, 0.5, 1.0, 0.5, 0.0, -0.5, -1.0, -0.5});
    add_pair(set, "pendulum", {1.0, -1.0, 0.85, -0.85, 1.0, -1.0, 0.7, -0.7});
    add_pair(set, "octave", {0.0, 1.0, 0.0, 1.0, -0.5, 0.5, -0.5, 0.5});
    add_pair(set, "unequal", {0.2, 1.0, -0.3, -1.0, 0.6, -0.1, 0.45, -0.6});
    // The question climbs and stops high, unresolved; the answer takes up
    // that height and falls home by its own route, dipping below home before
    // settling (not the question played backwards).
    add_pair(set, "question", {0.0, 0.25, -0.25, 0.5, 0.25, 0.75, 0.5, 1.0});
    add_pair(set, "answer", {1.0, 0.75, 0.25, 0.5, 0.0, -0.5, -0.25, 0.0});
    // Small clicks up, then a release back down.
    add_pair(set, "ratchet", {-1.0, -0.6, -0.2, 0.2, 0.6, 1.0, 0.4, -0.4});
    add_pair(set, "stairs", {0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0, 2.0 / 3.0, 1.0 / 3.0, 0.0, -1.0 / 3.0});
}

}  // namespace kinemorphs::generator
