// The `stick` family: sixteen eighth-note strokes whose sticking leans left or
// right; accented strokes lean and dip further. Each study's second half
// answers its first with the hands swapped.
#include <cstdio>
#include <string_view>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/stroke_tools.hpp"

namespace kinemorphs::generator {
namespace {

// stick_study_01 ... stick_study_16; upper case marks an accent.
constexpr std::string_view stick_studies[] = {
    "RlrrLrllLrllRlrr", "RrlrLlrlLlrlRrlr", "RllrLrrlLrrlRllr", "RrllRlrlLlrrLrlr",
    "RlrlRrllLrlrLlrr", "RrrlLlrlLllrRrlr", "RlllRrrlLrrrLllr", "RrlrRlllLlrlLrrr",
    "RlrrLlrlLrllRrlr", "RrllRllrLlrrLrrl", "RlrlLrrlLrlrRllr", "RrrlRlllLllrLrrr",
    "RrrrLrllLlllRlrr", "RrllLrrlLlrrRllr", "RlrrRlllLrllLrrr", "RrlrLllrLlrlRrrl",
};

Table stick_study(std::string_view strokes) {
    constexpr int period = 512;
    std::vector<Pulse> pulses;
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        const Sticking sticking = read_sticking(strokes[i]);
        const double level = sticking.accented ? 1.0 : 0.55;
        pulses.push_back(stroke(eighth_pips * static_cast<double>(i), 12.0, sticking.hand, level, 0.74, 0.34));
    }
    return sum_pulses(period, pulses);
}

constexpr const char* description =
    "Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.";

}  // namespace

void add_stick_tables(TableSet& set) {
    int number = 1;
    for (const std::string_view strokes : stick_studies) {
        char name[32];
        std::snprintf(name, sizeof name, "stick_study_%02d", number++);
        set.add(name, description, stick_study(strokes));
    }
}

}  // namespace kinemorphs::generator
