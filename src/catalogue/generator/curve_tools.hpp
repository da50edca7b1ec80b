// Building blocks for the closed curves given by formula. Angles keep the
// written grouping (2*pi*c*k/P is ((2*pi*c)*k)/P) because the grouping
// decides the stored bits.
#pragma once

#include <cmath>

#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {

// The angle of row k when the curve turns `cycles` full turns per period.
inline double cycle_angle(int k, int period, double cycles = 1.0) {
    return ((two_pi * cycles) * k) / period;
}

// A rose of signed radius standard_reach*cos(petal_factor*t), the parameter t running
// `turns` full turns over the period (half a turn closes an odd-petal rose).
inline Table rose_table(int period, double turns, double petal_factor) {
    return make_table(period, [&](int k) {
        const double t = cycle_angle(k, period, turns);
        const double r = standard_reach * std::cos(petal_factor * t);
        return Row{r * std::cos(t), r * std::sin(t), 0.0};
    });
}

}  // namespace kinemorphs::generator
