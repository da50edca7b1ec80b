#include "user/sampled_pattern.hpp"

#include <cmath>
#include <stdexcept>
#include <utility>

#include "core/identifier.hpp"
#include "core/input_limits.hpp"
#include "core/utf8.hpp"

namespace kinemorphs {
namespace {

bool is_unit_value(double value) noexcept {
    return std::isfinite(value) && value >= -1.0 && value <= 1.0;
}

}  // namespace

SampledPattern::SampledPattern(std::string name, std::string description, PatternSamples samples)
    : name_(std::move(name)), description_(std::move(description)) {
    if (!is_identifier(name_)) {
        throw std::invalid_argument("Invalid pattern name");
    }
    // Descriptions come back to Python as str; a text that cannot be
    // decoded would make the pattern and its library's listing unreadable.
    if (!is_valid_utf8(description_)) {
        throw std::invalid_argument("Pattern description is not valid UTF-8");
    }
    if (samples.empty() || samples.size() > max_pattern_samples) {
        throw std::invalid_argument("A pattern requires 1..65535 samples (one per pip)");
    }
    for (const auto& [x, y, z] : samples) {
        if (!is_unit_value(x) || !is_unit_value(y) || !is_unit_value(z)) {
            throw std::invalid_argument("Pattern samples must be finite and within [-1, 1]");
        }
        if (z != 0.0) {
            dimensions_ = 3;
        } else if (y != 0.0 && dimensions_ != 3) {
            dimensions_ = 2;
        }
    }
    samples_ = std::make_shared<const PatternSamples>(std::move(samples));
}

SampledPattern::SampledPattern(SampledPattern&& other) noexcept
    : name_(std::exchange(other.name_, {})),
      description_(std::exchange(other.description_, {})),
      samples_(std::exchange(other.samples_, {})),
      dimensions_(std::exchange(other.dimensions_, std::uint8_t{1})) {}

SampledPattern& SampledPattern::operator=(SampledPattern&& other) noexcept {
    name_ = std::exchange(other.name_, {});
    description_ = std::exchange(other.description_, {});
    samples_ = std::exchange(other.samples_, {});
    dimensions_ = std::exchange(other.dimensions_, std::uint8_t{1});
    return *this;
}

Offset3 SampledPattern::sample(std::int32_t pip) const {
    if (!samples_) {
        throw std::logic_error("Cannot sample a moved-from pattern");
    }
    const auto& [x, y, z] = (*samples_)[static_cast<std::size_t>(wrap_pip(pip, period_pips()))];
    return {x, y, z};
}

}  // namespace kinemorphs
