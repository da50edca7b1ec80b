// The `contour` family: closed outlines whose edges follow signed powers of
// the cosine and sine (below 1 a squared-off oval, 1 an ellipse, above 1 a
// diamond or a pinched star), with a ripple confined to one stretch of the
// outline and a bow that bends the shape more on one side than the other.
// The 3-axis members lift the bowed middle into depth.
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 1024;
// The loop starts a little above the right-hand end, away from the corner
// where the signed powers turn fastest.
constexpr double start_angle = 0.2;

struct Contour {
    double x_power;
    double y_power;
    double ripple_at;     // phase angle at the middle of the rippled stretch
    double ripple_turns;  // ripples per full loop, inside the stretch
    double ripple;        // radial ripple depth
    double bow;           // upward bend of the middle of the outline
    double lean;          // how much more one end of the bow bends
    double depth;         // depth of the bowed middle (0 keeps the table flat)
    Extent x_box;
    Extent y_box;
    Extent z_box;
};

// Below 1 a power's slope is infinite at zero, so where the cosine or sine
// crosses zero the outline would snap across in one pip. There the power is
// taken of a magnitude softened near zero (sqrt(v*v + e*e) - e keeps 0 at 0
// and |v| far from it), which leaves the squared-off edges but turns the
// crossing into a steep, continuous glide.
double signed_power(double value, double power) {
    constexpr double softening = 0.08;
    if (power >= 1.0) {
        return std::copysign(std::pow(std::fabs(value), power), value);
    }
    const double magnitude = std::sqrt(value * value + softening * softening) - softening;
    return std::copysign(std::pow(magnitude, power), value);
}

Table contour_rows(const Contour& c) {
    return make_table(period, [&](int k) {
        const double theta = (two_pi * k) / period + start_angle;
        // A smooth periodic window around `ripple_at`, zero on the far side.
        const double window = std::pow(0.5 + 0.5 * std::cos(theta - c.ripple_at), 6.0);
        const double ripple = (c.ripple * window) * std::sin(c.ripple_turns * (theta - c.ripple_at));
        const double x = signed_power(std::cos(theta), c.x_power) * (1.0 + ripple);
        const double edge = signed_power(std::sin(theta), c.y_power) * (1.0 + ripple);
        const double bend = (1.0 - x * x) * (1.0 + c.lean * x);
        return Row{x, edge + c.bow * bend, c.depth * (bend - 0.3 * ripple)};
    });
}

Table fitted(Table table, const Contour& c) {
    table = lane_fitted(std::move(table), 0, c.x_box);
    table = lane_fitted(std::move(table), 1, c.y_box);
    if (c.depth != 0.0) {
        table = lane_fitted(std::move(table), 2, c.z_box);
    }
    return table;
}

constexpr const char* description =
    "Signed-power oval edges with local ripples and an asymmetric bow.";

}  // namespace

void add_contour_tables(TableSet& set) {
    constexpr Extent full{-standard_reach, standard_reach};
    constexpr Extent flat{0.0, 0.0};
    const std::vector<Contour> contours = {
        {0.5, 0.5, 0.8, 24.0, 0.06, 0.25, 0.5, 0.0, full, {-0.5, 0.6}, flat},
        {1.0, 1.0, 2.4, 30.0, 0.08, 0.35, -0.6, 0.0, full, {-0.42, 0.603}, flat},
        {2.0, 2.0, 4.0, 20.0, 0.05, 0.2, 0.8, 0.0, full, {-0.56, 0.52}, flat},
        {0.7, 1.4, 1.6, 36.0, 0.07, -0.3, 0.4, 0.0, full, {-0.593, 0.44}, flat},
        {3.0, 3.0, 0.0, 16.0, 0.1, 0.3, -0.5, 0.0, {-0.81993, 0.81993}, {-0.5, 0.58}, flat},
        {0.6, 0.9, 5.2, 28.0, 0.09, 0.45, 0.7, 0.0, full, {-0.35, 0.55}, flat},
        {1.5, 0.6, 3.1, 40.0, 0.05, -0.4, -0.3, 0.0, full, {-0.58, 0.38}, flat},
        {1.2, 2.5, 1.0, 22.0, 0.08, 0.2, -0.8, 0.0, full, {-0.48, 0.54}, flat},
        {0.5, 1.0, 2.0, 26.0, 0.07, 0.3, 0.6, 0.25, full, {-0.44, 0.56}, {-0.148, 0.06}},
        {2.0, 1.0, 4.6, 34.0, 0.06, 0.25, -0.4, 0.2, full, {-0.5, 0.5}, {-0.09, 0.094}},
        {0.8, 0.8, 0.4, 18.0, 0.1, -0.35, 0.5, 0.3, full, {-0.57, 0.4}, {-0.12, 0.05}},
        {2.5, 1.5, 3.6, 30.0, 0.05, 0.4, 0.3, 0.2, full, {-0.4, 0.59}, {-0.06, 0.08}},
        {1.0, 0.6, 5.6, 42.0, 0.06, 0.2, -0.7, 0.25, full, {-0.52, 0.5}, {-0.1, 0.07}},
        {0.6, 2.0, 1.3, 20.0, 0.09, -0.25, -0.5, 0.3, full, {-0.55, 0.45}, {-0.13, 0.04}},
        {1.8, 0.7, 2.8, 24.0, 0.08, 0.3, 0.9, 0.2, full, {-0.46, 0.57}, {-0.08, 0.09}},
        {0.9, 1.8, 4.3, 38.0, 0.07, 0.35, -0.2, 0.25, full, {-0.43, 0.6}, {-0.11, 0.065}},
    };
    // Every outline spans the full width; the fifth stops a hair short of it.
    for (std::size_t i = 0; i < contours.size(); ++i) {
        std::string number = std::to_string(i + 1);
        number.insert(0, 2 - number.size(), '0');
        set.add("contour_shaped_" + number, description,
                fitted(contour_rows(contours[i]), contours[i]));
    }
}

}  // namespace kinemorphs::generator
