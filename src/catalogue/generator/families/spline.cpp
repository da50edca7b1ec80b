// The `spline` family: closed cubic curves through a few lopsided control
// points, each segment given its own share of the eight beats, so the curve
// hurries through some stretches and lingers through others.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 512;

// A control point and the relative time the curve takes to reach the next.
struct Control {
    Row point;
    double segment;
};

struct Spline {
    std::string name;
    std::vector<Control> controls;
    double peak = standard_reach;
    // Where the depth lane's highest or lowest value lands, if pinned.
    double depth_high = 0.0;
    double depth_low = 0.0;
};

Table spline_rows(const Spline& spline) {
    double total = 0.0;
    for (const Control& control : spline.controls) {
        total = total + control.segment;
    }
    std::vector<Key> keys;
    double elapsed = 0.0;
    for (const Control& control : spline.controls) {
        keys.push_back({(elapsed * period) / total, control.point, Passage::flowing});
        elapsed = elapsed + control.segment;
    }
    Table table = normalised(keyed_loop(period, keys), spline.peak);
    const Extent depth = lane_extent(table, 2);
    if (spline.depth_high != 0.0) {
        table = lane_scaled(std::move(table), 2, depth.high, spline.depth_high);
    } else if (spline.depth_low != 0.0) {
        table = lane_scaled(std::move(table), 2, depth.low, spline.depth_low);
    }
    return table;
}

