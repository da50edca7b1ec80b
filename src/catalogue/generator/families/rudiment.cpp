// The `rudiment` family: sticking studies on triplet eighths. Right-hand
// strokes lean x positive and left-hand strokes negative; every stroke dips y.
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/shape_tools.hpp"
#include "catalogue/generator/stroke_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = bar_pips;
constexpr double triplet_eighth = period / 12.0;
constexpr double stroke_half_width = 28.0 / 3.0;

// Twelve strokes, one per triplet eighth; `sticking` holds one R/L letter per
// stroke (a blank between the halves is skipped).
Table sticking_study(std::string_view sticking, const std::vector<int>& accents) {
    std::vector<Pulse> strokes;
    int i = 0;
    for (const char letter : sticking) {
        if (letter == ' ') {
            continue;
        }
        double level = 0.6;
        for (const int accent : accents) {
            if (accent == i) {
                level = 1.0;
            }
        }
        strokes.push_back(stroke(i * triplet_eighth, stroke_half_width, read_sticking(letter).hand,
                                 level, standard_reach, 0.42));
        ++i;
    }
    return sum_pulses(period, strokes);
}

// Four groups of three triplet eighths, leads alternating R, L, R, L. Each
// accented lead is preceded by a soft grace stroke of the other hand, set
// well ahead of it so the flam reads as two separate motions.
Table flam_accent() {
    constexpr double grace_lead = 9.0;
    constexpr double grace_half_width = 5.0;
    constexpr double drop = 0.426;
    std::vector<Pulse> strokes;
    for (int group = 0; group < 4; ++group) {
        const double lead = alternating_hand(group);
        const double start = (3 * group) * triplet_eighth;
        strokes.push_back(stroke(start - grace_lead, grace_half_width, -lead, 0.4, standard_reach, drop));
        strokes.push_back(stroke(start, stroke_half_width, lead, 1.0, standard_reach, drop));
        strokes.push_back(stroke(start + triplet_eighth, stroke_half_width, -lead, 0.6, standard_reach, drop));
        strokes.push_back(stroke(start + 2.0 * triplet_eighth, stroke_half_width, lead, 0.6, standard_reach, drop));
    }
    return sum_pulses(period, strokes);
}

// A study of one sticking, described by that sticking.
void add_sticking_study(TableSet& set, const std::string& name, std::string_view sticking,
                        const std::vector<int>& accents) {
    set.add(name,
            "Visual sticking study " + std::string(sticking) +
                "; equal triplet spacing over four beats. This is a movement interpretation, "
                "not a complete drum-performance notation.",
            sticking_study(sticking, accents), true);
}

}  // namespace

void add_rudiment_tables(TableSet& set) {
    add_sticking_study(set, "rudiment_double_paradiddle", "RLRLRR LRLRLL", {0, 6});
    add_sticking_study(set, "rudiment_paradiddle_diddle", "RLRRLL LRLLRR", {0, 6});
    add_sticking_study(set, "rudiment_six_stroke", "RLLRRL LRRLLR", {0, 5, 6, 11});
    set.add("rudiment_flam_accent",
            "Opposite-hand grace gestures lead accented groups of three; deliberately expanded for visible motion.",
            flam_accent());
}

}  // namespace kinemorphs::generator
