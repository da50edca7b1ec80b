// The `triplet` family: gestures on the triplet-eighth grid (three per beat)
// over eight beats, from a twelve-slot word with deliberate gaps. The first
// four beats state the word; the last four either fill its gaps with answers
// pushed into depth on the sixteenth just after each gap (off the triplet
// grid), or play the word rotated by a few slots, turned into depth.
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"
#include "catalogue/generator/stroke_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 8 * beat_pips;
constexpr int slots = 24;  // triplet eighths in eight beats
constexpr int word_slots = 12;

struct TripletWord {
    std::string_view word;  // 1 = gesture, 0 = deliberate gap; opens on a gesture
    int rotation;           // slots the turnaround shifts the second half by
};

constexpr TripletWord words[] = {
    {"110110110100", 2}, {"101101011010", 4}, {"100110110110", 1}, {"111011010110", 5},
    {"101011101010", 3}, {"110101101100", 7}, {"100111011010", 2}, {"111010110110", 4},
};

bool played(const TripletWord& w, int slot, bool turnaround) {
    int index = slot % word_slots;
    if (turnaround && slot >= word_slots) {
        index = (index + w.rotation) % word_slots;
    }
    return w.word[static_cast<std::size_t>(index)] == '1';
}

// The next sixteenth strictly after a triplet slot's position.
double answer_pip(int slot) {
    const int numerator = beat_pips * slot;  // slot pip = numerator / 3
    return sixteenth_pips * ((numerator / 3) / sixteenth_pips + 1);
}

Table triplet_table(const TripletWord& w, bool turnaround) {
    const double half_width = 0.5 * grid_pip(1, period, slots);
    std::vector<Pulse> pulses;
    int count = 0;
    for (int s = 0; s < slots; ++s) {
        const bool on_beat = s % 3 == 0;
        if (played(w, s, turnaround)) {
            const double hand = alternating_hand(count + 1);  // the opening goes left
            double x = hand > 0.0 ? 0.187 : -0.2;
            const double y = s == 0 ? -0.192 : (on_beat ? -0.14 : -0.05);
            if (s == 0) {
                x = -0.2945;
            }
            // The rotated half marks its shifted phrase start, and its beats,
            // in depth.
            double z = 0.0;
            if (turnaround && s >= word_slots) {
                const bool phrase_start = (s % word_slots + w.rotation) % word_slots == 0;
                z = phrase_start ? 0.15 : (on_beat ? 0.08 : 0.0);
            }
            pulses.push_back(Pulse{grid_pip(s, period, slots), half_width, Row{x, y, z}});
            ++count;
        } else if (!turnaround && s >= word_slots) {
            pulses.push_back(Pulse{answer_pip(s), 8.0, Row{0.0, 0.032, 0.207}});
        }
    }
    return sum_pulses(period, pulses);
}

constexpr const char* description =
    "Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.";

}  // namespace

void add_triplet_tables(TableSet& set) {
    int number = 1;
    for (const TripletWord& w : words) {
        std::string stem = "triplet_0";
        stem += std::to_string(number);
        set.add(stem + "_answer", description, triplet_table(w, false));
        set.add(stem + "_turnaround", description, triplet_table(w, true));
        ++number;
    }
}

}  // namespace kinemorphs::generator
