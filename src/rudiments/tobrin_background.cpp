// A keyframed four-beat drift. Its 256-row table is interpolated once, by a
// static initialiser, when the library is loaded.
#include <array>

#include "rudiments/rudiments.hpp"

namespace kinemorphs {
namespace {

struct Keyframe {
    std::int32_t pip;
    double x;
    double y;
};

constexpr std::array<Keyframe, 14> tobrin_keyframes{{
    {0, 0.0, 0.0},
    {23, 2.0 / 14.0, -0.1},
    {33, 13.0 / 14.0, -0.8},
    {49, 5.0 / 14.0, -0.4},
    {87, -3.0 / 14.0, 0.2},
    {100, -1.0, 0.9},
    {118, -5.0 / 14.0, 0.5},
    {154, 1.0 / 14.0, 0.0},
    {169, 12.0 / 14.0, 1.0},
    {187, 4.0 / 14.0, 0.5},
    {215, -2.0 / 14.0, -0.2},
    {228, -10.0 / 14.0, -0.9},
    {243, -3.0 / 14.0, -0.3},
    {256, 0.0, 0.0},
}};

using Table = std::array<Offset3, 256>;

// A row on a keyframe's pip ends the segment before it, so it holds
// (x[i+1] - x[i]) + x[i], which may differ from the keyframe in the last bit.
Table build_tobrin_table() {
    Table table{};
    std::size_t i = 0;
    for (std::int32_t j = 0; j < 256; ++j) {
        while (i + 1 < tobrin_keyframes.size() && j > tobrin_keyframes[i + 1].pip) {
            ++i;
        }
        const Keyframe& from = tobrin_keyframes[i];
        const Keyframe& to = tobrin_keyframes[i + 1];
        const double e = static_cast<double>(j - from.pip) / static_cast<double>(to.pip - from.pip);
        const double f = smoothstep(e);
        table[static_cast<std::size_t>(j)] = {(to.x - from.x) * f + from.x,
                                              (to.y - from.y) * f + from.y, 0.0};
    }
    return table;
}

const Table tobrin_background_table = build_tobrin_table();

}  // namespace

Offset3 tobrin_background(std::int32_t pip) noexcept {
    return tobrin_background_table[static_cast<std::size_t>(wrap_pip(pip, 256))];
}

}  // namespace kinemorphs
