// The `lfo` family: slow control shapes over one to four bars. Single-axis
// shapes move x only; the two-axis ones add a lateral or vertical partner.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/seeded_values.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

// Keys that come to rest at every level, so each move eases out and in.
std::vector<LaneKey> resting_keys(const std::vector<std::pair<double, double>>& times_and_levels) {
    std::vector<LaneKey> keys;
    for (const auto& [time, level] : times_and_levels) {
        keys.push_back({time, level, Passage::resting});
    }
    return keys;
}

// A table moving x along `x` and y along `y` (either may be empty for 0.0).
Table from_lanes(int period, const std::vector<double>& x, const std::vector<double>& y) {
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        return Row{x.empty() ? 0.0 : x[i], y.empty() ? 0.0 : y[i], 0.0};
    });
}

// The tables given by formula.
void add_formula_tables(TableSet& set) {
    set.add("lfo_breathe",
            "A four-beat, single-axis sine. The quiet reference for judging busier shapes.",
            make_table(bar_pips, [](int k) {
                return Row{0.8 * std::sin((two_pi * k) / bar_pips), 0.0, 0.0};
            }));
    set.add("lfo_flower",
            "Related rotations form an original three-lobed XY loop over eight beats.",
            make_table(512, [](int k) {
                const double t = cycle_angle(k, 512);
                return Row{0.56 * std::cos(t) - 0.28 * std::cos(2.0 * t),
                           0.56 * std::sin(t) + 0.28 * std::sin(2.0 * t), 0.0};
            }), true);
    set.add("lfo_breathing_orbit",
            "A closed ellipse expands and contracts twice during its eight-beat revolution.",
            make_table(512, [](int k) {
                const double t = cycle_angle(k, 512);
                return Row{0.67 * std::cos(t) + 0.11 * std::cos(3.0 * t),
                           0.39 * std::sin(t) + 0.09 * std::sin(3.0 * t), 0.0};
            }), true);
    set.add("lfo_triplet_wobble",
            "Three rounded oscillations per two beats, breathing in depth over an eight-beat phrase.",
            make_table(512, [](int k) {
                const double t = cycle_angle(k, 512);
                return Row{(0.85 * std::sin(12.0 * t)) * (0.65 - 0.3 * std::cos(t)),
                           0.22 * std::sin(t), 0.0};
            }), true);
    set.add("lfo_pendulum_dwell",
            "Rounded saturation slows the pendulum near either side; a shallow arc connects the turns.",
            make_table(512, [](int k) {
                const double t = cycle_angle(k, 512);
                return Row{(0.78 * std::tanh(2.8 * std::sin(t))) / std::tanh(2.8),
                           0.22 * std::cos(2.0 * t), 0.0};
            }), true);
}

// The running integral over one cycle of a skewed triangle of unit
// amplitude and unit period that rises for three quarters of the cycle and
// falls for one; `g` is the phase within the cycle, from the trough. The
// triangle's mean is 0, so the integral is periodic.
double skewed_triangle_integral(double g) {
    return g < 0.75 ? (g * g) / 0.75 - g : (g - 0.75) - ((g - 0.75) * (g - 0.75)) / 0.25;
}

// That skewed triangle averaged over a window of 1/16 cycle around `phase`,
// which rounds its corners (a sharp corner turns back at full speed), crossing
// zero upward at phase 0 like a sine.
double skewed_triangle(double phase) {
    constexpr double corner_window = 1.0 / 16.0;
    const auto integral = [](double p) { return skewed_triangle_integral(p + 0.375 - std::floor(p + 0.375)); };
    return (integral(phase + corner_window / 2.0) - integral(phase - corner_window / 2.0)) / corner_window;
}

// Four cycles that blend from sine (x) and cosine (y) into the skewed
// triangle and its quarter-cycle partner at mid-phrase, then back.
Table morph() {
    return make_table(512, [](int k) {
        const double t = k / 512.0;
        const double blend = 0.5 - 0.5 * std::cos(two_pi * t);
        const double phase = 4.0 * t;
        const double x = (1.0 - blend) * std::sin(two_pi * phase) + blend * skewed_triangle(phase);
        const double y = (1.0 - blend) * std::cos(two_pi * phase) + blend * skewed_triangle(phase + 0.25);
        return Row{0.78 * x, 0.32 * y, 0.0};
    });
}

// One smooth random lane: `count` seeded control points spread evenly over
// the loop, joined by a periodic Catmull-Rom curve.
std::vector<double> seeded_lane(const std::string& seed, int count, int period) {
    std::vector<LaneKey> keys;
    for (int i = 0; i < count; ++i) {
        keys.push_back({(static_cast<double>(i) * period) / count,
                        seeded_value(control_point_text(seed, i), 0), Passage::flowing});
    }
    return keyed_lane(period, keys);
}

}  // namespace

