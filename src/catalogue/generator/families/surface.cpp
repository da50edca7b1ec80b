// The `surface` family: paths over a lumpy sphere. Longitude turns A times
// per period with a slight wobble, latitude swings B times, and the radius
// swells three times; `low` records stay near the equator, `wide` ones reach
// towards the poles.
#include <cmath>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {
namespace {

struct SurfaceRoute {
    const char* name;
    int longitude_turns;
    int latitude_swings;
    double latitude_amplitude;
};

constexpr SurfaceRoute surface_routes[] = {
    {"surface_1_2_low", 1, 2, 0.5},    {"surface_1_3_low", 1, 3, 0.65},
    {"surface_1_4_low", 1, 4, 0.8},    {"surface_1_5_low", 1, 5, 0.55},
    {"surface_2_3_low", 2, 3, 0.6},    {"surface_2_5_low", 2, 5, 0.75},
    {"surface_3_4_low", 3, 4, 0.5},    {"surface_3_5_low", 3, 5, 0.7},
    {"surface_1_2_wide", 1, 2, 1.1},   {"surface_1_3_wide", 1, 3, 1.2},
    {"surface_1_4_wide", 1, 4, 1.0},   {"surface_1_5_wide", 1, 5, 1.25},
    {"surface_2_3_wide", 2, 3, 1.15},  {"surface_2_5_wide", 2, 5, 1.0},
    {"surface_3_4_wide", 3, 4, 1.2},   {"surface_3_5_wide", 3, 5, 1.05},
};

Table surface_path(const SurfaceRoute& route) {
    constexpr int period = 1024;
    // The largest radius, 1.15, lands on standard_reach.
    const double scale = standard_reach / 1.15;
    return make_table(period, [&](int k) {
        const double theta = cycle_angle(k, period);
        const double rho = 1 + 0.15 * std::cos(3 * theta);
        const double longitude = route.longitude_turns * theta + 0.22 * std::sin(2 * theta);
        const double latitude = route.latitude_amplitude *
                                std::sin(route.latitude_swings * theta + 0.17 * std::sin(theta));
        const double radius = rho * scale;
        const double ring = radius * std::cos(latitude);
        return Row{ring * std::cos(longitude), ring * std::sin(longitude),
                   radius * std::sin(latitude)};
    });
}

constexpr const char* description =
    "A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.";

}  // namespace

void add_surface_tables(TableSet& set) {
    for (const SurfaceRoute& route : surface_routes) {
        set.add(route.name, description, surface_path(route), true);
    }
}

}  // namespace kinemorphs::generator
