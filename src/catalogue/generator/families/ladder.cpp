// The `ladder` family: four two-beat regions, each cut into its own number
// of equal gestures that sway from side to side. Every region opens with an
// accent that dips and pushes into depth, one rung deeper per region.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int region_pips = 2 * beat_pips;
constexpr int regions = 4;

using Densities = std::array<int, regions>;

constexpr Densities records[] = {
    {2, 3, 4, 6}, {3, 5, 4, 2}, {2, 5, 3, 7}, {4, 3, 6, 5}, {2, 4, 7, 3}, {3, 6, 2, 5},
    {5, 3, 7, 4}, {6, 4, 3, 2}, {2, 7, 4, 5}, {7, 3, 5, 2}, {4, 7, 3, 6}, {5, 2, 6, 3},
    {3, 4, 5, 7}, {6, 5, 4, 3}, {7, 5, 3, 4}, {4, 6, 7, 5},
};

// Accents alternate sides region by region, the left ones reaching further;
// the first region's accent dips deepest.
Row region_accent(int region) {
    const bool left = region % 2 == 0;
    const double x = left ? (region == 0 ? -0.31 : -0.27) : (region == 1 ? 0.29 : 0.25);
    const double y = region == 0 ? -0.32 : -0.26;
    const double z = 0.08 * (region + 1);
    return Row{x, y, z};
}

Table ladder_table(const Densities& densities) {
    std::vector<Pulse> pulses;
    for (int r = 0; r < regions; ++r) {
        const int density = densities[static_cast<std::size_t>(r)];
        const int previous = densities[static_cast<std::size_t>((r + regions - 1) % regions)];
        const double spacing = grid_pip(1, region_pips, density);
        // Half-widths end where the neighbouring gesture begins, so an accent
        // after a denser region narrows to keep clear of its last gesture.
        const double accent_width = 0.5 * grid_pip(1, region_pips, std::max(density, previous));
        const double start = r * region_pips;
        const Row accent = region_accent(r);
        pulses.push_back(Pulse{start, accent_width, accent});
        const double side = accent[0] < 0.0 ? 1.0 : -1.0;
        for (int j = 1; j < density; ++j) {
            const double sway = j % 2 == 1 ? side : -side;
            pulses.push_back(Pulse{start + grid_pip(j, region_pips, density), 0.5 * spacing,
                                   Row{sway * 0.17, 0.05, 0.0}});
        }
    }
    return sum_pulses(regions * region_pips, pulses);
}

std::string ladder_name(const Densities& d) {
    std::string name = "ladder";
    for (const int n : d) {
        name += '_';
        name += std::to_string(n);
    }
    return name;
}

constexpr const char* description =
    "Four two-beat regions change subdivision density while accents mark region starts.";

}  // namespace

void add_ladder_tables(TableSet& set) {
    for (const Densities& densities : records) {
        set.add(ladder_name(densities), description, ladder_table(densities));
    }
}

}  // namespace kinemorphs::generator
