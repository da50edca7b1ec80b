// The `beat` family: every groove score rendered by every gesture.
//
// A gesture's table is scaled to a peak that grows with how busy the groove
// is, then shrunk further where needed to fit the family's motion envelope.
// Only whole tables are scaled; nothing is clipped.
#include <algorithm>
#include <array>
#include <cmath>

#include "catalogue/generator/beat_records.hpp"
#include "catalogue/generator/families.hpp"
#include "catalogue/generator/pip_grid.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

struct AxisLimits {
    double low;
    double high;
};

// The envelope every beat table keeps within, per axis.
constexpr std::array<AxisLimits, 3> envelope{{{-0.85586587211, 0.856}, {-0.92, 0.707}, {-0.601, 0.92}}};

// Weighted onsets per bar: how much a groove gives the body to follow.
double busyness(const Score& score) {
    double sum = 0.0;
    for (const Onset& onset : score.onsets) {
        switch (onset.role) {
            case Role::kick:
            case Role::snare: sum += onset.velocity; break;
            case Role::hat: sum += 0.4 * onset.velocity; break;
            case Role::perc:
            case Role::bass: sum += 0.7 * onset.velocity; break;
        }
    }
    return sum / (score.period / static_cast<double>(bar_pips));
}

// The largest factor (up to `scale`) that keeps every axis inside the
// envelope.
double fitted_scale(const Table& table, double scale) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
        double low = 0.0;
        double high = 0.0;
        for (const Row& row : table) {
            low = std::min(low, row[axis]);
            high = std::max(high, row[axis]);
        }
        if (high * scale > envelope[axis].high) scale = envelope[axis].high / high;
        if (low * scale < envelope[axis].low) scale = envelope[axis].low / low;
    }
    return scale;
}

Table with_phrase_swell(Table table, double swell) {
    const double period = static_cast<double>(table.size());
    for (std::size_t k = 0; k < table.size(); ++k) {
        const double gain = 1.0 + swell * std::cos((two_pi * static_cast<double>(k)) / period);
        for (double& value : table[k]) value = value * gain;
    }
    return table;
}

Table times(Table table, double scale) {
    for (Row& row : table) {
        for (double& value : row) value = value * scale;
    }
    return table;
}

}  // namespace

void add_beat_tables(TableSet& set) {
    double calmest = 1e9;
    double busiest = 0.0;
    for (const Groove& groove : beat_grooves()) {
        calmest = std::min(calmest, busyness(groove.score));
        busiest = std::max(busiest, busyness(groove.score));
    }
    for (const BeatRecord& record : beat_records()) {
        const Score& score = record.groove->score;
        const Gesture& gesture = *record.gesture;
        Table table = gesture.render(score);
        if (record.flat) {
            for (Row& row : table) row[2] = 0.0;
        }
        table = with_phrase_swell(std::move(table), gesture.phrase_swell);
        double scale = 1.0;
        if (gesture.busy_peak > 0.0) {
            const double busy = (busyness(score) - calmest) / (busiest - calmest);
            scale = (gesture.quiet_peak + (gesture.busy_peak - gesture.quiet_peak) * busy) / peak_magnitude(table);
        }
        scale = fitted_scale(table, scale);
        set.add(record.name, record.description, times(std::move(table), scale));
    }
}

}  // namespace kinemorphs::generator
