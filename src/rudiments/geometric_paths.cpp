// The seven geometric default paths. Constants and operation grouping are
// written out so that every platform with the same sin/cos gives the same
// bits.
#include <cmath>

#include "rudiments/rudiments.hpp"

namespace kinemorphs {
namespace {

constexpr double two_pi = 6.283185307179586;
constexpr double four_pi = 12.566370614359172;
constexpr double pi = 3.141592653589793;
constexpr double half_pi = 1.5707963267948966;

}  // namespace

Offset3 bounce(std::int32_t pip) noexcept {
    const double w = wrap_pip(pip, 64);
    return {1.0 - (std::fabs(w * 0.015625 - 0.5) * 4.0), 0.0, 0.0};
}

Offset3 sway(std::int32_t pip) noexcept {
    const double w = wrap_pip(pip, 128);
    const double a = (w * 0.0078125) * two_pi;
    return {std::sin(a), 0.0, 0.0};
}

Offset3 circle(std::int32_t pip) noexcept {
    const double w = wrap_pip(pip, 64);
    const double a = (w * 0.015625) * two_pi - half_pi;
    return {std::cos(a), std::sin(a), 0.0};
}

Offset3 figure_eight(std::int32_t pip) noexcept {
    const double w = wrap_pip(pip, 128);
    const double a = (w * 0.0078125) * two_pi;
    return {std::sin(a), std::sin(a + a), 0.0};
}

Offset3 step_touch(std::int32_t pip) noexcept {
    static constexpr double start[4] = {-1.0, 0.0, 1.0, 0.0};
    static constexpr double end[4] = {0.0, 1.0, 0.0, -1.0};
    const std::int32_t w = wrap_pip(pip, 128);
    const std::int32_t k = w / 32;
    const double s = static_cast<double>(w % 32) * 0.03125;
    const double e = smoothstep(s);
    // The lift is the negated product, so it is -0.0 at each segment start.
    return {e * (end[k] - start[k]) + start[k], -(std::sin(s * pi) * 0.35), 0.0};
}

Offset3 box_step(std::int32_t pip) noexcept {
    static constexpr double xs[4] = {-1.0, 1.0, 1.0, -1.0};
    static constexpr double ys[4] = {-1.0, -1.0, 1.0, 1.0};
    static constexpr double xe[4] = {1.0, 1.0, -1.0, -1.0};
    static constexpr double ye[4] = {-1.0, 1.0, 1.0, -1.0};
    const std::int32_t w = wrap_pip(pip, 256);
    const std::int32_t k = w / 64;
    const double s = static_cast<double>(w % 64) * 0.015625;
    const double e = smoothstep(s);
    return {(xe[k] - xs[k]) * e + xs[k], (ye[k] - ys[k]) * e + ys[k], 0.0};
}

Offset3 helix(std::int32_t pip) noexcept {
    const double c = static_cast<double>(wrap_pip(pip, 256)) * 0.00390625;
    const double a = c * four_pi;
    return {std::cos(a), std::sin(a), std::sin(c * two_pi)};
}

}  // namespace kinemorphs
