// The `braid` family: for braid_A_B the mover rides the surface of a tube
// whose centreline is an A:B figure, offset in phase and bent through
// depth. The cross-section rolls round the centreline several times per
// loop, swinging the mover across the figure's line and through depth, and
// a second, faster depth ripple rides on top.
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 1024;
// Keeps the sideways direction steady where the centreline slows down.
constexpr double slow_guard = 1.0;

struct Braid {
    int a;
    int b;
    int rolls;      // turns of the cross-section per loop
    double radius;  // tube radius relative to the centreline's half-width
    double ripple;  // the second depth ripple's size
    double peak;
    double side;    // largest sideways (y) magnitude
    Extent z_box;
};

Table braid_rows(const Braid& braid) {
    const double a = braid.a;
    const double b = braid.b;
    return make_table(period, [&](int k) {
        const double theta = (two_pi * k) / period;
        const double cx = std::sin(a * theta + 0.5);
        const double cy = 0.9 * std::sin(b * theta);
        const double cz = 0.35 * std::sin((a + b) * theta + 0.3);
        // Unit normal of the centreline within the x-y plane.
        const double tx = a * std::cos(a * theta + 0.5);
        const double ty = (0.9 * b) * std::cos(b * theta);
        const double speed = std::sqrt((tx * tx + ty * ty) + slow_guard * slow_guard);
        const double nx = -ty / speed;
        const double ny = tx / speed;
        const double roll = braid.rolls * theta;
        const double across = braid.radius * std::cos(roll);
        const double depth = braid.radius * std::sin(roll);
        const double ripple = braid.ripple * std::sin(2.0 * roll + 0.7);
        return Row{cx + across * nx, cy + across * ny, (cz + depth) + ripple};
    });
}

Table fitted(Table table, const Braid& braid) {
    table = lane_fitted(std::move(table), 0, {-braid.peak, braid.peak});
    table = lane_fitted(std::move(table), 1, {-braid.side, braid.side});
    return lane_fitted(std::move(table), 2, braid.z_box);
}

constexpr const char* description =
    "An offset tube centreline and a rolling cross-section with a second depth ripple.";

}  // namespace

void add_braid_tables(TableSet& set) {
    const std::vector<Braid> braids = {
        {1, 2, 7, 0.23, 0.05, standard_reach, 0.78, {-0.36, 0.38}},
        {1, 3, 9, 0.2, 0.06, standard_reach, 0.813, {-0.4, 0.37}},
        {1, 4, 11, 0.19, 0.04, standard_reach, 0.76, {-0.33, 0.35}},
        {1, 5, 13, 0.17, 0.05, 0.81985, 0.8, {-0.38, 0.4}},
        {2, 3, 8, 0.22, 0.06, standard_reach, 0.74, {-0.413, 0.39}},
        {2, 5, 11, 0.17, 0.04, standard_reach, 0.79, {-0.35, 0.36}},
        {3, 4, 10, 0.19, 0.05, standard_reach, 0.77, {-0.37, 0.422}},
        {3, 5, 12, 0.17, 0.06, standard_reach, 0.72, {-0.34, 0.33}},
        {1, 6, 15, 0.14, 0.04, standard_reach, 0.8, {-0.39, 0.38}},
        {2, 7, 14, 0.16, 0.05, standard_reach, 0.75, {-0.36, 0.41}},
        {3, 7, 15, 0.14, 0.05, standard_reach, 0.78, {-0.4, 0.35}},
        {4, 5, 13, 0.17, 0.04, standard_reach, 0.81, {-0.32, 0.37}},
        {4, 7, 16, 0.14, 0.06, standard_reach, 0.73, {-0.41, 0.4}},
        {5, 6, 17, 0.14, 0.05, standard_reach, 0.8, {-0.35, 0.34}},
        {5, 7, 18, 0.13, 0.04, standard_reach, 0.77, {-0.38, 0.39}},
        {5, 8, 19, 0.13, 0.05, standard_reach, 0.79, {-0.37, 0.36}},
    };
    for (const Braid& braid : braids) {
        set.add("braid_" + std::to_string(braid.a) + "_" + std::to_string(braid.b), description,
                fitted(braid_rows(braid), braid));
    }
}

}  // namespace kinemorphs::generator
