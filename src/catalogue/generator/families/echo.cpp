// The `echo` family: a call to the left, followed by N echoes that decay
// by a steady ratio; after four beats a differently directed answer to the
// right, with its own decaying echoes. Each kind of spacing has its own pair
// of directions (up is -y). The echoes spread over three beats after their
// source: evenly (regular), with gaps that shrink or grow by a steady ratio
// (3/2, or less for five and six echoes, so that the shortest gap still
// leaves each gesture a thirty-second note), or crossed (the call's echoes shrink while the answer's
// expand). Every echo time is one rounding of an exact integer fraction.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int half_pips = 4 * beat_pips;
constexpr int echo_span = 3 * beat_pips;
// Each echo keeps this share of the one before, or more where the last echo
// would otherwise keep less than `faintest_echo` of its source: every echo
// stays big enough to read from across a room.
constexpr double decay = 0.8;
constexpr double faintest_echo = 0.4;
// The echoes fan out from their source's direction in the front plane, each
// turned a further share of this angle (radians) away from the lateral
// axis, so the card shows one ray per gesture and three echoes are told
// from six at a glance, while every echo keeps its source's side and
// reaches less far sideways than the one before.
constexpr double fan = 0.6;

enum class Spacing { regular, shrinking, expanding };

int power(int base, int exponent) {
    int result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= base;
    }
    return result;
}

// The ratio p/q by which gaps shrink or grow among n echoes: 3/2 up to four
// echoes; with more, 3/2 would squeeze the shortest gap to a few pips and
// the gestures beside it to flicks.
struct GapRatio {
    int p;
    int q;
};

GapRatio gap_ratio(int n) {
    return n <= 4 ? GapRatio{3, 2} : n == 5 ? GapRatio{4, 3} : GapRatio{6, 5};
}

// The time of echo i (1 ... n) after its source. Shrinking gaps fall by q/p
// per echo, so echo i sits at span*(p^n - p^(n-i)*q^i)/(p^n - q^n); expanding
// gaps grow by p/q, giving span*(p^i*q^(n-i) - q^n)/(p^n - q^n).
double echo_time(Spacing spacing, int i, int n) {
    const auto [p, q] = gap_ratio(n);
    const int denominator = power(p, n) - power(q, n);
    switch (spacing) {
    case Spacing::shrinking:
        return static_cast<double>(echo_span * (power(p, n) - power(p, n - i) * power(q, i))) /
               denominator;
    case Spacing::expanding:
        return static_cast<double>(echo_span * (power(p, i) * power(q, n - i) - power(q, n))) /
               denominator;
    case Spacing::regular:
        break;
    }
    return grid_pip(i, echo_span, n);
}

// `direction` turned by `angle` in the front plane, shortened where needed
// so that no component outgrows the source's largest one (the source keeps
// the table's peak).
Row fanned(const Row& direction, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    Row ray{direction[0] * c - direction[1] * s, direction[0] * s + direction[1] * c, direction[2]};
    const double limit = std::max({std::fabs(direction[0]), std::fabs(direction[1]), std::fabs(direction[2])});
    const double largest = std::max({std::fabs(ray[0]), std::fabs(ray[1]), std::fabs(ray[2])});
    if (largest > limit) {
        for (double& v : ray) v = (v * limit) / largest;
    }
    return ray;
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
    const double echo_decay = std::max(decay, std::pow(faintest_echo, 1.0 / n));
    double level = 1.0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double before = i == 0 ? after_last : times[i] - times[i - 1];
        const double after = i + 1 < times.size() ? times[i + 1] - times[i] : after_last;
        // Half the nearer gap keeps neighbours apart; where that is 20 pips
        // or more, 20 (the quickest gaps still leave a gesture eight pips).
        const double half_width = std::min(20.0, 0.5 * std::min(before, after));
        const double centre = start + times[i];
        const double away = direction[0] * direction[1] < 0.0 ? -1.0 : 1.0;
        const Row ray = fanned(direction, (away * (fan * static_cast<double>(i))) / n);
        pulses.push_back(Pulse{centre, lateral_share * half_width, Row{ray[0] * level, 0.0, 0.0}});
        pulses.push_back(Pulse{centre, lift_share * half_width, Row{0.0, ray[1] * level, ray[2] * level}});
        level = level * echo_decay;
    }
}

// The directions of a call and of its answer. Every call leads with its
// full reach to the left, so the table's peak is the call's lateral reach.
struct Voices {
    Row call;
    Row answer;
};

Table echo_table(Spacing call_spacing, Spacing answer_spacing, const Voices& voices, int n, double peak) {
    std::vector<Pulse> pulses;
    add_voice(pulses, 0.0, voices.call, call_spacing, n, 1.0, 0.6);
    add_voice(pulses, half_pips, voices.answer, answer_spacing, n, 0.6, 1.0);
    return normalised(sum_pulses(2 * half_pips, pulses), peak);
}

constexpr const char* description =
    "An original decaying call and a differently directed answer; echo spacing is preserved as fractions.";

}  // namespace

void add_echo_tables(TableSet& set) {
    struct Kind {
        const char* word;
        Spacing call;
        Spacing answer;
        Voices voices;
    };
    constexpr Kind kinds[] = {
        // left, up and slightly back; answered right, down and forward
        {"regular", Spacing::regular, Spacing::regular, {{-1.0, -0.858, -0.232}, {0.777, 0.839, 0.71}}},
        // left and down; answered right, up and forward
        {"shrinking", Spacing::shrinking, Spacing::shrinking, {{-1.0, 0.7, 0.0}, {0.7, -0.8, 0.5}}},
        // left and forward; answered right and down, slightly back
        {"expanding", Spacing::expanding, Spacing::expanding, {{-1.0, 0.0, 0.6}, {0.6, 0.75, -0.2}}},
        // left, down and forward; answered right and up, slightly back
        {"crossed", Spacing::shrinking, Spacing::expanding, {{-1.0, 0.5, 0.55}, {0.5, -0.6, -0.2}}},
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
            set.add(name, description, echo_table(kind.call, kind.answer, kind.voices, n, peak));
            ++index;
        }
    }
}

}  // namespace kinemorphs::generator
