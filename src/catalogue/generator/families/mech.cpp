// The `mech` family: kinematic-style position studies over eight beats, one
// crank revolution per loop. Formula members follow their linkage directly;
// the others are traced from small linkage models and fitted to the field.
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

// Every mech description: what the study shows, then what it is not.
std::string study(const std::string& subject) {
    return subject + "; an original kinematic-style position study, not an engineering simulation.";
}

constexpr int period = 512;
constexpr Extent full_travel{-standard_reach, standard_reach};

template <class RowAt>
Table crank_table(RowAt row_at) {
    return make_table(period, [&](int k) { return row_at(cycle_angle(k, period)); });
}

void add_formula_tables(TableSet& set) {
    set.add("mech_piston_short",
            study("Short-rod piston"),
            crank_table([](double t) {
                const double s = std::sin(t);
                return Row{standard_reach * ((std::cos(t) + std::sqrt(4.0 - s * s)) - 2.0), 0.246 * s, 0.0};
            }), true);
    set.add("mech_piston_long",
            study("Long-rod piston"),
            crank_table([](double t) {
                const double s = std::sin(t);
                return Row{standard_reach * ((std::cos(t) + std::sqrt(16.0 - s * s)) - 4.0),
                           0.205 * std::sin(2.0 * t), 0.0};
            }), true);
    set.add("mech_scotch_yoke",
            study("Yoke with rocking linkage"),
            crank_table([](double t) {
                return Row{standard_reach * std::cos(t), 0.287 * std::sin(t) + 0.1476 * std::sin(3.0 * t), 0.0};
            }), true);
    set.add("mech_two_lobe_cam",
            study("Two-lobe cam follower"),
            normalised(crank_table([](double t) {
                return Row{0.3 * std::sin(t), 0.2 * std::cos(t) + 0.55 * std::cos(2.0 * t), 0.0};
            })), true);
    set.add("mech_three_lobe_cam",
            study("Three-lobe cam follower"),
            normalised(crank_table([](double t) {
                return Row{0.25 * std::sin(t), 0.2 * std::cos(t) + std::cos(3.0 * t), 0.0};
            })), true);
    set.add("mech_paddle",
            study("Paddle-wheel tip"),
            normalised(crank_table([](double t) {
                return Row{std::cos(t) + 0.23 * std::cos(4.0 * t), std::sin(t) + 0.23 * std::sin(4.0 * t),
                           0.0};
            })), true);
    set.add("mech_wobble_plate",
            study("Wobble-plate trace"),
            crank_table([](double t) {
                return Row{standard_reach * std::cos(t), 0.287 * std::sin(t), 0.41 * std::sin(2.0 * t + 0.3)};
            }), true);
    set.add("mech_coupled_cranks",
            study("Coupled cranks"),
            normalised(crank_table([](double t) {
                return Row{std::cos(t) + 0.35 * std::cos(3.0 * t + 0.6),
                           std::sin(t) - 0.35 * std::sin(3.0 * t + 0.6), 0.0};
            })), true);
    set.add("mech_crank_rocker",
            study("Crank and rocker study"),
            crank_table([](double t) {
                return Row{standard_reach * std::cos(t), 0.492 * std::atan(2.0 * std::sin(t)),
                           0.123 * std::cos(3.0 * t)};
            }), true);
    set.add("mech_piston_balance",
            study("Piston and balance mass"),
            crank_table([](double t) {
                return Row{standard_reach * std::cos(t), 0.41 * std::sin(2.0 * t), 0.205 * std::sin(t)};
            }), true);
}

// Moves a traced path so its extent is centred on the origin, then scales
// both axes alike so the larger extent reaches standard_reach.
Table centred_and_scaled(Table table) {
    const Extent x = lane_extent(table, x_axis);
    const Extent y = lane_extent(table, y_axis);
    const double x_mid = (x.low + x.high) / 2.0;
    const double y_mid = (y.low + y.high) / 2.0;
    for (Row& row : table) {
        row[0] = row[0] - x_mid;
        row[1] = row[1] - y_mid;
    }
    return normalised(table);
}

// A crank (radius 1) and rod (length 2) whose slider runs on a line 0.8
// above the crank centre, so the out and back strokes take unequal time.
// The point traced is the middle of the rod, which draws a tilted egg.
Table offset_crank() {
    return centred_and_scaled(crank_table([](double t) {
        const double pin_x = std::cos(t);
        const double pin_y = std::sin(t);
        const double rise = 0.8 - pin_y;
        const double slider = pin_x + std::sqrt(4.0 - rise * rise);
        return Row{(pin_x + slider) / 2.0, (pin_y + 0.8) / 2.0, 0.0};
    }));
}

