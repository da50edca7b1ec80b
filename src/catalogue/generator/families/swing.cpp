// The `swing` family: eight-beat scores of alternating onbeats with offbeats
// placed at the fraction A/B of each beat. `push` adds a depth flick on every
// offbeat, `skip` does too but drops the onbeats of beats 2 and 6, `answer`
// replies sideways only in the second half, and `shuffle` replies sideways on
// every beat with a ghost before the offbeat of beats 3 and 7.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/stroke_tools.hpp"

namespace kinemorphs::generator {
namespace {

enum class SwingKind { push, answer, skip, shuffle };

Pulse depth_offbeat(double centre) {
    return Pulse{centre, 8.0, Row{0.075, -0.15, 0.09}};
}

Pulse lateral_offbeat(double centre, double hand) {
    return Pulse{centre, 12.8, Row{-hand * 0.325, -0.12, 0.0}};
}

// A quieter copy of the depth offbeat, halfway to the offbeat.
Pulse ghost(double centre) {
    return Pulse{centre, 6.4, Row{0.075 * 0.7, -0.15 * 0.7, 0.09 * 0.7}};
}

Table swing_table(SwingKind kind, int numerator, int denominator) {
    std::vector<Pulse> pulses;
    for (int beat = 0; beat < 8; ++beat) {
        const double onbeat = beat_pips * beat;
        const double hand = alternating_hand(beat);
        const bool skipped = kind == SwingKind::skip && (beat == 2 || beat == 6);
        if (!skipped) {
            const double level = beat == 0 || beat == 4 ? 0.9 : 0.65;
            pulses.push_back(stroke(onbeat, 12.8, hand, level, 0.65, 0.24));
        }
        if (kind == SwingKind::shuffle && (beat == 3 || beat == 7)) {
            pulses.push_back(ghost(onbeat + (static_cast<double>(eighth_pips) * numerator) / denominator));
        }
        const double offbeat = onbeat + (static_cast<double>(beat_pips) * numerator) / denominator;
        if (kind == SwingKind::push || kind == SwingKind::skip) {
            pulses.push_back(depth_offbeat(offbeat));
        } else if (kind == SwingKind::shuffle || beat >= 4) {
            pulses.push_back(lateral_offbeat(offbeat, hand));
        }
    }
    return sum_pulses(512, pulses);
}

struct KindName {
    SwingKind kind;
    const char* name;
};

constexpr KindName swing_kinds[] = {
    {SwingKind::push, "push"},
    {SwingKind::answer, "answer"},
    {SwingKind::skip, "skip"},
    {SwingKind::shuffle, "shuffle"},
};

struct Fraction {
    int numerator;
    int denominator;
};

constexpr Fraction offbeat_fractions[] = {{3, 5}, {2, 3}, {5, 7}, {3, 4}};

}  // namespace

void add_swing_tables(TableSet& set) {
    for (const Fraction fraction : offbeat_fractions) {
        for (const KindName& kind : swing_kinds) {
            const std::string numerator = std::to_string(fraction.numerator);
            const std::string denominator = std::to_string(fraction.denominator);
            set.add("swing_" + std::string(kind.name) + "_" + numerator + "_" + denominator,
                    "Eight-beat " + std::string(kind.name) + " score with offbeats at " +
                        numerator + "/" + denominator + " of each beat; peaks follow the score.",
                    swing_table(kind.kind, fraction.numerator, fraction.denominator));
        }
    }
}

}  // namespace kinemorphs::generator
