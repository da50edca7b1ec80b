// The `gesture` family: single-point abstract gestures over eight beats,
// each a closed path through timed keys with resting holds and eased turns.
// Up is -y, as everywhere in the catalogue: a high arc passes through
// negative y, a low scoop through positive y.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 512;
constexpr auto rest = Passage::resting;
constexpr auto flow = Passage::flowing;

// The deepest point of `gesture_reach_depth`, the lowest depth in the
// catalogue; the gesture's largest magnitude stays standard_reach, reached sideways.
constexpr double deepest_reach = -0.819999514101;

struct Gesture {
    std::string name;
    std::string title;  // as it reads in the description
    std::vector<Key> keys;
};

std::vector<Gesture> gestures() {
    return {
        // Out to the right, hold, home; a smaller answer to the left.
        {"gesture_side_reach", "side reach",
         {{beats(0), {0.0, 0.0, 0.0}, rest},
          {beats(1.1), {0.42, -0.16, 0.0}, flow},
          {beats(2), {0.8, -0.08, 0.0}, rest},
          {beats(2.75), {0.78, -0.05, 0.0}, rest},
          {beats(3.75), {0.3, 0.1, 0.0}, flow},
          {beats(4.5), {0.0, 0.0, 0.0}, rest},
          {beats(5), {0.0, 0.0, 0.0}, rest},
          {beats(6), {-0.5, -0.12, 0.0}, rest},
          {beats(6.5), {-0.48, -0.1, 0.0}, rest},
          {beats(7.3), {-0.15, 0.06, 0.0}, flow}}},
        // Cross low to the left, then swing through to a high reach right.
        {"gesture_cross_reach", "cross and reach",
         {{beats(0), {0.0, 0.0, 0.0}, rest},
          {beats(1), {-0.3, 0.28, 0.0}, flow},
          {beats(2), {-0.6, 0.36, 0.0}, rest},
          {beats(3.2), {0.15, 0.05, 0.0}, flow},
          {beats(4.3), {0.66, -0.62, 0.0}, rest},
          {beats(5.1), {0.62, -0.6, 0.0}, rest},
          {beats(6.2), {0.25, -0.3, 0.0}, flow},
          {beats(7.2), {0.0, 0.0, 0.0}, rest}}},
        // A deep U from high left to high right, home along a shallow top arc.
        {"gesture_low_scoop", "low scoop",
         {{beats(0), {-0.7, -0.3, 0.0}, rest},
          {beats(1.4), {-0.45, 0.5, 0.0}, flow},
          {beats(2.5), {0.05, standard_reach, 0.0}, flow},
          {beats(3.5), {0.5, 0.45, 0.0}, flow},
          {beats(4.4), {0.68, -0.35, 0.0}, rest},
          {beats(5), {0.66, -0.38, 0.0}, rest},
          {beats(6.5), {0.0, -0.48, 0.0}, flow}}},
        // A tall arc overhead from left to right, back along a low path.
        {"gesture_high_arc", "high arc",
         {{beats(0), {-0.74, 0.1, 0.0}, rest},
          {beats(1.2), {-0.55, -0.52, 0.0}, flow},
          {beats(2.3), {0.0, -standard_reach, 0.0}, flow},
          {beats(3.4), {0.55, -0.5, 0.0}, flow},
          {beats(4.5), {0.72, 0.05, 0.0}, rest},
          {beats(5.1), {0.7, 0.08, 0.0}, rest},
          {beats(6.6), {0.0, 0.3, 0.0}, flow}}},
        // Travel to each corner of a square and tap outward there.
        {"gesture_corner_taps", "corner taps",
         {{beats(0), {0.55, -0.55, 0.0}, rest},
          {beats(0.45), {0.72, -0.72, 0.0}, rest},
          {beats(0.9), {0.56, -0.56, 0.0}, rest},
          {beats(2), {-0.55, -0.55, 0.0}, rest},
          {beats(2.45), {-0.72, -0.72, 0.0}, rest},
          {beats(2.9), {-0.56, -0.56, 0.0}, rest},
          {beats(4), {-0.55, 0.55, 0.0}, rest},
          {beats(4.45), {-0.72, 0.72, 0.0}, rest},
          {beats(4.9), {-0.56, 0.56, 0.0}, rest},
          {beats(6), {0.55, 0.55, 0.0}, rest},
          {beats(6.45), {0.72, 0.72, 0.0}, rest},
          {beats(6.9), {0.56, 0.56, 0.0}, rest}}},
        // Touches along one diagonal, long up-right and short down-left.
        {"gesture_diagonal_touch", "diagonal touch",
         {{beats(0), {0.08, 0.06, 0.0}, rest},
          {beats(1.2), {0.72, -0.72, 0.0}, rest},
          {beats(1.6), {0.66, -0.64, 0.0}, rest},
          {beats(2.8), {0.0, -0.06, 0.0}, flow},
          {beats(3.8), {-0.5, 0.52, 0.0}, rest},
          {beats(4.2), {-0.44, 0.46, 0.0}, rest},
          {beats(5.4), {0.4, -0.36, 0.0}, rest},
          {beats(5.8), {0.34, -0.32, 0.0}, rest},
          {beats(7), {-0.3, 0.32, 0.0}, rest}}},
        // From the centre out to a corner, round the box, back to the centre.
        {"gesture_box_return", "box and centre",
         {{beats(0), {0.0, 0.0, 0.0}, rest},
          {beats(1), {0.6, -0.5, 0.0}, rest},
          {beats(2.5), {-0.6, -0.5, 0.0}, rest},
          {beats(3.8), {-0.6, 0.5, 0.0}, rest},
          {beats(5.3), {0.6, 0.5, 0.0}, rest},
          {beats(6.4), {0.6, -0.45, 0.0}, rest},
          {beats(7.3), {0.0, 0.0, 0.0}, rest}}},
        // Zigzag upward from low left, then a smooth fall back.
        {"gesture_zigzag_lift", "zigzag lift",
         {{beats(0), {-0.55, 0.72, 0.0}, rest},
          {beats(0.9), {0.5, 0.42, 0.0}, rest},
          {beats(1.8), {-0.5, 0.1, 0.0}, rest},
          {beats(2.7), {0.5, -0.22, 0.0}, rest},
          {beats(3.6), {-0.5, -0.52, 0.0}, rest},
          {beats(4.5), {0.45, -0.78, 0.0}, rest},
          {beats(5.1), {0.42, -0.76, 0.0}, rest},
          {beats(6.5), {0.1, 0.2, 0.0}, flow}}},
        // Duck low, sway side to side while down, rise again.
        {"gesture_duck_sway", "duck and sway",
         {{beats(0), {0.0, -0.3, 0.0}, rest},
          {beats(1.2), {0.05, 0.62, 0.0}, rest},
          {beats(2.2), {-0.78, 0.5, 0.0}, rest},
          {beats(3.4), {0.62, 0.56, 0.0}, rest},
          {beats(4.6), {-0.5, 0.6, 0.0}, rest},
          {beats(5.5), {0.0, 0.66, 0.0}, rest},
          {beats(6.8), {0.02, -0.34, 0.0}, rest}}},
        // Push forward, hold, pull back behind the start, return.
        {"gesture_push_pull", "push and pull",
         {{beats(0), {0.0, 0.0, 0.0}, rest},
          {beats(1.5), {0.12, -0.1, standard_reach}, rest},
          {beats(2.3), {0.1, -0.12, 0.8}, rest},
          {beats(3.6), {0.0, -0.04, 0.0}, flow},
          {beats(4.8), {-0.14, 0.12, -0.6}, rest},
          {beats(5.5), {-0.12, 0.14, -0.58}, rest},
          {beats(6.8), {0.0, 0.0, 0.0}, rest}}},
        // Sweep out to the right and on through the depth behind.
        {"gesture_reach_depth", "reach through depth",
         {{beats(0), {0.0, 0.0, 0.0}, rest},
          {beats(1.3), {0.5, -0.2, 0.35}, flow},
          {beats(2.4), {standard_reach, -0.1, -0.1}, flow},
          {beats(3.5), {0.45, 0.1, -0.8}, rest},
          {beats(4.2), {0.42, 0.12, -0.76}, rest},
          {beats(5.6), {0.1, -0.1, -0.3}, flow},
          {beats(6.8), {0.0, 0.0, 0.0}, rest}}},
        // Bow down and forward, rise, then turn a circle through depth.
        {"gesture_bow_turn", "bow and turn",
         {{beats(0), {0.0, -0.35, 0.0}, rest},
          {beats(1.4), {0.0, 0.55, 0.5}, rest},
          {beats(2.1), {0.0, 0.58, 0.52}, rest},
          {beats(3.2), {0.0, -0.3, 0.0}, flow},
          {beats(4), {0.6, -0.22, -0.3}, flow},
          {beats(5), {0.0, -0.2, -0.45}, flow},
          {beats(6), {-0.6, -0.22, -0.3}, flow},
          {beats(7), {-0.05, -0.3, 0.02}, flow}}},
        // Heel taps low left, toe taps low right, a lift between them.
        {"gesture_heel_toe", "heel-toe abstract",
         {{beats(0), {-0.3, 0.05, 0.0}, rest},
          {beats(0.8), {-0.45, 0.72, 0.0}, rest},
          {beats(1.4), {-0.35, 0.35, 0.0}, rest},
          {beats(2.1), {-0.45, 0.72, 0.0}, rest},
          {beats(3.1), {0.0, -0.2, 0.0}, flow},
          {beats(4.1), {0.5, 0.55, 0.0}, rest},
          {beats(4.7), {0.4, 0.28, 0.0}, rest},
          {beats(5.3), {0.5, 0.55, 0.0}, rest},
          {beats(6.6), {0.05, -0.2, 0.0}, flow}}},
        // Two quick hops up, then a sideways answer and home.
        {"gesture_hop_answer", "hop and answer",
         {{beats(0), {0.0, 0.0, 0.0}, rest},
          {beats(0.7), {0.05, -0.7, 0.0}, rest},
          {beats(1.4), {0.0, 0.0, 0.0}, rest},
          {beats(1.8), {0.0, 0.0, 0.0}, rest},
          {beats(2.5), {-0.05, -0.58, 0.0}, rest},
          {beats(3.2), {0.0, 0.0, 0.0}, rest},
          {beats(4.4), {-0.68, -0.24, 0.0}, rest},
          {beats(5), {-0.64, -0.2, 0.0}, rest},
          {beats(6.2), {-0.2, 0.15, 0.0}, flow},
          {beats(7.2), {0.0, 0.0, 0.0}, rest}}},
        // Widening turns that reach forward, then a gathering return.
        {"gesture_spiral_reach", "spiral reach",
         {{beats(0), {0.12, 0.0, -0.3}, flow},
          {beats(0.6), {0.0, -0.18, -0.24}, flow},
          {beats(1.2), {-0.26, 0.0, -0.16}, flow},
          {beats(1.8), {0.0, 0.34, -0.06}, flow},
          {beats(2.4), {0.42, 0.0, 0.06}, flow},
          {beats(3), {0.0, -0.52, 0.18}, flow},
          {beats(3.6), {-0.62, 0.0, 0.3}, flow},
          {beats(4.2), {0.0, 0.7, 0.42}, flow},
          {beats(4.9), {0.78, 0.0, 0.55}, rest},
          {beats(5.4), {0.76, -0.05, 0.56}, rest},
          {beats(6.8), {0.3, -0.2, -0.1}, flow}}},
        // A diamond whose side corners sit in front and behind.
        {"gesture_diamond_depth", "depth diamond",
         {{beats(0), {0.0, -0.74, 0.0}, rest},
          {beats(0.4), {0.0, -0.72, 0.0}, rest},
          {beats(2), {0.66, 0.0, 0.55}, rest},
          {beats(2.4), {0.64, 0.0, 0.54}, rest},
          {beats(4), {0.0, 0.74, 0.0}, rest},
          {beats(4.4), {0.0, 0.72, 0.0}, rest},
          {beats(6), {-0.66, 0.0, -0.55}, rest},
          {beats(6.4), {-0.64, 0.0, -0.54}, rest}}},
    };
}

}  // namespace

void add_gesture_tables(TableSet& set) {
    for (const Gesture& gesture : gestures()) {
        Table table = normalised(keyed_loop(period, gesture.keys));
        if (gesture.name == "gesture_reach_depth") {
            const double raw_deepest = lane_extent(table, 2).low;
            table = lane_scaled(std::move(table), 2, raw_deepest, deepest_reach);
        }
        set.add(gesture.name,
                "An original single-point " + gesture.title +
                    " gesture. Abstract motion, not a full-body dance or biomechanical recording.",
                std::move(table));
    }
}

}  // namespace kinemorphs::generator
