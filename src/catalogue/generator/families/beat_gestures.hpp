// The beat gestures: each turns any drum score into one period of motion.
#pragma once

#include <span>
#include <string_view>

#include "catalogue/generator/families/beat_score.hpp"
#include "catalogue/generator/table_set.hpp"

namespace kinemorphs::generator {

struct Gesture {
    std::string_view suffix;
    Table (*render)(const Score& score);
    // Table peak for the sparsest and the busiest groove; the renderer's
    // own scale is kept when both are zero.
    double quiet_peak;
    double busy_peak;
    // Record texts; see the gesture list in beat_gestures.cpp.
    std::string_view text;
    std::string_view later_text;
    // How far each loop opens out on its downbeat and draws in toward its
    // end, as a share either way: the phrase gets a shape, and a groove
    // whose bars differ only in order (the two sides of a clave) draws each
    // bar its own size.
    double phrase_swell = 0.2;
};

// Every gesture, in catalogue order.
std::span<const Gesture> beat_gestures();

}  // namespace kinemorphs::generator
