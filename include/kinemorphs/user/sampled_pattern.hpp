// A user-supplied periodic pattern: one displacement per pip over a period.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <kinemorphs/core/pip.hpp>

namespace kinemorphs {

using PatternSamples = std::vector<std::array<double, 3>>;

class SampledPattern {
public:
    // Validates name, description encoding, size and values in that order;
    // throws std::invalid_argument on the first failure.
    SampledPattern(std::string name, std::string description, PatternSamples samples);

    // Copies share the immutable sample table, so copying a pattern costs
    // the same whatever its size and is still a copy in every observable way.
    SampledPattern(const SampledPattern&) = default;
    SampledPattern& operator=(const SampledPattern&) = default;
    // Moving leaves the source with no samples and empty texts, the one
    // state in which sampling is refused.
    SampledPattern(SampledPattern&& other) noexcept;
    SampledPattern& operator=(SampledPattern&& other) noexcept;

    // The sample at the pip wrapped into the period; throws std::logic_error
    // "Cannot sample a moved-from pattern" on a moved-from pattern.
    Offset3 sample(std::int32_t pip) const;

    const std::string& name() const noexcept { return name_; }
    const std::string& description() const noexcept { return description_; }
    std::int32_t period_pips() const noexcept {
        return samples_ ? static_cast<std::int32_t>(samples_->size()) : 0;
    }
    std::uint8_t dimensions() const noexcept { return dimensions_; }

private:
    std::string name_;
    std::string description_;
    // Never empty while set; null only in the moved-from state.
    std::shared_ptr<const PatternSamples> samples_;
    std::uint8_t dimensions_ = 1;
};

}  // namespace kinemorphs