void add_lfo_tables(TableSet& set) {
    add_formula_tables(set);

    // Rounded sweep over three quarters of the loop, quicker recovery.
    set.add("lfo_surge",
            "A long rounded sweep and short recovery; an independently authored smooth-reset shape.",
            from_lanes(bar_pips, keyed_lane(bar_pips, {{0.0, -0.8, Passage::resting},
                                                          {112.0, 0.1, Passage::flowing},
                                                          {192.0, 0.8, Passage::resting}}),
                                    {}));

    // Mid-transition at the loop start, so the gate opens through zero.
    set.add("lfo_soft_gate",
            "Short smooth transitions separated by long stationary dwells. No square-wave teleport.",
            from_lanes(bar_pips, keyed_lane(bar_pips, resting_keys({{18.0, 0.8},
                                                                           {110.0, 0.8},
                                                                           {146.0, -0.8},
                                                                           {238.0, -0.8}})),
                                        {}));

    // Purely vertical: a deep pump, a smaller one, then a slow breath above
    // the rest position.
    set.add("lfo_double_pump",
            "Two unequal pumps and a breathing space within four beats.",
            
            sum_pulses(bar_pips, {{48.0, 30.0, {0.0, -0.85, 0.0}},
                             {118.0, 24.0, {0.0, -0.5, 0.0}},
                             {200.0, 44.0, {0.0, 0.14, 0.0}}}));

    // Four hits on the eighth-note grid, each peaking on its pip.
    set.add("lfo_ratchet",
            "A four-hit decaying burst, then a rest. Every event is peak-aligned.",
            
            sum_pulses(bar_pips, {{0.0, 14.0, {0.75, -0.3, 0.0}},
                             {32.0, 14.0, {0.75 * 0.72, -0.3 * 0.72, 0.0}},
                             {64.0, 14.0, {0.75 * 0.5, -0.3 * 0.5, 0.0}},
                             {96.0, 14.0, {0.75 * 0.34, -0.3 * 0.34, 0.0}}}));

    // Six levels joined by five rounded steps, then one long glide back.
    set.add("lfo_glide_stair",
            "Five rounded steps traverse the field, then a smooth return.",
            
            from_lanes(bar_pips, keyed_lane(bar_pips, resting_keys({{0.0, -0.8}, {16.0, -0.8},
                                                          {34.0, -0.48}, {48.0, -0.48},
                                                          {66.0, -0.16}, {80.0, -0.16},
                                                          {98.0, 0.16}, {112.0, 0.16},
                                                          {130.0, 0.48}, {144.0, 0.48},
                                                          {162.0, 0.8}, {184.0, 0.8}})),
                       {}));

    set.add("lfo_morph",
            "An eight-beat blend between a sine and skewed triangle; movement changes within the phrase.",
            morph());

    // Two downward swells; x answers each one with a small sideways lean.
    set.add("lfo_twin_swell",
            "Two broad swells of unequal depth, with a gentle lateral answer. Eight beats.",
            
            sum_pulses(512, {{132.0, 112.0, {0.0, -0.8, 0.0}},
                             {244.0, 44.0, {0.24, 0.0, 0.0}},
                             {372.0, 92.0, {0.0, -0.5, 0.0}},
                             {466.0, 38.0, {-0.18, 0.0, 0.0}}}));

    // Out, hold, a smaller recoil the other way, and rest.
    set.add("lfo_pulse_hold",
            "A smooth outward pulse, sustained plateau, smaller opposite recoil, and rest.",
            
            from_lanes(bar_pips, keyed_lane(bar_pips, resting_keys({{0.0, 0.0}, {36.0, 0.76}, {118.0, 0.76},
                                                          {150.0, -0.3}, {178.0, 0.0}})),
                       {}));

    // x sweeps across over most of the phrase and glides back while y
    // ratchets down three times with shrinking depth.
    const Table ratchets = sum_pulses(512, {{352.0, 20.0, {0.0, -0.6, 0.0}},
                                            {404.0, 20.0, {0.0, -0.42, 0.0}},
                                            {456.0, 20.0, {0.0, -0.28, 0.0}}});
    const std::vector<double> sweep =
        keyed_lane(512, resting_keys({{0.0, -0.76}, {320.0, 0.76}}));
    set.add("lfo_sweep_ratchet",
            "A slow lateral sweep followed by three decaying vertical ratchets; no reset jump.",
            make_table(512, [&](int k) {
                const auto i = static_cast<std::size_t>(k);
                return Row{sweep[i], ratchets[i][1], 0.0};
            }));

    // Two lanes seeded independently, with different control-point counts.
    set.add("lfo_seeded_drift",
            "Two independently seeded smooth random lanes; irregular-looking but exactly periodic and seekable.",
            
            lane_pinned(lane_pinned(from_lanes(1024, seeded_lane("lfo_seeded_drift/x", 7, 1024),
                                               seeded_lane("lfo_seeded_drift/y", 9, 1024)),
                                    x_axis, {Side::magnitude, 0.78}),
                        y_axis, {Side::magnitude, 0.6}));

    // A slow rise that gathers speed, a quick softened return and two
    // smaller aftershocks; y crouches before the release and lifts with it.
    set.add("lfo_reverse_swell",
            "A long anticipatory rise, quick softened return, and two diminishing aftershocks.",
            
            from_lanes(512,
                       keyed_lane(512, {{0.0, 0.0, Passage::resting},
                                        {200.0, 0.22, Passage::flowing},
                                        {300.0, 0.8, Passage::resting},
                                        {344.0, -0.26, Passage::resting},
                                        {380.0, 0.13, Passage::resting},
                                        {414.0, 0.0, Passage::resting}}),
                       keyed_lane(512, resting_keys({{0.0, 0.0}, {270.0, -0.24},
                                                     {330.0, 0.3}, {400.0, 0.0}}))));
}

}  // namespace kinemorphs::generator
