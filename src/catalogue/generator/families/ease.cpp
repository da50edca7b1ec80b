// The `ease` family: easing curves run out and back as closed single-axis
// loops of four beats. Each loop spends its first half on the outward move
// and its second half on the return.
//
// bounce_out, back_in and back_out are the easing curves published by
// d3-ease (ISC licence), written here from its published formulas.
#include <algorithm>
#include <cmath>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = bar_pips;
constexpr int half = period / 2;

// d3-ease bounceOut: four parabolic arcs of shrinking height.
double bounce_out(double t) {
    constexpr double b1 = 4.0 / 11.0, b2 = 6.0 / 11.0, b3 = 8.0 / 11.0, b4 = 3.0 / 4.0;
    constexpr double b5 = 9.0 / 11.0, b6 = 10.0 / 11.0, b7 = 15.0 / 16.0, b8 = 21.0 / 22.0;
    constexpr double b9 = 63.0 / 64.0, b0 = 1.0 / b1 / b1;
    if (t < b1) {
        return b0 * t * t;
    }
    if (t < b3) {
        t -= b2;
        return b0 * t * t + b4;
    }
    if (t < b6) {
        t -= b5;
        return b0 * t * t + b7;
    }
    t -= b8;
    return b0 * t * t + b9;
}

// d3-ease's default overshoot for the back curves.
constexpr double back_overshoot = 1.70158;
// The wind-up of the anticipation (d3's backIn.overshoot(4)): it pulls back
// about three eighths of its reach, where the default's tenth reads as a
// plain bell.
constexpr double anticipation_overshoot = 4.0;

// d3-ease backIn: pulls back below 0 before accelerating to 1.
double back_in(double t, double s) {
    return t * t * (s * (t - 1.0) + t);
}

// d3-ease backOut: overshoots 1 and settles back onto it.
double back_out(double t) {
    const double s = back_overshoot;
    t -= 1.0;
    return t * t * ((t + 1.0) * s + t) + 1.0;
}

// Progress through one half of the loop, eased in and out (smoothstep), so
// each half starts and ends at rest: the curves that leave or arrive at full
// speed would otherwise turn back at full speed at the loop's ends and middle.
double eased_progress(double u) {
    return (u * u) * (3.0 - 2.0 * u);
}

// Row k as `outward` over the first half (progress 0 to 1) and `inward`
// over the second.
template <class Outward, class Inward>
Table out_and_back(Outward outward, Inward inward) {
    return make_table(period, [&](int k) {
        const double x = k < half ? outward(static_cast<double>(k) / half)
                                  : inward(static_cast<double>(k - half) / half);
        return Row{x, 0.0, 0.0};
    });
}

// An original elastic ring: an oscillation of 6 cycles per loop whose
// envelope opens over the first swing and a half (a quarter of the loop),
// then decays gently and is windowed to rest just as the loop ends, so the
// ring fills the loop instead of fading into a long hold. The table starts
// a sixteenth into the opening, not at it, so the loop begins in motion.
Table elastic() {
    constexpr double opening = 0.25;
    const Table ring = make_table(period, [](int k) {
        const double t = static_cast<double>((k + 16) % period) / period;
        const double open = std::sin((pi / 2.0) * std::min(t / opening, 1.0));
        const double envelope = ((open * open) * std::exp(-1.5 * t)) * (1.0 - t);
        return Row{envelope * std::sin(two_pi * 6.0 * t), 0.0, 0.0};
    });
    return normalised(ring, 0.8);
}

constexpr const char* attributed_description =
    "An attributed D3 easing curve, assembled into a closed outward-and-return loop.";

}  // namespace

void add_ease_tables(TableSet& set) {
    // From one side to the other with bounces on arrival, and back the same way.
    set.add("ease_rebound", attributed_description,
            out_and_back([](double u) { return -0.78 + 1.56 * bounce_out(u); },
                                         [](double u) { return 0.78 - 1.56 * bounce_out(u); }));
    // Out with a wind-up, back along the mirror image in time.
    set.add("ease_anticipate", attributed_description,
            out_and_back([](double u) { return 0.8 * back_in(eased_progress(u), anticipation_overshoot); },
                         [](double u) { return 0.8 * back_in(eased_progress(1.0 - u), anticipation_overshoot); }));
    // Centred so the overshoot at each end is the same size, peak 0.65.
    set.add("ease_overshoot", attributed_description,
            normalised(out_and_back([](double u) { return back_out(eased_progress(u)) - 0.5; },
                                    [](double u) { return 0.5 - back_out(eased_progress(u)); }),
                       0.65));
    set.add("ease_elastic",
            "Original windowed, decaying oscillation; not a copied D3 curve. Peak scaled to .8.",
            elastic());
}

}  // namespace kinemorphs::generator
