// The `scan` family: a serpentine scan of N rows from the top left, each row
// swept with an eased start and stop and each turn rounded as the mover
// steps down, followed by a return that loops outside the scanned area back
// to the start: round the left side when the scan ends on the left, over the
// top when it ends on the right. `bowed` rows arch upward, `tilted` rows
// slant, and `depth` rows recede one behind the other while the return
// swings forward.
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

// Share of the loop spent scanning; the rest is the outer return.
constexpr double scan_share = 0.78;
// Half the time of a turn, relative to the time of one row.
constexpr double turn_share = 0.2;

// The scanned area before fitting, and how far the return swings outside it.
constexpr double left = -0.6;
constexpr double right = 0.8;
constexpr double top = 0.55;
constexpr double bottom = -0.78;
constexpr double outer = standard_reach;

enum class Style { flat, bowed, tilted, depth };

struct Scan {
    Style style;
    int rows;
    Extent x_box;
    Extent y_box;
    Extent z_box;
};

double row_height(int row, int rows) {
    return top + ((bottom - top) * row) / (rows - 1);
}

double row_start(int row) { return row % 2 == 0 ? left : right; }

// The sideways lane: eased sweeps, then the return.
std::vector<LaneKey> sideways_keys(int rows, double sweep, double back) {
    std::vector<LaneKey> keys;
    for (int row = 0; row <= rows; ++row) {
        keys.push_back({row * sweep, row_start(row), rest});
    }
    const double end = rows * sweep;
    if (rows % 2 == 0) {
        keys.push_back({end + 0.5 * back, -outer, flow});
    } else {
        keys.push_back({end + 0.35 * back, right + 0.12, flow});
        keys.push_back({end + 0.75 * back, 0.1, flow});
    }
    return keys;
}

// A lane that holds one value per row and moves during the turns; the
// return carries it from the last row's value through `swing` back to the
// first row's value.
std::vector<LaneKey> row_keys(const std::vector<double>& levels, double sweep, double back,
                              double swing, double swing_at) {
    const auto rows = static_cast<int>(levels.size());
    std::vector<LaneKey> keys{{0.0, levels[0], rest}};
    for (int row = 1; row < rows; ++row) {
        const double turn = row * sweep;
        keys.push_back({turn - turn_share * sweep, levels[static_cast<std::size_t>(row - 1)], rest});
        keys.push_back({turn + turn_share * sweep, levels[static_cast<std::size_t>(row)], rest});
    }
    const double end = rows * sweep;
    keys.push_back({end, levels.back(), rest});
    keys.push_back({end + swing_at * back, swing, flow});
    return keys;
}

Table scan_rows(const Scan& scan) {
    const int rows = scan.rows;
    const double sweep = (scan_share * period) / rows;
    const double back = period - rows * sweep;
    std::vector<double> heights;
    std::vector<double> depths;
    for (int row = 0; row < rows; ++row) {
        heights.push_back(row_height(row, rows));
        depths.push_back(-0.12 * row);
    }
    const bool ends_left = rows % 2 == 0;
    const std::vector<double> x = keyed_lane(period, sideways_keys(rows, sweep, back));
    // Round the left side: climb steadily. Over the top: rise above the top row.
    const std::vector<double> y = keyed_lane(
        period, row_keys(heights, sweep, back, ends_left ? 0.5 * (top + bottom) : outer,
                         ends_left ? 0.5 : 0.6));
    const std::vector<double> z =
        keyed_lane(period, row_keys(depths, sweep, back, 0.3, 0.5));
    Table table = make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        // Position across the scanned width, -1 at the left and 1 at the right.
        const double across = (2.0 * x[i] - (left + right)) / (right - left);
        double height = y[i];
        if (scan.style == Style::bowed) {
            height = height + 0.22 * (1.0 - across * across);
        } else if (scan.style == Style::tilted) {
            height = height + 0.18 * across;
        }
        return Row{x[i], height, scan.style == Style::depth ? z[i] : 0.0};
    });
    table = lane_fitted(std::move(table), 0, scan.x_box);
    table = lane_fitted(std::move(table), 1, scan.y_box);
    if (scan.style == Style::depth) {
        table = lane_fitted(std::move(table), 2, scan.z_box);
    }
    return table;
}

std::string style_name(Style style) {
    switch (style) {
        case Style::flat: return "flat";
        case Style::bowed: return "bowed";
        case Style::tilted: return "tilted";
        case Style::depth: return "depth";
    }
    return "";
}

constexpr const char* description =
    "An eased serpentine scan and an explicit outer return to the starting point.";

}  // namespace

void add_scan_tables(TableSet& set) {
    constexpr Extent flat{0.0, 0.0};
    // Odd row counts return over the top and reach standard_reach upward; even row
    // counts return round the left and reach standard_reach to the left.
    const std::vector<Scan> scans = {
        {Style::flat, 3, {-0.66, 0.78}, {-0.74, standard_reach}, flat},
        {Style::bowed, 3, {-0.7, 0.76}, {-0.7, standard_reach}, flat},
        {Style::tilted, 3, {-0.62, 0.804}, {-0.76, standard_reach}, flat},
        {Style::depth, 3, {-0.68, 0.77}, {-0.72, standard_reach}, {-0.1, 0.28}},
        {Style::flat, 4, {-standard_reach, 0.79}, {-0.779, 0.72}, flat},
        {Style::bowed, 4, {-standard_reach, 0.75}, {-0.7, 0.78}, flat},
        {Style::tilted, 4, {-standard_reach, 0.77}, {-0.75, 0.74}, flat},
        {Style::depth, 4, {-standard_reach, 0.78}, {-0.73, 0.7}, {-0.121, 0.31}},
        {Style::flat, 5, {-0.64, 0.8}, {-0.76, standard_reach}, flat},
        {Style::bowed, 5, {-0.72, 0.74}, {-0.68, standard_reach}, flat},
        {Style::tilted, 5, {-0.66, 0.79}, {-0.77, standard_reach}, flat},
        {Style::depth, 5, {-0.7, 0.76}, {-0.74, standard_reach}, {-0.11, 0.26}},
        {Style::flat, 6, {-standard_reach, 0.8}, {-0.76, 0.76}, flat},
        {Style::bowed, 6, {-standard_reach, 0.72}, {-0.72, 0.8}, flat},
        {Style::tilted, 6, {-standard_reach, 0.78}, {-0.77, 0.73}, flat},
        {Style::depth, 6, {-standard_reach, 0.76}, {-0.74, 0.71}, {-0.115, 0.29}},
    };
    for (const Scan& scan : scans) {
        set.add("scan_" + style_name(scan.style) + "_" + std::to_string(scan.rows), description,
                scan_rows(scan));
    }
}

}  // namespace kinemorphs::generator
