// The descriptive part of every catalogue record, in catalogue order.
#pragma once

#include <string>
#include <vector>

namespace kinemorphs::generator {

struct RecordMetadata {
    std::string name;
    std::string description;
};

// Every family but `beat`, in catalogue order.
const std::vector<RecordMetadata>& family_metadata();

// The `beat` family, every groove by every gesture, after all the others.
const std::vector<RecordMetadata>& beat_metadata();

// Every record in catalogue order; the generator prints how many.
std::vector<RecordMetadata> catalogue_metadata();

}  // namespace kinemorphs::generator
