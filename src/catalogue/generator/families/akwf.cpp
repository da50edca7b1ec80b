// The `akwf` family: four single-cycle waveforms of the Adventure Kid
// Waveforms collection (CC0 1.0), each point of the 256-point cycle becoming
// one pip of a four-beat loop in x.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "catalogue/generator/catalogue_limits.hpp"
#include "catalogue/generator/families.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr std::size_t points = 256;

constexpr std::int16_t source_waveforms[4][points] = {
#include "catalogue/generator/families/akwf_waveforms.inc"
};

// Steps at the pip rate must stay below the catalogue's bound; this limit
// keeps a small margin for the 12-decimal rounding.
constexpr double step_limit = 0.2675;
static_assert(step_limit < max_neighbour_step);

double step(const Table& table, std::size_t from) {
    return std::fabs(table[(from + 1) % points][0] - table[from][0]);
}

// A waveform's reset can be steeper than a position loop may move in one
// pip. Each too-steep step is softened by moving one of its two points
// (whichever needs the smaller change) just far enough that both of that
// point's steps fit the limit; every other point keeps its source value.
Table softened(Table table) {
    for (std::size_t i = 0; i < points; ++i) {
        if (step(table, i) <= step_limit) {
            continue;
        }
        double best_change = INFINITY;
        std::size_t best_point = 0;
        double best_value = 0.0;
        for (const std::size_t point : {i, (i + 1) % points}) {
            const double before = table[(point + points - 1) % points][0];
            const double after = table[(point + 1) % points][0];
            // Values within step_limit of both neighbours.
            const double low = std::max(before, after) - step_limit;
            const double high = std::min(before, after) + step_limit;
            if (low > high) {
                continue;
            }
            const double value = std::clamp(table[point][0], low, high);
            const double change = std::fabs(value - table[point][0]);
            if (change < best_change) {
                best_change = change;
                best_point = point;
                best_value = value;
            }
        }
        if (best_change == INFINITY) {
            throw std::logic_error("akwf reset too steep to soften at one point");
        }
        table[best_point][0] = best_value;
    }
    return table;
}

// The waveform scaled so that its largest magnitude is 0.85.
Table waveform_table(std::size_t index) {
    const std::int16_t* source = source_waveforms[index];
    double peak = 0.0;
    for (std::size_t k = 0; k < points; ++k) {
        peak = std::max(peak, std::fabs(static_cast<double>(source[k])));
    }
    Table table(points, Row{0.0, 0.0, 0.0});
    for (std::size_t k = 0; k < points; ++k) {
        table[k][0] = (static_cast<double>(source[k]) * 0.85) / peak;
    }
    return softened(table);
}

}  // namespace

void add_akwf_tables(TableSet& set) {
    set.add("akwf_round_saw",
            "AKWF_R_asym_saw_05_256: an actual CC0 waveform slowed to a four-beat position loop.",
            waveform_table(0));     // AKWF_R_asym_saw_05
    set.add("akwf_quick_return",
            "AKWF_R_asym_saw_15_256: an actual CC0 waveform slowed to a four-beat position loop.",
            waveform_table(1));  // AKWF_R_asym_saw_15
    set.add("akwf_multi_lobe",
            "AKWF_0001_256: an actual CC0 waveform slowed to a four-beat position loop.",
            waveform_table(2));    // AKWF_0001
    set.add("akwf_plateau",
            "AKWF_0010_256: an actual CC0 waveform slowed to a four-beat position loop.",
            waveform_table(3));       // AKWF_0010
}

}  // namespace kinemorphs::generator
