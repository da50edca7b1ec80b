// The `beat` family's records, each tied to the groove and gesture it renders.
#pragma once

#include <string>
#include <vector>

#include "catalogue/generator/catalogue_metadata.hpp"
#include "catalogue/generator/families/beat_gestures.hpp"
#include "catalogue/generator/families/beat_score.hpp"

namespace kinemorphs::generator {

struct BeatRecord {
    std::string name;
    std::string description;
    bool flat;  // the gesture moves only x and y in this groove
    const Groove* groove;
    const Gesture* gesture;
};

// Every groove crossed with every gesture, in catalogue order.
const std::vector<BeatRecord>& beat_records();

}  // namespace kinemorphs::generator
