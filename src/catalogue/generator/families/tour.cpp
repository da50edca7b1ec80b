// The `tour` family: tour_N_S visits the N vertices of an egg-shaped,
// unevenly spaced polygon in star order, S vertices on at a time. The mover
// eases to a stop at each vertex and holds there, long and short holds in
// turn, before easing off along the straight chord to the next. The 3-axis
// members lay their vertices on a saddle, so the chords also travel in depth.
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

// Relative durations of the parts of one visit.
constexpr double travel_share = 1.0;
constexpr double long_hold_share = 0.6;
constexpr double short_hold_share = 0.2;

struct Tour {
    int vertices;  // N
    int skip;      // S
    double egg;    // strength of the egg shape (radius varies with cos phi)
    double lobes;  // strength of a three-lobed radius ripple
    double x_low;  // the leftmost x; every tour reaches standard_reach on the right
    Extent y_box;
    double depth;  // largest depth magnitude; 0 keeps the tour flat
};

Row vertex(const Tour& tour, int j) {
    const double spacing = two_pi / tour.vertices;
    const double phi = j * spacing + (0.12 * spacing) * std::sin(2.3 * j + 0.5 * tour.vertices);
    const double radius = (1.0 + tour.egg * std::cos(phi)) + tour.lobes * std::cos(3.0 * phi + 0.7);
    return Row{radius * std::cos(phi), radius * std::sin(phi),
               tour.depth == 0.0 ? 0.0 : std::cos(2.0 * phi + 0.3)};
}

Table tour_rows(const Tour& tour) {
    const int n = tour.vertices;
    double total = 0.0;
    for (int visit = 0; visit < n; ++visit) {
        total = total + (travel_share + (visit % 2 == 0 ? long_hold_share : short_hold_share));
    }
    std::vector<Key> keys;
    double elapsed = 0.0;
    for (int visit = 0; visit < n; ++visit) {
        const Row point = vertex(tour, (visit * tour.skip) % n);
        const double hold = visit % 2 == 0 ? long_hold_share : short_hold_share;
        keys.push_back({(elapsed * period) / total, point, Passage::resting});
        keys.push_back({((elapsed + hold) * period) / total, point, Passage::resting});
        elapsed = (elapsed + hold) + travel_share;
    }
    Table table = keyed_loop(period, keys);
    table = lane_fitted(std::move(table), 0, {tour.x_low, standard_reach});
    table = lane_fitted(std::move(table), 1, tour.y_box);
    if (tour.depth != 0.0) {
        table = lane_fitted(std::move(table), 2, {-tour.depth, tour.depth});
    }
    return table;
}

constexpr const char* description =
    "A noncircular vertex tour with eased corners and alternating dwell lengths.";

}  // namespace

void add_tour_tables(TableSet& set) {
    const std::vector<Tour> tours = {
        {5, 2, 0.25, 0.05, -0.56, {-0.47, 0.5}, 0.0},
        {7, 2, 0.2, 0.08, -0.6, {-0.45, 0.48}, 0.0},
        {7, 3, 0.3, 0.04, -0.52, {-0.503, 0.46}, 0.0},
        {8, 3, 0.18, 0.1, -0.58, {-0.42, 0.51}, 0.0},
        {9, 2, 0.28, 0.06, -0.615, {-0.48, 0.44}, 0.0},
        {9, 4, 0.22, 0.09, -0.55, {-0.44, 0.524}, 0.0},
        {10, 3, 0.26, 0.05, -0.6, {-0.5, 0.47}, 0.0},
        {11, 2, 0.2, 0.07, -0.57, {-0.46, 0.5}, 0.0},
        {11, 3, 0.24, 0.08, -0.59, {-0.43, 0.49}, 0.15},
        {11, 4, 0.3, 0.05, -0.54, {-0.49, 0.45}, 0.191},
        {12, 5, 0.18, 0.09, -0.61, {-0.47, 0.52}, 0.17},
        {13, 2, 0.26, 0.04, -0.57, {-0.41, 0.46}, 0.12},
        {13, 3, 0.22, 0.1, -0.6, {-0.5, 0.5}, 0.18},
        {13, 4, 0.28, 0.06, -0.53, {-0.45, 0.42}, 0.14},
        {13, 5, 0.2, 0.08, -0.58, {-0.48, 0.51}, 0.16},
        {14, 3, 0.25, 0.07, -0.6, {-0.44, 0.47}, 0.185},
    };
    for (const Tour& tour : tours) {
        set.add("tour_" + std::to_string(tour.vertices) + "_" + std::to_string(tour.skip),
                description, tour_rows(tour));
    }
}

}  // namespace kinemorphs::generator
