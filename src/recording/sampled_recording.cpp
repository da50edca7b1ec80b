#include "recording/sampled_recording.hpp"

#include <cmath>
#include <stdexcept>
#include <unordered_set>
#include <utility>

#include "core/identifier.hpp"
#include "core/pip.hpp"

namespace kinemorphs {
namespace {

// 2^23 values bound the flat block at 64 MiB.
constexpr std::size_t max_recording_values = 8388608;
constexpr std::int64_t last_pip = 2147483647;

bool has_valid_timing(double bpm, double beat_zero_seconds) noexcept {
    if (!std::isfinite(bpm) || !(bpm > 0.0)) {
        return false;
    }
    const double seconds_per_beat = 60.0 / bpm;
    if (!std::isfinite(seconds_per_beat)) {
        return false;
    }
    const double seconds_per_pip = seconds_per_beat * (1.0 / PIPS_PER_BEAT);
    return seconds_per_pip > 0.0 && std::isfinite(beat_zero_seconds);
}

}  // namespace

SampledRecording::SampledRecording(std::string name, std::vector<std::string> dimensions,
                                   const RecordingRows& samples, double bpm,
                                   double beat_zero_seconds, std::int32_t start_pip)
    : name_(std::move(name)),
      dimensions_(std::move(dimensions)),
      bpm_(bpm),
      beat_zero_seconds_(beat_zero_seconds),
      start_pip_(start_pip) {
    if (!is_identifier(name_)) {
        throw std::invalid_argument("Invalid identifier");
    }
    if (!has_valid_timing(bpm_, beat_zero_seconds_)) {
        throw std::invalid_argument("A finite positive BPM and beat origin are required");
    }
    const std::size_t axis_count = dimensions_.size();
    const std::size_t row_count = samples.size();
    if (axis_count < 1 || axis_count > max_recording_values || row_count < 1 ||
        row_count > max_recording_values / axis_count ||
        static_cast<std::int64_t>(row_count) + start_pip_ > last_pip) {
        throw std::invalid_argument("Empty recording or recording resource limit exceeded");
    }
    std::unordered_set<std::string> seen;
    for (const std::string& axis : dimensions_) {
        if (!is_identifier(axis)) {
            throw std::invalid_argument("Invalid identifier");
        }
        if (!seen.insert(axis).second) {
            throw std::invalid_argument("Duplicate axis");
        }
    }
    values_.reserve(row_count * axis_count);
    for (const std::vector<double>& row : samples) {
        if (row.size() != axis_count) {
            throw std::invalid_argument("Ragged recording");
        }
        for (const double value : row) {
            if (!std::isfinite(value) || std::fabs(value) > 1.0) {
                throw std::invalid_argument("Invalid sample");
            }
            values_.push_back(value);
        }
    }
}

std::vector<double> SampledRecording::sample(std::int32_t pip) const {
    const std::int64_t row = static_cast<std::int64_t>(pip) - start_pip_;
    if (row < 0 || row >= sample_count()) {
        throw std::out_of_range("Pip outside non-looping recording");
    }
    const auto first = values_.begin() + static_cast<std::ptrdiff_t>(row) *
                                             static_cast<std::ptrdiff_t>(dimensions_.size());
    return {first, first + static_cast<std::ptrdiff_t>(dimensions_.size())};
}

}  // namespace kinemorphs
