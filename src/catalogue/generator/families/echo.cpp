// The `echo` family: a call to the left, down and slightly back, followed by
// N echoes that decay by a fixed ratio; after four beats an answer to the
// right, up and forward, with its own decaying echoes. The echoes spread
// over three beats after their source: evenly (regular), with gaps that
// shrink by 2/3 or grow by 3/2 per echo, or crossed (the call's echoes shrink
// while the answer's expand). Every echo time is one rounding of an exact
// integer fraction.
#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int half_pips = 4 * beat_pips;
constexpr int echo_span = 3 * beat_pips;
constexpr double decay = 0.62;

enum class Spacing { regular, shrinking, expanding };

int power(int base, int exponent) {
    int result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= base;
    }
    return result;
}

// The time of echo i (1 ... n) after its source. Shrinking gaps fall by 2/3
// per echo, so echo i sits at span*(3^n - 3^(n-i)*2^i)/(3^n - 2^n); expanding
// gaps grow by 3/2, giving span*(3^i*2^(n-i) - 2^n)/(3^n - 2^n).
double echo_time(Spacing spacing, int i, int n) {
    const int denominator = power(3, n) - power(2, n);
    switch (spacing) {
    case Spacing::shrinking:
        return static_cast<double>(echo_span * (power(3, n) - power(3, n - i) * power(2, i))) /
               denominator;
    case Spacing::expanding:
        return static_cast<double>(echo_span * (power(3, i) * power(2, n - i) - power(2, n))) /
               denominator;
    case Spacing::regular:
        break;
    }
    return grid_pip(i, echo_span, n);
}

// A source gesture at `start` and its n echoes, each as wide as its nearer
// neighbour allows. The lateral part and the vertical/depth part of a gesture
// peak together but last differently (`lateral_share` of the width each), so
// a gesture bends instead of retracing a straight line.
void add_voice(std::vector<Pulse>& pulses, double start, const Row& direction, Spacing spacing,
               int n, double lateral_share, double lift_share) {
    std::vector<double> times{0.0};
    for (int i = 1; i <= n; ++i) {
        times.push_back(echo_time(spacing, i, n));
    }
    const double after_last = half_pips - times.back();
    double level = 1.0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double before = i == 0 ? after_last : times[i] - times[i - 1];
        const double after = i + 1 < times.size() ? times[i + 1] - times[i] : after_last;
        const double half_width = std::min(20.0, 0.45 * std::min(before, after));
        const double centre = start + times[i];
        pulses.push_back(Pulse{centre, lateral_share * half_width, Row{direction[0] * level, 0.0, 0.0}});
        pulses.push_back(Pulse{centre, lift_share * half_width,
                               Row{0.0, direction[1] * level, direction[2] * level}});
        level = level * decay;
    }
}

Table echo_table(Spacing call_spacing, Spacing answer_spacing, int n, double peak) {
    std::vector<Pulse> pulses;
    add_voice(pulses, 0.0, Row{-1.0, -0.858, -0.232}, call_spacing, n, 1.0, 0.6);
    add_voice(pulses, half_pips, Row{0.777, 0.839, 0.71}, answer_spacing, n, 0.6, 1.0);
    return normalised(sum_pulses(2 * half_pips, pulses), peak);
}

}  // namespace

void add_echo_tables(TableSet& set) {
    struct Kind {
        const char* word;
        Spacing call;
        Spacing answer;
    };
    constexpr Kind kinds[] = {
        {"regular", Spacing::regular, Spacing::regular},
        {"shrinking", Spacing::shrinking, Spacing::shrinking},
        {"expanding", Spacing::expanding, Spacing::expanding},
        {"crossed", Spacing::shrinking, Spacing::expanding},
    };
    // The call's reach falls evenly over the family, from 0.31 to 0.2489.
    int index = 0;
    for (int n = 3; n <= 6; ++n) {
        for (const Kind& kind : kinds) {
            std::string name = "echo_";
            name += kind.word;
            name += '_';
            name += std::to_string(n);
            const double peak = 0.31 - (0.0611 * index) / 15.0;
            set.add(name, echo_table(kind.call, kind.answer, n, peak));
            ++index;
        }
    }
}

}  // namespace kinemorphs::generator
