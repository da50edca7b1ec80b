// The `ribbon` family: a point weaving across an elliptical spine. For
// ribbon_A_B the spine is travelled A times while the point crosses it 2B
// times; its radial swing widens and narrows along the loop, and its depth
// follows the same swing a quarter turn later, so the ribbon twists.
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 1024;

struct Ribbon {
    int laps;     // A: turns of the spine
    int weaves;   // B: radial swings per loop
    bool deep;
    double side;  // largest sideways (y) magnitude
    double depth; // largest depth (z) magnitude
};

// Radial swing of the point, relative to the spine's half length.
constexpr double slim_width = 0.11;
constexpr double deep_width = 0.2;
// The spine's height relative to its length before the lanes are fitted.
constexpr double spine_height = 0.7;

Table ribbon_rows(const Ribbon& ribbon) {
    const double width = ribbon.deep ? deep_width : slim_width;
    return make_table(period, [&](int k) {
        const double theta = (two_pi * k) / period;
        const double phi = ribbon.laps * theta;
        // Outward normal of the ellipse (cos phi, h sin phi).
        const double nx = spine_height * std::cos(phi);
        const double ny = std::sin(phi);
        const double norm = std::sqrt(nx * nx + ny * ny);
        // Wider at the ends of the spine than along its sides.
        const double swing = width * (1.0 + 0.4 * std::cos(2.0 * phi));
        const double radial = swing * std::cos(ribbon.weaves * theta);
        return Row{std::cos(phi) + (radial * nx) / norm,
                   spine_height * std::sin(phi) + (radial * ny) / norm,
                   swing * std::sin(ribbon.weaves * theta)};
    });
}

// y and z are odd in the phase, so scaling them by their largest magnitude
// pins both of their ends; x is scaled so that its farther end reaches standard_reach.
Table fitted(Table table, const Ribbon& ribbon) {
    const double lane_targets[3] = {standard_reach, ribbon.side, ribbon.depth};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const Extent extent = lane_extent(table, axis);
        const double raw = std::max(-extent.low, extent.high);
        table = lane_scaled(std::move(table), axis, raw, lane_targets[axis]);
    }
    return table;
}

std::string name_of(const Ribbon& ribbon) {
    return "ribbon_" + std::to_string(ribbon.laps) + "_" + std::to_string(ribbon.weaves) +
           (ribbon.deep ? "_deep" : "_slim");
}

constexpr const char* description =
    "A curved elliptical spine with variable radial width and linked depth deflection.";

}  // namespace

void add_ribbon_tables(TableSet& set) {
    const std::vector<Ribbon> ribbons = {
        {1, 2, false, 0.62, 0.09},  {1, 3, false, 0.66, 0.11},  {1, 4, false, 0.7, 0.1},
        {1, 5, false, 0.6, 0.12},   {2, 3, false, 0.72, 0.13},  {2, 5, false, 0.64, 0.1},
        {3, 4, false, 0.68, 0.12},  {3, 5, false, 0.74, 0.14},  {1, 2, true, 0.7, 0.22},
        {1, 3, true, 0.764, 0.258}, {1, 4, true, 0.66, 0.24},   {1, 5, true, 0.72, 0.2},
        {2, 3, true, 0.6, 0.25},    {2, 5, true, 0.75, 0.23},   {3, 4, true, 0.64, 0.21},
        {3, 5, true, 0.7, 0.245},
    };
    for (const Ribbon& ribbon : ribbons) {
        set.add(name_of(ribbon), description, fitted(ribbon_rows(ribbon), ribbon));
    }
}

}  // namespace kinemorphs::generator
