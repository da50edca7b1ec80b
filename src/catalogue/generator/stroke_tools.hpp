// Building blocks for the tables drawn as a score of smooth strokes: each
// stroke is a Pulse (see shape_tools.hpp) that leans to its hand's side and
// dips, both in proportion to its level.
#pragma once

#include <vector>

#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {

inline constexpr double right_hand = 1.0;
inline constexpr double left_hand = -1.0;

// A stroke of `hand` (+1 right, -1 left): x leans (hand*reach)*level and y
// dips by drop*level, both weighted by the pulse envelope.
inline Pulse stroke(double centre, double half_width, double hand, double level,
                    double reach, double drop) {
    return Pulse{centre, half_width, Row{(hand * reach) * level, -(drop * level), 0.0}};
}

// The hand of alternating events: right on even counts, left on odd ones.
inline double alternating_hand(int count) {
    return count % 2 == 0 ? right_hand : left_hand;
}

// Reads one stroke letter: R/r is the right hand, L/l the left; an upper-case
// letter is accented.
struct Sticking {
    double hand;
    bool accented;
};

inline Sticking read_sticking(char letter) {
    const bool accented = letter == 'R' || letter == 'L';
    const bool right = letter == 'R' || letter == 'r';
    return Sticking{right ? right_hand : left_hand, accented};
}

}  // namespace kinemorphs::generator
