// The seven drum-rudiment defaults: sums of sin^2 stroke envelopes, right-hand
// strokes pushing x positive and left-hand strokes negative, every stroke
// dipping y.
#include <algorithm>
#include <array>
#include <cmath>

#include "rudiments/rudiments.hpp"

namespace kinemorphs {
namespace {

struct Stroke {
    std::int32_t onset_pip;
    std::int32_t hand;  // +1 right, -1 left
    double amplitude;
    std::int32_t duration_pips;
};

constexpr std::int32_t R = 1;
constexpr std::int32_t L = -1;

template <std::size_t N>
Offset3 stroke_offset(std::int32_t pip, std::int32_t period,
                      const std::array<Stroke, N>& strokes) noexcept {
    const std::int32_t wrapped = wrap_pip(pip, period);
    double sx = 0.0;
    double sy = 0.0;
    for (const Stroke& stroke : strokes) {
        const std::int32_t local = wrap_pip(wrapped - stroke.onset_pip, period);
        double env = 0.0;
        if (local < stroke.duration_pips) {
            const double v = std::sin((static_cast<double>(local) /
                                       static_cast<double>(stroke.duration_pips)) *
                                      3.141592653589793);
            env = (v * stroke.amplitude) * v;
        }
        sx = sx + (static_cast<double>(stroke.hand) * env);
        sy = sy - (env * 0.72);
    }
    return {std::clamp(sx, -1.0, 1.0), std::clamp(sy, -1.0, 1.0), 0.0};
}

constexpr std::array<Stroke, 8> single_stroke_roll_strokes{{
    {0, R, 0.92, 8}, {8, L, 0.92, 8}, {16, R, 0.92, 8}, {24, L, 0.92, 8},
    {32, R, 0.92, 8}, {40, L, 0.92, 8}, {48, R, 0.92, 8}, {56, L, 0.92, 8},
}};

constexpr std::array<Stroke, 8> double_stroke_roll_strokes{{
    {0, R, 0.88, 8}, {8, R, 0.72, 8}, {16, L, 0.88, 8}, {24, L, 0.72, 8},
    {32, R, 0.88, 8}, {40, R, 0.72, 8}, {48, L, 0.88, 8}, {56, L, 0.72, 8},
}};

constexpr std::array<Stroke, 8> multiple_bounce_roll_strokes{{
    {0, R, 0.92, 6}, {6, R, 0.68, 6}, {12, R, 0.48, 6}, {18, R, 0.32, 6},
    {32, L, 0.92, 6}, {38, L, 0.68, 6}, {44, L, 0.48, 6}, {50, L, 0.32, 6},
}};

constexpr std::array<Stroke, 16> single_paradiddle_strokes{{
    {0, R, 1.0, 8}, {8, L, 0.72, 8}, {16, R, 0.72, 8}, {24, R, 0.72, 8},
    {32, L, 1.0, 8}, {40, R, 0.72, 8}, {48, L, 0.72, 8}, {56, L, 0.72, 8},
    {64, R, 1.0, 8}, {72, L, 0.72, 8}, {80, R, 0.72, 8}, {88, R, 0.72, 8},
    {96, L, 1.0, 8}, {104, R, 0.72, 8}, {112, L, 0.72, 8}, {120, L, 0.72, 8},
}};

constexpr std::array<Stroke, 4> flam_strokes{{
    {0, L, 0.34, 10}, {5, R, 0.9, 14}, {32, R, 0.34, 10}, {37, L, 0.9, 14},
}};

constexpr std::array<Stroke, 6> drag_strokes{{
    {0, L, 0.28, 8}, {5, L, 0.32, 8}, {10, R, 0.88, 14},
    {32, R, 0.28, 8}, {37, R, 0.32, 8}, {42, L, 0.88, 14},
}};

constexpr std::array<Stroke, 10> five_stroke_roll_strokes{{
    {0, R, 0.72, 9}, {8, R, 0.62, 9}, {16, L, 0.72, 9}, {24, L, 0.62, 9}, {36, R, 1.0, 14},
    {64, L, 0.72, 9}, {72, L, 0.62, 9}, {80, R, 0.72, 9}, {88, R, 0.62, 9}, {100, L, 1.0, 14},
}};

}  // namespace

Offset3 single_stroke_roll(std::int32_t pip) noexcept {
    return stroke_offset(pip, 64, single_stroke_roll_strokes);
}

Offset3 double_stroke_roll(std::int32_t pip) noexcept {
    return stroke_offset(pip, 64, double_stroke_roll_strokes);
}

Offset3 multiple_bounce_roll(std::int32_t pip) noexcept {
    return stroke_offset(pip, 64, multiple_bounce_roll_strokes);
}

Offset3 single_paradiddle(std::int32_t pip) noexcept {
    return stroke_offset(pip, 128, single_paradiddle_strokes);
}

Offset3 flam(std::int32_t pip) noexcept {
    return stroke_offset(pip, 64, flam_strokes);
}

Offset3 drag(std::int32_t pip) noexcept {
    return stroke_offset(pip, 64, drag_strokes);
}

Offset3 five_stroke_roll(std::int32_t pip) noexcept {
    return stroke_offset(pip, 128, five_stroke_roll_strokes);
}

}  // namespace kinemorphs
