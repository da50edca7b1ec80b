// The `dialogue` family: eighth-note groups of the lengths in the record's
// name, each group a short phrase in one direction (left, up, forward or
// right, passed on round that cycle; up is -y). A group opens with its
// accent, fades over its eighths, and gives its last eighth to a late pickup
// a sixteenth before the next group: a small dip that draws back, answering
// the turn.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

struct DialogueRecord {
    std::vector<int> groups;
    int first_direction;  // index into `directions` of the first group's phrase
};

// The first directions turn round the cycle from record to record, except
// that 4_5_3_2, whose groups are those of 3_2_4_5 begun two groups later,
// starts one direction further on: otherwise each group would keep its
// direction and the two would be one motion shifted in time.
const std::vector<DialogueRecord>& records() {
    static const std::vector<DialogueRecord> all{
        {{3, 4, 5}, 0},    {{5, 3, 4}, 1},    {{3, 5, 2}, 2},    {{2, 5, 4}, 3},
        {{4, 3, 2}, 0},    {{3, 2, 4, 5}, 1}, {{5, 2, 3, 4}, 2}, {{2, 3, 5, 3}, 3},
        {{3, 4, 3, 5}, 0}, {{5, 4, 2, 3}, 1}, {{2, 4, 5, 2}, 2}, {{4, 5, 3, 2}, 0},
        {{3, 5, 4, 3}, 0}, {{5, 3, 2, 5}, 1}, {{2, 5, 3, 5}, 2}, {{4, 3, 5, 4}, 3},
    };
    return all;
}

// The directions a phrase passes through, in turn: any three in a row
// include the upward or the forward one, which reach furthest.
constexpr Row directions[] = {
    Row{-0.31, -0.06, 0.0},
    Row{0.0, -0.32, 0.0},
    Row{0.0, -0.05, 0.32},
    Row{0.29, -0.06, 0.0},
};

constexpr Row pickup{0.0, 0.135, -0.041};

Table dialogue_table(const std::vector<int>& groups, int first_direction) {
    std::vector<Pulse> pulses;
    int eighth = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const Row& direction = directions[(static_cast<std::size_t>(first_direction) + g) % 4];
        for (int j = 0; j + 1 < groups[g]; ++j) {
            // The eighths after the accent keep most of its reach and almost
            // join up, so a phrase reads as one held move that fades.
            const double level = j == 0 ? 1.0 : 0.9 - 0.1 * j;
            pulses.push_back(Pulse{static_cast<double>((eighth + j) * eighth_pips), 15.0,
                                   Row{direction[0] * level, direction[1] * level,
                                       direction[2] * level}});
        }
        eighth += groups[g];
        pulses.push_back(Pulse{static_cast<double>(eighth * eighth_pips - sixteenth_pips), 10.0, pickup});
    }
    return sum_pulses(eighth * eighth_pips, pulses);
}

constexpr const char* description =
    "Different eighth-note group lengths pass a phrase between directions, with late pickup responses.";

}  // namespace

void add_dialogue_tables(TableSet& set) {
    for (const DialogueRecord& record : records()) {
        std::string name = "dialogue";
        for (const int g : record.groups) {
            name += '_';
            name += std::to_string(g);
        }
        set.add(name, description, dialogue_table(record.groups, record.first_direction));
    }
}

}  // namespace kinemorphs::generator
