// The `wave` family: shaped single-cycle control waves over eight beats,
// mapped to horizontal displacement and scaled so their peak is standard_reach.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/generator/curve_tools.hpp"
#include "catalogue/generator/families.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 512;

// x = raw(theta) at every row, scaled so the largest |raw| becomes standard_reach.
Table wave_table(const std::function<double(double)>& raw) {
    return normalised(make_table(period, [&](int k) {
        return Row{raw(cycle_angle(k, period)), 0.0, 0.0};
    }));
}

std::string described(const std::string& title) {
    return title + "; a continuous shaped control wave, mapped to horizontal displacement.";
}

}  // namespace

void add_wave_tables(TableSet& set) {
    const struct {
        const char* name;
        const char* title;
        std::function<double(double)> raw;
    } formulas[] = {
        {"wave_pinched", "Pinched sine", [](double t) {
             const double s = std::sin(t);
             return s * s * s;
         }},
        {"wave_shouldered", "Shouldered sine",
         [](double t) { return std::sin(t) * (1.0 + 0.62 * std::cos(2.0 * t)); }},
        {"wave_folded", "Folded sine", [](double t) { return std::sin(2.2 * std::sin(t)); }},
        {"wave_double_fold", "Double-fold wave",
         [](double t) { return std::sin(3.8 * std::sin(t)); }},
        {"wave_rounded_square", "Rounded square",
         [](double t) { return std::tanh(2.0 * std::sin(t)); }},
        {"wave_soft_rectifier", "Soft rectified swell", [](double t) {
             const double s = std::sin(t);
             return std::sqrt(s * s + 0.13) - 0.7;
         }},
        {"wave_skew_warp", "Phase-skew sweep",
         [](double t) { return std::sin(t + 0.7 * std::sin(t)); }},
        {"wave_shelf_wave", "Shelf and scoop", [](double t) {
             return std::tanh(2.0 * std::sin(t)) + 0.23 * std::sin(3.0 * t + 0.4);
         }},
        {"wave_notched", "Notched crest", [](double t) {
             return std::sin(t) - 0.36 * std::sin(3.0 * t) + 0.12 * std::cos(5.0 * t);
         }},
        {"wave_bottle", "Bottle-neck swell",
         [](double t) { return std::sin(t) / (1.45 + 0.45 * std::cos(2.0 * t)); }},
        {"wave_reed", "Reed flutter",
         [](double t) { return std::sin(t) * (0.85 + 0.4 * std::cos(7.0 * t)); }},
        {"wave_unequal_peaks", "Unequal double crest", [](double t) {
             return 0.67 * std::sin(t) + 0.4 * std::sin(2.0 * t + 0.8);
         }},
        {"wave_ripple_return", "Rippled recovery", [](double t) {
             return std::sin(t) + 0.09 * std::sin(5.0 * t) * (1.0 + std::cos(t));
         }},
        {"wave_soft_teeth", "Soft triple teeth", [](double t) {
             return std::tanh(1.8 * (std::sin(t) + 0.4 * std::sin(3.0 * t)));
         }},
        {"wave_warped_fold", "Warped wave fold", [](double t) {
             return std::sin(2.6 * std::sin(t + 0.34 * std::sin(2.0 * t)));
         }},
    };
    for (const auto& [name, title, raw] : formulas) {
        set.add(name, described(title), wave_table(raw), true);
    }

    // A quick rise to the crest, then a return that scoops below the
    // centre line and eases back up; the phase offset starts it mid-rise.
    set.add("wave_scoop_warp", described("Scooped return"), wave_table([](double t) {
                const double u = t + 0.5;
                return std::sin(u + 0.55 * std::sin(u)) - 0.3 * std::sin(2.0 * u + 0.9);
            }));
}

}  // namespace kinemorphs::generator
