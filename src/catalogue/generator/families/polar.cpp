// The `polar` family: signed-radius roses that pass through the centre, and
// positive-radius scallops that never do.
#include <cmath>
#include <string>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {
namespace {

// A rose of `petals` petals: an odd count is traced once by half a turn of
// the parameter, an even count needs a full turn at half the frequency.
Table rose_of_petals(int petals) {
    if (petals % 2 == 1) {
        return rose_table(1024, 0.5, petals);
    }
    return rose_table(1024, 1.0, petals / 2);
}

// N scallops around a circle of radius 0.58; the 0.2*sin(theta) phase bend
// makes the lobes lean unevenly. The radius stays within 0.34 ... standard_reach.
Table scallop(int lobes) {
    constexpr int period = 1024;
    return make_table(period, [&](int k) {
        const double theta = cycle_angle(k, period);
        const double r = 0.58 + 0.24 * std::cos(lobes * theta + 0.2 * std::sin(theta));
        return Row{r * std::cos(theta), r * std::sin(theta), 0.0};
    });
}

constexpr const char* rose_description =
    "A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.";
constexpr const char* scallop_description =
    "A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.";

}  // namespace

void add_polar_tables(TableSet& set) {
    for (const int petals : {3, 6, 7, 8, 9, 10, 11, 12}) {
        set.add("polar_rose_" + std::to_string(petals), rose_description, rose_of_petals(petals));
    }
    for (int lobes = 2; lobes <= 9; ++lobes) {
        set.add("polar_scallop_" + std::to_string(lobes), scallop_description, scallop(lobes));
    }
}

}  // namespace kinemorphs::generator
