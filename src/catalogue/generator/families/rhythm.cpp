// The `rhythm` family: short rhythmic studies, each gesture a smooth bump
// that peaks exactly on its onset. Onsets off the pip grid (triplets,
// quintuplets, septuplets) are placed at their exact rational positions.
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"
#include "catalogue/generator/stroke_tools.hpp"

namespace kinemorphs::generator {
namespace {


// K onsets spread over an N-step grid filling one four-beat bar; sides
// alternate and the first onset carries the accent.
Table euclid_bar(int onsets, int steps, double accent, double level, double half_width) {
    std::vector<Pulse> pulses;
    for (int j = 0; j < onsets; ++j) {
        const double centre = grid_pip(euclidean_step(j, onsets, steps), bar_pips, steps);
        const double reach = j == 0 ? accent : level;
        pulses.push_back(
            Pulse{centre, half_width, Row{alternating_hand(j) * reach, 0.32 * reach, 0.0}});
    }
    return sum_pulses(bar_pips, pulses);
}

// A sixteenth-note Euclidean bar played on the right, then repeated on the
// left: eight beats.
Table euclid_two_sides(int onsets, double accent, double level) {
    std::vector<Pulse> pulses;
    for (int bar = 0; bar < 2; ++bar) {
        const double side = alternating_hand(bar);
        for (int j = 0; j < onsets; ++j) {
            const double centre = bar * bar_pips + sixteenth_pips * euclidean_step(j, onsets, 16);
            const double reach = j == 0 ? accent : level;
            pulses.push_back(Pulse{centre, 14.0, Row{side * reach, 0.3 * reach, 0.0}});
        }
    }
    return sum_pulses(2 * bar_pips, pulses);
}

// Three horizontal gestures (a half-bar triplet) against two vertical ones,
// meeting on the downbeat.
Table three_two() {
    return sum_pulses(bar_pips, {
                                    Pulse{grid_pip(0, bar_pips, 3), 36.0, Row{0.7, 0.0, 0.0}},
                                    Pulse{grid_pip(1, bar_pips, 3), 36.0, Row{-0.7, 0.0, 0.0}},
                                    Pulse{grid_pip(2, bar_pips, 3), 36.0, Row{0.5, 0.0, 0.0}},
                                    Pulse{0.0, 44.0, Row{0.0, 0.85, 0.0}},
                                    Pulse{128.0, 44.0, Row{0.0, -0.6, 0.0}},
                                });
}

// Heavy downbeat, a lateral snare crack on beat three, and light swung
// shuffles on the last triplet of every beat.
Table half_time() {
    std::vector<Pulse> pulses{
        Pulse{0.0, 20.0, Row{0.12, -0.7, 0.0}},
        Pulse{2.0 * beat_pips, 14.0, Row{0.8, 0.3, 0.0}},
    };
    for (int b = 0; b < 4; ++b) {
        const double shuffle = b * beat_pips + grid_pip(2, beat_pips, 3);
        pulses.push_back(Pulse{shuffle, 9.0, Row{alternating_hand(b + 1) * 0.22, 0.1, 0.0}});
    }
    return sum_pulses(bar_pips, pulses);
}

// `lateral` evenly spaced side hits against four vertical beats per bar, two
// bars; both streams keep alternating across the bar line.
Table cross_meter(int lateral, double downbeat, double level) {
    std::vector<Pulse> pulses;
    for (int i = 0; i < 2 * lateral; ++i) {
        const double reach = i % lateral == 0 ? downbeat : level;
        const double width = 0.45 * grid_pip(1, bar_pips, lateral);
        pulses.push_back(Pulse{grid_pip(i, bar_pips, lateral), width,
                               Row{alternating_hand(i) * reach, 0.0, 0.0}});
    }
    for (int b = 0; b < 8; ++b) {
        pulses.push_back(Pulse{static_cast<double>(b * beat_pips), 24.0,
                               Row{0.0, alternating_hand(b) * -0.5, 0.0}});
    }
    return sum_pulses(2 * bar_pips, pulses);
}

// A long-short swung pair per beat: two beats of call on the right, two of
// answer on the left; the beat gestures dip, the swung ones lift.
Table swung_answer() {
    std::vector<Pulse> pulses;
    for (int b = 0; b < 4; ++b) {
        const double side = b < 2 ? right_hand : left_hand;
        const double on_beat = b * beat_pips;
        const double swung = on_beat + grid_pip(2, beat_pips, 3);
        pulses.push_back(Pulse{on_beat, 10.0, Row{side * 0.75, -0.3, 0.0}});
        pulses.push_back(Pulse{swung, 10.0, Row{side * 0.45, 0.18, 0.0}});
    }
    return sum_pulses(bar_pips, pulses);
}

// Eighth-note groups: an alternating lateral accent with a lift at each group
// start, a small vertical tap on every other eighth.
Table grouped_eighths(const std::vector<int>& groups, int repeats, double first_accent,
                      double accent) {
    int eighths = 0;
    for (const int g : groups) {
        eighths += g;
    }
    std::vector<Pulse> pulses;
    int start = 0;
    int accent_count = 0;
    for (int r = 0; r < repeats; ++r) {
        for (const int g : groups) {
            const double reach = accent_count == 0 ? first_accent : accent;
            const double centre = start * eighth_pips;
            pulses.push_back(
                Pulse{centre, 28.0, Row{alternating_hand(accent_count) * reach, 0.0, 0.0}});
            pulses.push_back(Pulse{centre, 14.0, Row{0.0, 0.35, 0.0}});
            for (int e = 1; e < g; ++e) {
                pulses.push_back(Pulse{centre + e * eighth_pips, 14.0, Row{0.0, -0.2, 0.0}});
            }
            start += g;
            ++accent_count;
        }
    }
    return sum_pulses(repeats * eighths * eighth_pips, pulses);
}

// Three lateral, four vertical and five depth gestures over eight beats, all
// meeting on the downbeat; depth only ever pushes forward.
Table three_four_five() {
    constexpr int phrase = 2 * bar_pips;
    std::vector<Pulse> pulses;
    for (int i = 0; i < 3; ++i) {
        pulses.push_back(Pulse{grid_pip(i, phrase, 3), 60.0,
                               Row{i == 2 ? 0.5 : alternating_hand(i) * 0.7, 0.0, 0.0}});
    }
    for (int i = 0; i < 4; ++i) {
        pulses.push_back(Pulse{grid_pip(i, phrase, 4), 48.0, Row{0.0, alternating_hand(i) * 0.6, 0.0}});
    }
    for (int i = 0; i < 5; ++i) {
        pulses.push_back(
            Pulse{grid_pip(i, phrase, 5), 40.0, Row{0.0, 0.0, i == 0 ? 0.55 : 0.35}});
    }
    return sum_pulses(phrase, pulses);
}

}  // namespace

void add_rhythm_tables(TableSet& set) {
    set.add("rhythm_euclid_3_8",
            "3 evenly distributed onsets on a 8-step grid. Alternating lateral gestures.",
            euclid_bar(3, 8, 0.8, 0.65, 30.0));
    set.add("rhythm_euclid_5_12",
            "5 evenly distributed onsets on a 12-step grid. Alternating lateral gestures.",
            euclid_bar(5, 12, 0.78, 0.6, 18.0));
    set.add("rhythm_three_two",
            "Three horizontal gestures interlock with two vertical gestures in one four-beat cycle.",
            three_two());
    set.add("rhythm_half_time",
            "A strong downbeat, snare-like accent on beat three, and smaller offbeat shuffles.",
            half_time());
    set.add("rhythm_five_four",
            "5 lateral hits against four vertical hits per four beats; two bars preserve alternating directions.",
            cross_meter(5, 0.75, 0.6));
    set.add("rhythm_seven_four",
            "7 lateral hits against four vertical hits per four beats; two bars preserve alternating directions.",
            cross_meter(7, 0.8, 0.65));
    set.add("rhythm_euclid_7_16",
            "7 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats.",
            euclid_two_sides(7, 0.75, 0.55));
    set.add("rhythm_euclid_5_16",
            "5 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats.",
            euclid_two_sides(5, 0.7, 0.55));
    set.add("rhythm_swung_answer",
            "A two-to-one swung call on the right, answered on the left; four beats and eight peak-aligned gestures.",
            swung_answer());
    set.add("rhythm_group_332",
            "Groups of three, three, and two eighth notes. Six alternating accents make an eight-beat loop.",
            grouped_eighths({3, 3, 2}, 2, 0.85, 0.7));
    set.add("rhythm_group_223",
            "Two 7/8 bars grouped as 2+2+3 eighth notes: a seven-quarter-note loop, not forced into four beats.",
            grouped_eighths({2, 2, 3}, 2, 0.75, 0.75));
    set.add("rhythm_three_four_five",
            "Three X, four Y, and five Z gestures share an eight-beat phrase, with exact rational peak times.",
            three_four_five());
}

}  // namespace kinemorphs::generator
