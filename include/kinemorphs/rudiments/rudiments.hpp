// The fifteen analytic default patterns ("rudiments").
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include <kinemorphs/core/pip.hpp>

namespace kinemorphs {

// Cubic ease from 0 to 1 over s in [0, 1]; the grouping fixes the bits.
constexpr double smoothstep(double s) noexcept {
    return (3.0 - (s + s)) * (s * s);
}

Offset3 bounce(std::int32_t pip) noexcept;
Offset3 sway(std::int32_t pip) noexcept;
Offset3 circle(std::int32_t pip) noexcept;
Offset3 figure_eight(std::int32_t pip) noexcept;
Offset3 step_touch(std::int32_t pip) noexcept;
Offset3 box_step(std::int32_t pip) noexcept;
Offset3 helix(std::int32_t pip) noexcept;
Offset3 tobrin_background(std::int32_t pip) noexcept;
Offset3 single_stroke_roll(std::int32_t pip) noexcept;
Offset3 double_stroke_roll(std::int32_t pip) noexcept;
Offset3 multiple_bounce_roll(std::int32_t pip) noexcept;
Offset3 single_paradiddle(std::int32_t pip) noexcept;
Offset3 flam(std::int32_t pip) noexcept;
Offset3 drag(std::int32_t pip) noexcept;
Offset3 five_stroke_roll(std::int32_t pip) noexcept;

struct Rudiment {
    std::string_view name;
    std::string_view description;
    std::uint16_t period_pips;
    std::uint8_t dimensions;
    PatternFunction function;
};

// The defaults in their fixed order: registry order and module order.
inline constexpr std::array<Rudiment, 15> default_rudiments{{
    {"bounce", "One-beat vertical bounce", 64, 1, bounce},
    {"sway", "Two-beat side-to-side sway", 128, 1, sway},
    {"circle", "One-beat circular orbit", 64, 2, circle},
    {"figure_eight", "Two-beat figure eight", 128, 2, figure_eight},
    {"step_touch", "Two-beat side step with a small lift", 128, 2, step_touch},
    {"box_step", "Four-beat softened square path", 256, 2, box_step},
    {"helix", "Four-beat double-turn helix", 256, 3, helix},
    {"tobrin_background", "Tobrin/Quessa four-beat accented background drift", 256, 2,
     tobrin_background},
    {"single_stroke_roll", "Alternating R/L strokes with smooth attack and decay", 64, 2,
     single_stroke_roll},
    {"double_stroke_roll", "RRLL strokes with a softer second motion", 64, 2,
     double_stroke_roll},
    {"multiple_bounce_roll", "Decaying same-hand bounce clusters", 64, 2,
     multiple_bounce_roll},
    {"single_paradiddle", "RLRR LRLL with accented lead strokes", 128, 2, single_paradiddle},
    {"flam", "Grace motion flowing into an opposite-hand primary motion", 64, 2, flam},
    {"drag", "Two grace motions flowing into an opposite-hand primary motion", 64, 2, drag},
    {"five_stroke_roll", "Two diddles resolving to an accented fifth motion", 128, 2,
     five_stroke_roll},
}};

}  // namespace kinemorphs
