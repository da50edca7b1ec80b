// The `env` family: eight-beat envelopes drawn vertically. The envelope
// amount lifts the mover toward -y (up, as everywhere in the catalogue);
// anticipations, recoils and overshoots dip below the rest line, to +y. Every envelope starts and ends at rest, and every key is a
// resting point, so each move eases out of one level and into the next.
#include <string>
#include <utility>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 512;

// y through resting keys given as (pip, level); x stays 0.0.
Table envelope(const std::vector<std::pair<double, double>>& keys) {
    std::vector<LaneKey> lane_keys;
    for (const auto& [pip, level] : keys) {
        lane_keys.push_back({pip, level, Passage::resting});
    }
    const std::vector<double> y = keyed_lane(period, lane_keys);
    return make_table(period, [&](int k) { return Row{0.0, y[static_cast<std::size_t>(k)], 0.0}; });
}

}  // namespace

void add_env_tables(TableSet& set) {
    set.add("env_lift_hold_drop",
            "Lift, hold, settle over an eight-beat phrase; smooth, resting joins.",
            
            envelope({{0, 0}, {24, 0}, {96, -0.78}, {280, -0.78}, {372, 0.06}, {430, 0}}));
    set.add("env_inhale_exhale",
            "Long inhale, short exhale over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {16, 0}, {352, -0.8}, {440, 0}}));
    set.add("env_triple_swell",
            "Three unequal swells over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {16, 0}, {96, -0.55}, {160, -0.12}, {256, -standard_reach},
                                          {336, -0.2}, {400, -0.42}, {470, 0}}));
    set.add("env_rising_echo",
            "Rising echo ladder over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {20, 0}, {56, -0.28}, {100, -0.06}, {136, -0.45},
                                         {180, -0.12}, {216, -0.6}, {260, -0.18}, {300, -0.76},
                                         {380, 0}}));
    set.add("env_falling_echo",
            "Falling echo ladder over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {16, 0}, {60, -0.78}, {120, -0.2}, {160, -0.56},
                                          {212, -0.14}, {248, -0.38}, {296, -0.08}, {330, -0.22},
                                          {380, 0}}));
    set.add("env_anticipation",
            "Backward anticipation over an eight-beat phrase; smooth, resting joins.",
            
            envelope({{0, 0}, {24, 0}, {96, 0.5}, {168, -0.74}, {300, -0.5}, {400, 0}}));
    set.add("env_plateau_scoop",
            "Plateau then scoop over an eight-beat phrase; smooth, resting joins.",
            
            envelope({{0, 0}, {16, 0}, {72, -0.6}, {240, -0.6}, {310, -0.79}, {400, 0.2}, {460, 0}}));
    set.add("env_hesitant",
            "Hesitant reach over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {24, 0}, {72, -0.35}, {104, -0.3}, {136, -0.42},
                                      {168, -0.36}, {240, -0.76}, {300, -0.7}, {400, 0}}));
    set.add("env_double_hold",
            "Two-height hold over an eight-beat phrase; smooth, resting joins.",
            
            envelope({{0, 0}, {20, 0}, {72, -0.45}, {184, -0.45}, {232, -0.8}, {344, -0.8}, {420, 0}}));
    set.add("env_swell_recoil",
            "Deep swell and recoil over an eight-beat phrase; smooth, resting joins.",
            
            envelope({{0, 0}, {16, 0}, {200, -standard_reach}, {280, 0.32}, {340, -0.08}, {390, 0}}));
    set.add("env_late_release",
            "Late release over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {16, 0}, {56, -0.74}, {400, -0.68}, {476, 0}}));
    set.add("env_split_attack",
            "Split attack over an eight-beat phrase; smooth, resting joins.",
            
            envelope({{0, 0}, {16, 0}, {40, -0.4}, {72, -0.36}, {100, -0.78}, {300, -0.25}, {420, 0}}));
    set.add("env_suspended",
            "Suspended answer over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {24, 0}, {96, -0.7}, {160, -0.7}, {220, -0.22},
                                       {330, -0.22}, {380, 0.3}, {440, 0}}));
    set.add("env_valley_peaks",
            "Valley between peaks over an eight-beat phrase; smooth, resting joins.",
            
            envelope({{0, 0}, {16, 0}, {100, -0.77}, {200, -0.3}, {300, -0.72}, {400, 0}}));
    set.add("env_four_breaths",
            "Four breathing accents over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {16, 0}, {56, -0.72}, {110, 0}, {150, -0.58},
                                          {210, 0}, {250, -0.66}, {310, 0}, {350, -0.5}, {420, 0}}));
    set.add("env_return_stair",
            "Stepped soft recovery over an eight-beat phrase; smooth, resting joins.",
            envelope({{0, 0}, {16, 0}, {56, -0.8}, {120, -0.8}, {144, -0.6},
                                          {200, -0.6}, {224, -0.4}, {280, -0.4}, {304, -0.2},
                                          {360, -0.2}, {384, 0}}));
}

}  // namespace kinemorphs::generator
