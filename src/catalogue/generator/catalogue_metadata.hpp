// The descriptive part of every catalogue record, in catalogue order.
#pragma once

#include <string>
#include <vector>

namespace kinemorphs::generator {

struct RecordMetadata {
    std::string name;
    std::string description;
    int period_pips;
    int dimensions;
};

// Records 0-627: every family but `beat`.
const std::vector<RecordMetadata>& family_metadata();

// Records 628-1715: the `beat` family, every groove by every gesture.
const std::vector<RecordMetadata>& beat_metadata();

// All 1716 records in catalogue order.
std::vector<RecordMetadata> catalogue_metadata();

}  // namespace kinemorphs::generator
