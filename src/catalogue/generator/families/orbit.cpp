// The `orbit` family: an ellipse carrying one harmonic ripple of order h on x
// and the counter-rotating order h + 1 on y, so the two axes ripple unequally.
#include <cmath>
#include <cstdio>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {
namespace {

struct Ripple {
    int harmonic;
    double amplitude;
    double phase;
};

// orbit_harmonic_01 ... orbit_harmonic_16: the first eight in phase, the
// second eight deeper and with a growing phase offset.
constexpr Ripple orbit_ripples[] = {
    {2, 0.18, 0.0}, {3, 0.22, 0.0}, {4, 0.25, 0.0}, {5, 0.28, 0.0},
    {6, 0.25, 0.0}, {7, 0.2, 0.0},  {8, 0.15, 0.0}, {9, 0.13, 0.0},
    {2, 0.34, 0.5}, {3, 0.31, 0.8}, {4, 0.29, 1.1}, {5, 0.26, 1.4},
    {6, 0.23, 1.7}, {7, 0.2, 2.0},  {8, 0.17, 2.3}, {9, 0.14, 2.6},
};

Table orbit_table(const Ripple& ripple) {
    constexpr int period = 512;
    return normalised(make_table(period, [&](int k) {
        const double theta = cycle_angle(k, period);
        const double x =
            std::cos(theta) + ripple.amplitude * std::cos(ripple.harmonic * theta + ripple.phase);
        const double y = 0.72 * std::sin(theta) -
                         ripple.amplitude * std::sin((ripple.harmonic + 1) * theta - ripple.phase);
        return Row{x, y, 0.0};
    }));
}

constexpr const char* description =
    "An ellipse combined with unequal horizontal and vertical harmonic ripples.";

}  // namespace

void add_orbit_tables(TableSet& set) {
    int number = 1;
    for (const Ripple& ripple : orbit_ripples) {
        char name[32];
        std::snprintf(name, sizeof name, "orbit_harmonic_%02d", number++);
        set.add(name, description, orbit_table(ripple));
    }
}

}  // namespace kinemorphs::generator
