// A pack of user patterns that resolves its own names first and every
// built-in name after them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <kinemorphs/rudiments/pattern_info.hpp>
#include <kinemorphs/user/sampled_pattern.hpp>

namespace kinemorphs {

class PatternLibrary {
public:
    // Checks pattern by pattern and throws std::invalid_argument on the first
    // failure. Accepted patterns are moved in; a pattern that restates a
    // built-in pattern exactly is dropped, any other use of a built-in name
    // is refused.
    explicit PatternLibrary(std::vector<SampledPattern> patterns);

    // Samples the stored pattern of this name, else the built-in one; throws
    // std::invalid_argument "Unknown kinemorph: <name>" for any other name.
    Offset3 sample(std::string_view name, std::int32_t pip) const;

    // The built-in records, then one record per stored pattern; the texts
    // refer into the registry and into this library.
    std::vector<PatternInfo> catalogue() const;

private:
    std::vector<SampledPattern> patterns_;
};

}  // namespace kinemorphs
