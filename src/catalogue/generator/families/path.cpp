// The `path` family: classic closed plane and space curves.
#include <cmath>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"
#include "catalogue/generator/pip_grid.hpp"

namespace kinemorphs::generator {
namespace {

Table lissajous_2_3() {
    return make_table(512, [](int k) {
        const double theta = cycle_angle(k, 512);
        return Row{0.78 * std::sin(2 * theta), 0.68 * std::sin(3 * theta), 0.0};
    });
}

// An astroid: cubing the circle's coordinates bows its edges inwards and
// slows the motion at the four corners.
Table bowed_diamond() {
    return make_table(512, [](int k) {
        const double theta = cycle_angle(k, 512);
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        return Row{0.8 * ((c * c) * c), 0.8 * ((s * s) * s), 0.0};
    });
}

// An ellipse whose phase theta - sin(theta) stands still at theta = 0.
Table orbit_dwell() {
    return make_table(512, [](int k) {
        const double theta = cycle_angle(k, 512);
        const double phase = theta - std::sin(theta);
        return Row{0.8 * std::cos(phase), 0.6 * std::sin(phase), 0.0};
    });
}

// Two turns around the axis while the radius and depth make three tube turns.
Table torus_knot() {
    return make_table(1024, [](int k) {
        const double theta = cycle_angle(k, 1024);
        const double radius = 0.54 + 0.22 * std::cos(3 * theta);
        return Row{radius * std::cos(2 * theta), radius * std::sin(2 * theta),
                   0.36 * std::sin(3 * theta)};
    });
}

Table woven_3d() {
    return make_table(1024, [](int k) {
        const double theta = cycle_angle(k, 1024);
        return Row{0.72 * std::sin(2 * theta), 0.64 * std::sin(3 * theta),
                   0.48 * std::sin(5 * theta)};
    });
}

// The slider of a crank of radius 1 and a rod of length 3 travels from 2 to 4;
// x maps that travel onto -0.78 ... 0.78 and y follows the crank tip.
Table crank_slider() {
    return make_table(bar_pips, [](int k) {
        const double theta = cycle_angle(k, bar_pips);
        const double s = std::sin(theta);
        const double slider = std::cos(theta) + std::sqrt(9 - s * s);
        return Row{0.78 * (slider - 3), 0.3 * s, 0.0};
    });
}

}  // namespace

void add_path_tables(TableSet& set) {
    set.add("path_lissajous_2_3",
            "Two horizontal cycles cross three vertical cycles in a closed eight-beat Lissajous path.",
            lissajous_2_3());
    set.add("path_rose_4",
            "A signed radial oscillation draws four petals, passing through the centre between them.",
            rose_table(512, 1.0, 2));
    set.add("path_rose_5",
            "Five petals in one complete eight-beat traversal; the odd-petal parameter runs through pi, not two pi.",
            rose_table(512, 0.5, 5));
    set.add("path_bowed_diamond",
            "An astroid-shaped loop with inward-curved edges and naturally slow corners.",
            bowed_diamond());
    set.add("path_orbit_dwell",
            "An ellipse whose phase slows to zero speed at the loop boundary and accelerates through the opposite side.",
            orbit_dwell());
    set.add("path_torus_knot",
            "Two turns around the axis and three through the tube. XYZ is retained; the demo projects depth.",
            torus_knot());
    set.add("path_woven_3d",
            "Independent two-, three-, and five-cycle XYZ oscillations close after sixteen beats.",
            woven_3d());
    set.add("path_crank_slider",
            "Horizontal slider-crank travel with rod length three and crank radius one; vertical motion follows the crank tip.",
            crank_slider());
}

}  // namespace kinemorphs::generator
