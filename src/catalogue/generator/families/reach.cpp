// The `reach` family: N separate reaches out of a shared centre, each one
// departing from rest at the centre and settling back there before the
// next, in directions spread unevenly round the centre and of unequal
// lengths. The kind shapes every reach: a `scoop` dips low on the way out
// and returns high, a `hook` curls sideways at its tip, a `lift` rises in
// depth on the way out and sinks on the way back, and a `recoil` snaps out,
// springs back past the centre and settles.
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 1024;
constexpr auto rest = Passage::resting;
constexpr auto flow = Passage::flowing;
// Share of each reach's slot spent moving; the rest is spent at the centre.
constexpr double moving_share = 0.84;

enum class Kind { scoop, hook, lift, recoil };

struct Reach {
    Kind kind;
    int count;
    LanePin x;
    LanePin y;
    LanePin z;
};

// A point `along` the reach direction and `aside` across it, with `depth`.
Row at(double angle, double along, double aside, double depth) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return Row{along * c - aside * s, along * s + aside * c, depth};
}

// The keys of one reach, inside a slot of `slot` pips starting at `start`.
void add_reach(std::vector<Key>& keys, Kind kind, double start, double slot, double angle,
               double length, bool depth_up) {
    const auto time = [&](double share) { return start + (share * moving_share) * slot; };
    const double r = length;
    // Scoops belly towards the floor: the side of the reach that points down.
    const double below = std::sin(angle + pi / 2.0) <= 0.0 ? 1.0 : -1.0;
    const double lift = depth_up ? 1.0 : -1.0;
    keys.push_back({start, {0.0, 0.0, 0.0}, rest});
    switch (kind) {
        case Kind::scoop:
            keys.push_back({time(0.25), at(angle, 0.42 * r, (0.3 * r) * below, 0.0), flow});
            keys.push_back({time(0.5), at(angle, r, 0.0, 0.0), rest});
            keys.push_back({time(0.75), at(angle, 0.5 * r, (-0.12 * r) * below, 0.0), flow});
            break;
        case Kind::hook:
            keys.push_back({time(0.28), at(angle, 0.7 * r, -0.03 * r, 0.0), flow});
            keys.push_back({time(0.42), at(angle, r, 0.08 * r, 0.0), flow});
            keys.push_back({time(0.52), at(angle, 0.92 * r, 0.3 * r, 0.0), flow});
            keys.push_back({time(0.6), at(angle, 0.72 * r, 0.3 * r, 0.0), rest});
            keys.push_back({time(0.8), at(angle, 0.3 * r, 0.06 * r, 0.0), flow});
            break;
        case Kind::lift:
            keys.push_back({time(0.25), at(angle, 0.45 * r, 0.0, (0.3 * r) * lift), flow});
            keys.push_back({time(0.5), at(angle, r, 0.0, (0.42 * r) * lift), rest});
            keys.push_back({time(0.75), at(angle, 0.45 * r, 0.0, (-0.2 * r) * lift), flow});
            break;
        case Kind::recoil:
            keys.push_back({time(0.22), at(angle, r, 0.04 * r, 0.0), rest});
            keys.push_back({time(0.55), at(angle, -0.24 * r, -0.04 * r, 0.0), rest});
            keys.push_back({time(0.78), at(angle, 0.06 * r, 0.0, 0.0), flow});
            break;
    }
    keys.push_back({time(1.0), {0.0, 0.0, 0.0}, rest});
}

Table reach_rows(const Reach& reach) {
    const int n = reach.count;
    const double slot = static_cast<double>(period) / n;
    const double base = 0.4 + 0.9 * static_cast<double>(reach.kind);
    std::vector<Key> keys;
    for (int i = 0; i < n; ++i) {
        const double angle = (base + (two_pi * i) / n) + 0.35 * std::sin(1.7 * i + n);
        const double length = 0.78 + 0.22 * std::cos(2.1 * i + n);
        add_reach(keys, reach.kind, i * slot, slot, angle, length, i % 2 == 0);
    }
    Table table = keyed_loop(period, keys);
    table = lane_pinned(std::move(table), 0, reach.x);
    table = lane_pinned(std::move(table), 1, reach.y);
    if (reach.kind == Kind::lift) {
        table = lane_pinned(std::move(table), 2, reach.z);
    }
    return table;
}

std::string kind_name(Kind kind) {
    switch (kind) {
        case Kind::scoop: return "scoop";
        case Kind::hook: return "hook";
        case Kind::lift: return "lift";
        case Kind::recoil: return "recoil";
    }
    return "";
}

constexpr const char* description =
    "Separate shaped reaches depart from and settle at a shared centre, without reset jumps.";

}  // namespace

void add_reach_tables(TableSet& set) {
    constexpr auto mag = Side::magnitude;
    constexpr LanePin flat{Side::magnitude, 0.0};
    // Sideways reaches are the longest (standard_reach); heights and depths are pinned
    // per table so that up, down, forward and back stay within their reach.
    const std::vector<Reach> reaches = {
        {Kind::scoop, 3, {mag, standard_reach}, {Side::low, -0.741}, flat},
        {Kind::hook, 3, {mag, standard_reach}, {mag, 0.66}, flat},
        {Kind::lift, 3, {mag, standard_reach}, {mag, 0.6}, {Side::high, 0.393}},
        {Kind::recoil, 3, {mag, standard_reach}, {mag, 0.66}, flat},
        {Kind::scoop, 4, {mag, standard_reach}, {mag, 0.683}, flat},
        {Kind::hook, 4, {mag, standard_reach}, {mag, 0.58}, flat},
        {Kind::lift, 4, {mag, standard_reach}, {mag, 0.64}, {Side::low, -0.393}},
        {Kind::recoil, 4, {mag, standard_reach}, {mag, 0.6}, flat},
        {Kind::scoop, 5, {mag, 0.81995}, {mag, 0.64}, flat},
        {Kind::hook, 5, {mag, standard_reach}, {mag, 0.62}, flat},
        {Kind::lift, 5, {mag, standard_reach}, {mag, 0.56}, {mag, 0.34}},
        {Kind::recoil, 5, {mag, standard_reach}, {mag, 0.66}, flat},
        {Kind::scoop, 7, {mag, standard_reach}, {mag, 0.6}, flat},
        {Kind::hook, 7, {mag, standard_reach}, {mag, 0.64}, flat},
        {Kind::lift, 7, {mag, standard_reach}, {mag, 0.62}, {mag, 0.36}},
        {Kind::recoil, 7, {mag, standard_reach}, {mag, 0.58}, flat},
    };
    for (const Reach& reach : reaches) {
        set.add("reach_" + kind_name(reach.kind) + "_" + std::to_string(reach.count), description,
                reach_rows(reach));
    }
}

}  // namespace kinemorphs::generator
