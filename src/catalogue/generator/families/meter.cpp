// The `meter` family: additive meters of eighth-note groups. Each group start
// leans to alternate sides and dips; the other eighths of a group are small
// dips that push slightly into depth.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/stroke_tools.hpp"

namespace kinemorphs::generator {
namespace {


const std::vector<std::vector<int>> meter_groupings = {
    {2, 3},    {3, 2},    {3, 2, 2},    {2, 3, 2},    {3, 4},          {4, 3},
    {2, 2, 2, 3}, {2, 3, 2, 2}, {3, 2, 3, 2}, {3, 3, 2, 3}, {2, 2, 3, 2, 3}, {3, 3, 3, 2},
    {4, 3, 3}, {3, 4, 4}, {2, 3, 3, 2, 3}, {3, 3, 3, 4},
};

Pulse group_start(int eighth, int group) {
    return stroke(eighth_pips * eighth, 19.2, alternating_hand(group), 1.0, 0.72, 0.33);
}

Pulse subdivision(int eighth) {
    return Pulse{static_cast<double>(eighth_pips * eighth), 32.0 / 3.0, Row{0.0, -0.1134, 0.0504}};
}

Table meter_table(const std::vector<int>& groups) {
    std::vector<Pulse> pulses;
    int eighth = 0;
    for (std::size_t group = 0; group < groups.size(); ++group) {
        pulses.push_back(group_start(eighth++, static_cast<int>(group)));
        for (int within = 1; within < groups[group]; ++within) {
            pulses.push_back(subdivision(eighth++));
        }
    }
    return sum_pulses(eighth_pips * eighth, pulses);
}

std::string meter_name(const std::vector<int>& groups) {
    std::string name = "meter";
    for (const int length : groups) {
        name += '_';
        name += std::to_string(length);
    }
    return name;
}

constexpr const char* description =
    "Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.";

}  // namespace

void add_meter_tables(TableSet& set) {
    for (const std::vector<int>& groups : meter_groupings) {
        set.add(meter_name(groups), description, meter_table(groups));
    }
}

}  // namespace kinemorphs::generator
