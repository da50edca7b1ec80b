// The `poly` family: an A-pulse lane on the left against a B-pulse lane on the
// right over eight beats. Both lanes start together with a stronger pulse, and
// every right-lane pulse also moves into depth.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int poly_period = 512;
constexpr double poly_half_width = 22.4;

struct Lane {
    Row first_pulse;
    Row other_pulses;
};

constexpr Lane left_lane{{-0.52, -0.26, 0.0}, {-0.403, -0.169, 0.0}};
constexpr Lane right_lane{{0.52, -0.26, 0.22}, {0.403, -0.169, 0.143}};

void add_lane(std::vector<Pulse>& pulses, const Lane& lane, int count) {
    const double spacing = static_cast<double>(poly_period) / count;
    for (int i = 0; i < count; ++i) {
        pulses.push_back(
            Pulse{i * spacing, poly_half_width, i == 0 ? lane.first_pulse : lane.other_pulses});
    }
}

Table poly_table(int left_count, int right_count) {
    std::vector<Pulse> pulses;
    add_lane(pulses, left_lane, left_count);
    add_lane(pulses, right_lane, right_count);
    return sum_pulses(poly_period, pulses);
}

struct Ratio {
    int left;
    int right;
};

constexpr Ratio poly_ratios[] = {
    {2, 5}, {2, 7}, {2, 9}, {3, 5}, {3, 7}, {3, 8}, {3, 10}, {4, 5},
    {4, 7}, {4, 9}, {5, 6}, {5, 7}, {5, 8}, {5, 9}, {6, 7},  {7, 8},
};

constexpr const char* description =
    "Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.";

}  // namespace

void add_poly_tables(TableSet& set) {
    for (const Ratio ratio : poly_ratios) {
        set.add("poly_" + std::to_string(ratio.left) + "_" + std::to_string(ratio.right),
                description, poly_table(ratio.left, ratio.right), true);
    }
}

}  // namespace kinemorphs::generator