// Whitworth quick return: a crank of radius 1 turns a slotted lever pivoted
// 0.5 from its centre, so the lever turns slowly while the crank is on the
// far side and fast on the near side. The lever tip (radius 1) drives a ram
// through a rod of length 2.5 across the line of the pivots, so the forward
// stroke takes the slow half of the turn and the return the quick half.
// x is the ram, fitted to the full travel; y the lever tip height.
Table whitworth() {
    return lane_fitted(crank_table([](double t) {
                           const double lever = std::atan2(std::sin(t), 0.5 + std::cos(t));
                           const double across = std::cos(lever);
                           return Row{std::sin(lever) + std::sqrt(6.25 - across * across), 0.4 * across,
                                      0.0};
                       }),
                       x_axis, full_travel);
}

// An elliptic cam (semi-axes 1 and 0.6) under a flat follower: the follower
// lifts twice per turn (y, fitted to the full travel) while its contact
// point slides across the face (x, the lift's rate of change).
Table elliptic_cam() {
    const Table traced = crank_table([](double t) {
        const double c = std::cos(t);
        const double s = std::sin(t);
        const double lift = std::sqrt(c * c + (0.36 * s) * s);
        return Row{((0.36 - 1.0) * s * c) / lift, lift, 0.0};
    });
    return lane_pinned(lane_fitted(traced, y_axis, full_travel), x_axis, {Side::magnitude, 0.45});
}

// A pallet rocks between its two stops once per beat, resting on each; at
// every release the escape wheel gives a downward kick and a small recoil.
Table escapement() {
    std::vector<LaneKey> pallet;
    std::vector<Pulse> kicks;
    for (int beat = 0; beat < 8; ++beat) {
        const double release = 64.0 * beat + 32.0;
        const double from = beat % 2 == 0 ? -standard_reach : standard_reach;
        pallet.push_back({release - 12.0, from, Passage::resting});
        pallet.push_back({release + 12.0, -from, Passage::resting});
        kicks.push_back({release, 12.0, {0.0, -0.34, 0.0}});
        kicks.push_back({release + 16.0, 8.0, {0.0, 0.1, 0.0}});
    }
    const std::vector<double> x = keyed_lane(period, pallet);
    const Table y = sum_pulses(period, kicks);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        return Row{x[i], y[i][1], 0.0};
    });
}

// The end of a beam rocking ±0.7 rad about its centre, driven unevenly by a
// crank: it sweeps an arc whose ends sag below the pivot height, and the
// drive's play opens the arc into a thin loop.
Table rocking_beam() {
    constexpr double swing = 0.7;
    return crank_table([&](double t) {
        const double tilt = swing * std::cos(t + 0.3 * std::sin(t));
        const double x = (standard_reach * std::sin(tilt)) / std::sin(swing);
        const double y = -0.5 * ((1.0 - std::cos(tilt)) / (1.0 - std::cos(swing))) + 0.12 * std::sin(t);
        return Row{x, y, 0.0};
    });
}

// Share of a cycloidal cam's rise done at share `s` of its travel: the
// follower starts and stops with no speed and no acceleration, the profile
// cams use so that the roller is never jerked.
double cycloidal_rise(double s) {
    return s - std::sin(two_pi * s) / two_pi;
}

// A follower resting low, lifted to a high dwell and let down again, each
// move cycloidal; up is -y. x leans with the follower's speed, as a roller
// pushed by the cam flank, so it swells and fades with each move.
Table cam_return() {
    constexpr double rise_start = 64.0;
    constexpr double rise_end = 192.0;
    constexpr double fall_start = 288.0;
    constexpr double fall_end = 416.0;
    const auto lift_at = [&](double k) {
        if (k < rise_start || k >= fall_end) {
            return 0.0;
        }
        if (k < rise_end) {
            return standard_reach * cycloidal_rise((k - rise_start) / (rise_end - rise_start));
        }
        if (k < fall_start) {
            return standard_reach;
        }
        return standard_reach * (1.0 - cycloidal_rise((k - fall_start) / (fall_end - fall_start)));
    };
    const Table traced = make_table(period, [&](int k) {
        return Row{lift_at(k + 1.0) - lift_at(k - 1.0), -lift_at(k), 0.0};
    });
    return lane_pinned(traced, x_axis, {Side::magnitude, 0.3});
}

}  // namespace

void add_mech_tables(TableSet& set) {
    add_formula_tables(set);
    set.add("mech_offset_crank",
            study("Offset crank"),
            offset_crank());
    set.add("mech_whitworth",
            study("Quick-return linkage study"),
            whitworth());
    set.add("mech_elliptic_cam",
            study("Elliptic cam follower"),
            elliptic_cam());
    set.add("mech_escapement",
            study("Soft escapement study"),
            escapement());
    set.add("mech_rocking_beam",
            study("Rocking beam"),
            rocking_beam());
    set.add("mech_cam_return",
            study("Cam rise and return"),
            cam_return());
}

}  // namespace kinemorphs::generator
