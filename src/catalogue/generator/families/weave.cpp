// The `weave` family: Lissajous traversals of A horizontal against B vertical
// cycles over sixteen beats, the horizontal lane phase-offset so the path
// never folds back on itself.
#include <cmath>
#include <string>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {
namespace {

struct WeaveRatio {
    int horizontal;
    int vertical;
};

constexpr WeaveRatio weave_ratios[] = {
    {1, 3}, {1, 4}, {1, 5}, {2, 5}, {2, 7}, {3, 4}, {3, 5}, {3, 7},
    {3, 8}, {4, 5}, {4, 7}, {4, 9}, {5, 6}, {5, 7}, {5, 8}, {5, 9},
};

Table weave_table(WeaveRatio ratio) {
    constexpr int period = 1024;
    return normalised(make_table(period, [&](int k) {
        return Row{std::sin(cycle_angle(k, period, ratio.horizontal) + 0.37),
                   0.8125 * std::sin(cycle_angle(k, period, ratio.vertical)), 0.0};
    }));
}

}  // namespace

void add_weave_tables(TableSet& set) {
    for (const WeaveRatio ratio : weave_ratios) {
        const std::string horizontal = std::to_string(ratio.horizontal);
        const std::string vertical = std::to_string(ratio.vertical);
        set.add("weave_" + horizontal + "_" + vertical,
                horizontal + " horizontal and " + vertical +
                    " vertical cycles; a phase-offset, closed 16-beat traversal.",
                weave_table(ratio));
    }
}

}  // namespace kinemorphs::generator
