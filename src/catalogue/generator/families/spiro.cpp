// The `spiro` family: the pen trace of a circle of radius r rolling inside
// (hypotrochoid) or outside (epitrochoid) a fixed circle of radius R, run
// for the r / gcd(R, r) turns that close the curve.
#include <cmath>
#include <numeric>
#include <string>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {
namespace {

struct Gear {
    int fixed_radius;
    int rolling_radius;
    double pen_distance;
};

constexpr Gear gears[] = {
    {3, 1, 0.45}, {4, 1, 0.6}, {5, 2, 1.5}, {5, 1, 0.55},
    {7, 2, 1.3},  {7, 3, 2.1}, {8, 3, 1.8}, {9, 4, 3.2},
};

enum class Rolling { inside, outside };

Table spiro_table(const Gear& gear, Rolling rolling) {
    constexpr int period = 1024;
    const int r = gear.rolling_radius;
    const int closing_turns = r / std::gcd(gear.fixed_radius, r);
    const double a = rolling == Rolling::inside ? gear.fixed_radius - r : gear.fixed_radius + r;
    const double d = gear.pen_distance;
    return normalised(make_table(period, [&](int k) {
        const double t = cycle_angle(k, period, closing_turns);
        const double pen_angle = (a / r) * t;
        const double pen_x = d * std::cos(pen_angle);
        // Rolling inside, the pen turns against the centre's rotation.
        const double x = rolling == Rolling::inside ? a * std::cos(t) + pen_x : a * std::cos(t) - pen_x;
        const double y = a * std::sin(t) - d * std::sin(pen_angle);
        return Row{x, y, 0.0};
    }));
}

std::string spiro_name(const char* rolling, const Gear& gear) {
    return std::string("spiro_") + rolling + "_" + std::to_string(gear.fixed_radius) + "_" +
           std::to_string(gear.rolling_radius);
}

constexpr const char* inside_description =
    "A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.";
constexpr const char* outside_description =
    "A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.";

}  // namespace

void add_spiro_tables(TableSet& set) {
    for (const Gear& gear : gears) {
        set.add(spiro_name("inside", gear), inside_description,
                spiro_table(gear, Rolling::inside), true);
    }
    for (const Gear& gear : gears) {
        set.add(spiro_name("outside", gear), outside_description,
                spiro_table(gear, Rolling::outside), true);
    }
}

}  // namespace kinemorphs::generator
