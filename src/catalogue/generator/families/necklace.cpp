// The `necklace` family: a binary accent word spread evenly over eight beats.
// Each 1 is an accent to the left with a lift (toward -y), each 0 its
// complement: a lighter move to the right with a small dip. No word is a
// rotation or reversal of another, so every record is its own rhythm.
// Accents push further into depth as the word goes on, so the rising accents
// are visible in z.
#include <string_view>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 8 * beat_pips;
// The share of a move's width its lift and depth take.
constexpr double lift_share = 0.55;

struct NecklaceRecord {
    const char* name;
    std::string_view word;  // begins with an accent: the loop opens on it
};

constexpr NecklaceRecord records[] = {
    {"necklace_01", "10010010"},
    {"necklace_02", "10110110"},
    {"necklace_03", "11001010"},
    {"necklace_04", "101100"},
    {"necklace_05", "100101001010"},
    {"necklace_06", "101101011010"},
    {"necklace_07", "110110101000"},
    {"necklace_08", "1101011010"},
    {"necklace_09", "1001001000100100"},
    {"necklace_10", "1010110100101100"},
    {"necklace_11", "1101001101001010"},
    {"necklace_12", "1000101010001010"},
    {"necklace_13", "1110010110010100"},
    {"necklace_14", "10100"},
    {"necklace_15", "1011011010110"},
    {"necklace_16", "1100110101001101"},
};

Table necklace_table(std::string_view word) {
    const int length = static_cast<int>(word.size());
    int accents = 0;
    for (const char bit : word) {
        accents += bit == '1' ? 1 : 0;
    }
    const double half_width = 0.5 * grid_pip(1, period, length);
    std::vector<Pulse> pulses;
    int accent = 0;
    for (int i = 0; i < length; ++i) {
        const double centre = grid_pip(i, period, length);
        // The lift and depth of a move are quicker than its sideways travel,
        // so each move bends into a loop of its own: two accents in a row
        // show as two lifts where one sideways hold would hide them.
        if (word[static_cast<std::size_t>(i)] == '1') {
            ++accent;
            const double depth = (0.159 * accent) / accents;
            pulses.push_back(Pulse{centre, half_width, Row{-0.248, 0.0, 0.0}});
            pulses.push_back(Pulse{centre, lift_share * half_width, Row{0.0, -0.096, depth}});
        } else {
            pulses.push_back(Pulse{centre, half_width, Row{0.102, 0.0, 0.0}});
            pulses.push_back(Pulse{centre, lift_share * half_width, Row{0.0, 0.022, 0.0}});
        }
    }
    return sum_pulses(period, pulses);
}

constexpr const char* description =
    "A hand-authored binary accent word; its complement moves the other side and rising accents add depth.";

}  // namespace

void add_necklace_tables(TableSet& set) {
    for (const NecklaceRecord& r : records) {
        set.add(r.name, description, necklace_table(r.word));
    }
}

}  // namespace kinemorphs::generator
