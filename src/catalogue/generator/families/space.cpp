// The `space` family: torus knots that wind p times around the axis and q
// times through the tube, and three-lane Lissajous weaves through depth.
#include <cmath>
#include <string>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int space_period = 1024;

struct Winding {
    int around_axis;
    int through_tube;
};

constexpr Winding torus_windings[] = {
    {2, 5}, {2, 7}, {3, 4}, {3, 5}, {3, 7}, {4, 5}, {4, 7}, {5, 6},
};

// Tube radius 0.5 around a centre circle of 1.45; the depth swing of 1.05
// exaggerates the tube's height so the knot reads in projection.
Table torus_knot(Winding winding) {
    return normalised(make_table(space_period, [&](int k) {
        const double theta = cycle_angle(k, space_period);
        const double rho = 1.45 + 0.5 * std::cos(winding.through_tube * theta);
        return Row{rho * std::cos(winding.around_axis * theta),
                   rho * std::sin(winding.around_axis * theta),
                   1.05 * std::sin(winding.through_tube * theta)};
    }));
}

struct LaneCycles {
    int x;
    int y;
    int z;
};

constexpr LaneCycles weave_cycles[] = {
    {1, 2, 3}, {1, 3, 4}, {2, 3, 4}, {2, 3, 7}, {2, 5, 7}, {3, 4, 5}, {3, 5, 7}, {4, 5, 7},
};

Table lane_weave(LaneCycles cycles) {
    return normalised(make_table(space_period, [&](int k) {
        const double theta = cycle_angle(k, space_period);
        return Row{std::sin(cycles.x * theta), 0.8 * std::sin(cycles.y * theta + 0.4),
                   0.7 * std::cos(cycles.z * theta + 0.7)};
    }));
}

constexpr const char* torus_description =
    "A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.";
constexpr const char* weave_description =
    "Three coprime-frequency coordinate lanes with distinct phase offsets.";

}  // namespace

void add_space_tables(TableSet& set) {
    for (const Winding winding : torus_windings) {
        set.add("space_torus_" + std::to_string(winding.around_axis) + "_" +
                    std::to_string(winding.through_tube),
                torus_description, torus_knot(winding), true);
    }
    for (const LaneCycles cycles : weave_cycles) {
        set.add("space_weave_" + std::to_string(cycles.x) + "_" + std::to_string(cycles.y) + "_" +
                    std::to_string(cycles.z),
                weave_description, lane_weave(cycles));
    }
}

}  // namespace kinemorphs::generator