std::vector<Spline> splines() {
    return {
        {"spline_kite",
         {{{0.05, 0.8, 0.0}, 1.4},
          {{0.5, 0.12, 0.0}, 2.6},
          {{-0.02, -0.78, 0.0}, 2.2},
          {{-0.58, 0.22, 0.0}, 1.2}}},
        // Crosses its own waist at the centre, where the loop starts.
        {"spline_hourglass",
         {{{0.0, 0.0, 0.0}, 1.0},
          {{0.58, 0.72, 0.0}, 1.6},
          {{-0.46, 0.8, 0.0}, 1.1},
          {{0.03, 0.02, 0.0}, 0.9},
          {{0.52, -0.66, 0.0}, 1.8},
          {{-0.62, -0.7, 0.0}, 1.2}}},
        {"spline_hook",
         {{{0.32, 0.8, 0.0}, 2.2},
          {{0.38, -0.32, 0.0}, 1.0},
          {{0.08, -0.76, 0.0}, 0.9},
          {{-0.38, -0.62, 0.0}, 0.8},
          {{-0.5, -0.22, 0.0}, 0.7},
          {{-0.22, -0.36, 0.0}, 1.0},
          {{0.12, -0.2, 0.0}, 1.6},
          {{0.14, 0.62, 0.0}, 0.8}}},
        {"spline_crown",
         {{{-0.72, -0.42, 0.0}, 1.5},
          {{-0.76, 0.58, 0.0}, 0.7},
          {{-0.34, 0.06, 0.0}, 0.8},
          {{0.02, 0.8, 0.0}, 0.6},
          {{0.36, 0.1, 0.0}, 0.9},
          {{0.7, 0.5, 0.0}, 1.6},
          {{0.68, -0.44, 0.0}, 1.9},
          {{-0.05, -0.52, 0.0}, 1.2}}},
        // An archer's bow: a long arc and a straight string back.
        {"spline_bow",
         {{{-0.08, 0.8, 0.0}, 1.1},
          {{0.42, 0.5, 0.0}, 0.9},
          {{0.62, 0.0, 0.0}, 1.0},
          {{0.44, -0.5, 0.0}, 1.2},
          {{-0.06, -0.8, 0.0}, 2.6},
          {{-0.14, 0.02, 0.0}, 2.2}}},
        {"spline_crooked_cross",
         {{{0.8, 0.14, 0.0}, 0.8},
          {{0.1, 0.12, 0.0}, 1.0},
          {{-0.12, 0.78, 0.0}, 1.0},
          {{-0.08, 0.06, 0.0}, 0.8},
          {{-0.74, -0.2, 0.0}, 1.2},
          {{-0.06, -0.1, 0.0}, 0.7},
          {{0.22, -0.7, 0.0}, 1.4},
          {{0.12, -0.06, 0.0}, 0.9}}},
        {"spline_asymmetric_star",
         {{{0.8, 0.06, 0.0}, 0.7},
          {{0.16, 0.22, 0.0}, 0.9},
          {{0.3, 0.72, 0.0}, 0.6},
          {{-0.08, 0.26, 0.0}, 1.1},
          {{-0.62, 0.46, 0.0}, 0.8},
          {{-0.26, -0.06, 0.0}, 1.0},
          {{-0.48, -0.66, 0.0}, 1.3},
          {{0.02, -0.26, 0.0}, 0.6},
          {{0.44, -0.58, 0.0}, 0.9},
          {{0.24, -0.08, 0.0}, 1.1}}},
        // A crescent: a deep outer curve and a shallow inner return, scaled a
        // hair under the family's usual standard_reach.
        {"spline_scoop",
         {{{-0.76, 0.5, 0.0}, 1.2},
          {{-0.42, -0.56, 0.0}, 1.0},
          {{0.22, -0.72, 0.0}, 1.1},
          {{0.62, -0.12, 0.0}, 0.9},
          {{0.74, 0.62, 0.0}, 2.2},
          {{0.22, 0.0, 0.0}, 1.6},
          {{-0.3, -0.1, 0.0}, 1.4}},
         0.81975},
        {"spline_rising_kite",
         {{{0.04, 0.78, 0.3}, 1.2},
          {{0.56, 0.1, 0.42}, 2.4},
          {{0.0, -0.8, 0.5}, 2.0},
          {{-0.5, 0.18, -0.38}, 1.8}},
         standard_reach,
         0.728},
        // A bow tie whose right lobe leans forward and left lobe back.
        {"spline_twisted_bow",
         {{{0.0, 0.06, 0.0}, 1.0},
          {{0.7, 0.56, 0.4}, 1.4},
          {{0.78, -0.3, 0.5}, 1.2},
          {{0.04, -0.04, 0.0}, 0.9},
          {{-0.76, 0.4, -0.45}, 1.6},
          {{-0.62, -0.52, -0.4}, 1.0}},
         standard_reach,
         0.0,
         -0.634},
        // Down one wall, across the floor, up the other, round the rim.
        {"spline_cup",
         {{{-0.6, 0.6, 0.0}, 1.2},
          {{-0.42, -0.4, 0.05}, 0.9},
          {{0.02, -0.78, 0.1}, 0.9},
          {{0.44, -0.36, 0.05}, 1.2},
          {{0.62, 0.58, 0.0}, 1.1},
          {{0.08, 0.66, -0.46}, 1.3},
          {{-0.4, 0.62, 0.3}, 1.4}}},
        // An arch on top, a deck set back in depth below it.
        {"spline_bridge",
         {{{-0.8, -0.2, 0.1}, 1.6},
          {{-0.4, 0.56, 0.2}, 1.1},
          {{0.1, 0.72, 0.24}, 1.0},
          {{0.72, -0.12, 0.1}, 1.0},
          {{0.42, -0.42, -0.4}, 2.0},
          {{-0.36, -0.38, -0.44}, 1.3}}},
        {"spline_double_bay",
         {{{0.78, 0.3, 0.0}, 0.9},
          {{0.3, 0.66, 0.2}, 0.8},
          {{0.0, 0.22, 0.4}, 0.9},
          {{-0.36, 0.7, 0.2}, 1.3},
          {{-0.8, 0.1, 0.0}, 1.2},
          {{-0.3, -0.62, -0.1}, 0.8},
          {{0.04, -0.24, -0.34}, 1.0},
          {{0.46, -0.6, -0.1}, 1.1}}},
        // A single loop on a plane tipped through depth.
        {"spline_slanted_loop",
         {{{0.76, -0.2, 0.5}, 1.3},
          {{0.28, 0.6, 0.2}, 0.8},
          {{-0.5, 0.44, -0.3}, 1.1},
          {{-0.74, -0.26, -0.56}, 2.0},
          {{0.1, -0.7, 0.0}, 1.6}}},
        // Up and down three tines at different depths, then the stem.
        {"spline_fork",
         {{{-0.04, -0.8, 0.0}, 1.6},
          {{-0.12, -0.1, 0.1}, 0.7},
          {{-0.52, 0.7, 0.36}, 0.9},
          {{-0.28, 0.0, 0.12}, 0.6},
          {{-0.02, 0.76, -0.06}, 0.8},
          {{0.2, 0.0, -0.12}, 0.7},
          {{0.5, 0.68, -0.4}, 1.1},
          {{0.14, -0.12, -0.1}, 1.2}}},
        // Crown points folded alternately forward and back.
        {"spline_folded_crown",
         {{{-0.7, -0.5, 0.0}, 1.4},
          {{-0.78, 0.54, 0.42}, 0.8},
          {{-0.36, 0.0, 0.0}, 0.7},
          {{0.0, 0.8, -0.46}, 0.9},
          {{0.34, 0.08, 0.0}, 0.6},
          {{0.72, 0.62, 0.5}, 1.4},
          {{0.64, -0.48, 0.0}, 2.0},
          {{0.0, -0.4, -0.2}, 1.0}}},
    };
}

constexpr const char* description =
    "Periodic cubic tangents connect asymmetrical controls with unequal segment times.";

}  // namespace

void add_spline_tables(TableSet& set) {
    for (const Spline& spline : splines()) {
        set.add(spline.name, description, spline_rows(spline));
    }
}

}  // namespace kinemorphs::generator
