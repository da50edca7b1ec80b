// The `canon` family: a short motif on rational beat positions, stated in
// the lateral lane (side-to-side gestures that dip) and imitated in the depth
// lane (forward pushes with a slight lift) a close or a late offset behind.
// In the second half the lanes swap: depth leads, and the lateral response
// is altered, its sides mirrored and its levels played in reverse order.
#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"
#include "catalogue/generator/stroke_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int half_pips = 4 * beat_pips;

struct Note {
    int beats_numerator;  // onset in beats, as a fraction
    int beats_denominator;
    double level;
};

struct Motif {
    std::vector<Note> notes;  // the first note is the accent, level 1
    int close_offset;         // pips: a quarter or half beat
    int late_offset;          // pips: one and a half to two and a half beats
};

const std::vector<Motif>& motifs() {
    static const std::vector<Motif> all{
        {{{0, 1, 1.0}, {2, 3, 0.6}, {4, 3, 0.7}, {2, 1, 0.8}, {3, 1, 0.6}}, 16, 96},
        {{{0, 1, 1.0}, {1, 2, 0.6}, {3, 4, 0.6}, {3, 2, 0.8}, {5, 2, 0.7}, {3, 1, 0.5}}, 32, 128},
        {{{0, 1, 1.0}, {1, 3, 0.5}, {2, 3, 0.5}, {1, 1, 0.8}, {7, 3, 0.7}, {8, 3, 0.6}}, 16, 112},
        {{{0, 1, 1.0}, {3, 4, 0.7}, {3, 2, 0.7}, {9, 4, 0.7}, {3, 1, 0.8}}, 32, 160},
        {{{0, 1, 1.0}, {1, 2, 0.5}, {5, 3, 0.8}, {2, 1, 0.6}, {10, 3, 0.7}}, 16, 96},
        {{{0, 1, 1.0}, {1, 4, 0.5}, {1, 1, 0.7}, {5, 4, 0.5}, {2, 1, 0.8}, {11, 4, 0.6}}, 32, 144},
        {{{0, 1, 1.0}, {2, 3, 0.7}, {1, 1, 0.5}, {5, 3, 0.7}, {2, 1, 0.5}, {3, 1, 0.8}}, 16, 128},
        {{{0, 1, 1.0}, {3, 2, 0.8}, {2, 1, 0.6}, {5, 2, 0.7}, {10, 3, 0.5}}, 32, 112},
    };
    return all;
}

// Gesture sizes relative to the opening dip; the table is scaled afterwards.
constexpr double left_reach = 0.8972;
constexpr double right_reach = 0.8072;
constexpr double depth_reach = 0.8297;
constexpr double leader_dip = 0.6;
constexpr double follower_lift = 0.0965;

double note_pip(const Note& note) {
    return static_cast<double>(beat_pips * note.beats_numerator) / note.beats_denominator;
}

double lateral(double hand, double level) {
    return hand < 0.0 ? -left_reach * level : right_reach * level;
}

Table canon_table(const Motif& motif, int offset, double peak) {
    const std::size_t count = motif.notes.size();
    double closest = half_pips;
    for (std::size_t j = 1; j < count; ++j) {
        closest = std::min(closest, note_pip(motif.notes[j]) - note_pip(motif.notes[j - 1]));
    }
    const double w = std::min(12.0, 0.5 * closest);
    std::vector<Pulse> pulses;
    for (std::size_t j = 0; j < count; ++j) {
        const Note& note = motif.notes[j];
        const double t = note_pip(note);
        const double hand = alternating_hand(static_cast<int>(j) + 1);
        // First half: lateral statement, depth imitation (cut at the half).
        const double dip = j == 0 ? 1.0 : leader_dip * note.level;
        pulses.push_back(Pulse{t, w, Row{lateral(hand, note.level), -dip, 0.0}});
        if (t + offset + w <= half_pips) {
            pulses.push_back(Pulse{t + offset, w,
                                   Row{0.0, follower_lift * note.level, depth_reach * note.level}});
        }
        // Second half: depth leads; the lateral response mirrors the sides
        // and takes the levels in reverse order.
        const double leader_depth = 0.85 * depth_reach * note.level;
        pulses.push_back(
            Pulse{half_pips + t, w, Row{0.0, -leader_dip * note.level, leader_depth}});
        if (t + offset + w <= half_pips) {
            const double reversed = motif.notes[(count - j) % count].level;
            pulses.push_back(Pulse{half_pips + t + offset, w,
                                   Row{lateral(-hand, reversed), -0.3 * reversed, 0.0}});
        }
    }
    return normalised(sum_pulses(2 * half_pips, pulses), peak);
}

constexpr const char* description =
    "A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.";

}  // namespace

void add_canon_tables(TableSet& set) {
    // Table peaks rise evenly over the family, from 0.27905 to 0.31095.
    int index = 0;
    int number = 1;
    for (const Motif& motif : motifs()) {
        const std::string stem = "canon_0" + std::to_string(number);
        for (const bool late : {false, true}) {
            const double peak = 0.27905 + (0.0319 * index) / 15.0;
            set.add(stem + (late ? "_late" : "_close"), description,
                    canon_table(motif, late ? motif.late_offset : motif.close_offset, peak));
            ++index;
        }
        ++number;
    }
}

}  // namespace kinemorphs::generator
