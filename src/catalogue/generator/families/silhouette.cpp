// The `silhouette` family: closed outlines made of three unequal harmonics,
// each axis mixing them with its own phases, plus a small depth term.
#include <cmath>
#include <cstdio>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {
namespace {

struct Harmonics {
    int a;
    int b;
    int c;
    double p;
    double q;
};

// silhouette_harmonic_01 ... silhouette_harmonic_16.
constexpr Harmonics silhouette_harmonics[] = {
    {1, 2, 3, 0.2, 0.16},  {1, 3, 5, 0.35, 0.12}, {2, 3, 4, 0.3, 0.18},  {2, 5, 7, 0.23, 0.16},
    {1, 4, 7, 0.35, 0.21}, {3, 4, 5, 0.28, 0.14}, {2, 7, 9, 0.19, 0.12}, {3, 5, 8, 0.3, 0.17},
    {1, 2, 5, 0.4, 0.22},  {1, 5, 8, 0.27, 0.24}, {2, 3, 7, 0.34, 0.2},  {3, 7, 10, 0.26, 0.16},
    {2, 4, 9, 0.33, 0.23}, {3, 4, 9, 0.29, 0.25}, {4, 5, 7, 0.25, 0.21}, {4, 7, 11, 0.21, 0.16},
};

Row outline_at(const Harmonics& h, double theta) {
    const double x = std::cos(h.a * theta) + h.p * std::sin(h.b * theta + 0.3) +
                     h.q * std::cos(h.c * theta);
    const double y = 0.65 * std::sin(h.a * theta + 0.2) + h.q * std::sin(h.b * theta) -
                     h.p * std::cos(h.c * theta + 0.1);
    const double z = (0.12 * std::sin(theta)) * std::sin((h.a + h.b) * theta);
    return Row{x, y, z};
}

// The scale comes from the outline's peak over 2048 angles, twice the table's
// resolution, so a sampled table may peak just below standard_reach.
Table silhouette_table(const Harmonics& h) {
    constexpr int period = 1024;
    constexpr int fine_angles = 2048;
    const double fine_peak = peak_magnitude(
        make_table(fine_angles, [&](int j) { return outline_at(h, cycle_angle(j, fine_angles)); }));
    return scaled(make_table(period, [&](int k) { return outline_at(h, cycle_angle(k, period)); }),
                  fine_peak);
}

constexpr const char* description =
    "Three unequal harmonic components, with cross-axis phases and a small linked depth term.";

}  // namespace

void add_silhouette_tables(TableSet& set) {
    int number = 1;
    for (const Harmonics& h : silhouette_harmonics) {
        char name[32];
        std::snprintf(name, sizeof name, "silhouette_harmonic_%02d", number++);
        set.add(name, description, silhouette_table(h), true);
    }
}

}  // namespace kinemorphs::generator
