#include "recording/sampled_recording.hpp"

#include <cmath>
#include <span>
#include <stdexcept>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "core/identifier.hpp"
#include "core/input_limits.hpp"
#include "core/pip.hpp"

namespace kinemorphs {
namespace {

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

// Every check before the rows: the name, the timing, the size and the axis
// names, in that order.
void check_all_but_rows(const std::string& name, const std::vector<std::string>& dimensions,
                        std::size_t row_count, double bpm, double beat_zero_seconds,
                        std::int32_t start_pip) {
    if (!is_identifier(name)) {
        throw std::invalid_argument("Invalid identifier");
    }
    if (!has_valid_timing(bpm, beat_zero_seconds)) {
        throw std::invalid_argument("A finite positive BPM and beat origin are required");
    }
    const std::size_t axis_count = dimensions.size();
    if (axis_count < 1 || axis_count > max_recording_values || row_count < 1 ||
        row_count > max_recording_values / axis_count ||
        static_cast<std::int64_t>(row_count) + start_pip > last_pip) {
        throw std::invalid_argument("Empty recording or recording resource limit exceeded");
    }
    std::unordered_set<std::string_view> seen;
    for (const std::string& axis : dimensions) {
        if (!is_identifier(axis)) {
            throw std::invalid_argument("Invalid identifier");
        }
        if (!seen.insert(axis).second) {
            throw std::invalid_argument("Duplicate axis");
        }
    }
}

[[noreturn]] void refuse_ragged() {
    throw std::invalid_argument("Ragged recording");
}

void check_row_values(std::span<const double> row) {
    for (const double value : row) {
        if (!std::isfinite(value) || std::fabs(value) > 1.0) {
            throw std::invalid_argument("Invalid sample");
        }
    }
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
    check_all_but_rows(name_, dimensions_, samples.size(), bpm_, beat_zero_seconds_, start_pip_);
    values_.reserve(samples.size() * dimensions_.size());
    for (const std::vector<double>& row : samples) {
        if (row.size() != dimensions_.size()) {
            refuse_ragged();
        }
        check_row_values(row);
        values_.insert(values_.end(), row.begin(), row.end());
    }
}

SampledRecording::SampledRecording(std::string name, std::vector<std::string> dimensions,
                                   FlatRecordingRows rows, double bpm, double beat_zero_seconds,
                                   std::int32_t start_pip)
    : name_(std::move(name)),
      dimensions_(std::move(dimensions)),
      bpm_(bpm),
      beat_zero_seconds_(beat_zero_seconds),
      start_pip_(start_pip) {
    check_all_but_rows(name_, dimensions_, rows.row_lengths.size() + rows.unread_rows, bpm_,
                       beat_zero_seconds_, start_pip_);
    const std::span<const double> values(rows.values);
    std::size_t offset = 0;
    for (const std::size_t length : rows.row_lengths) {
        if (length != dimensions_.size() || values.size() - offset < length) {
            refuse_ragged();
        }
        check_row_values(values.subspan(offset, length));
        offset += length;
    }
    if (offset != values.size() || rows.unread_rows != 0) {
        refuse_ragged();
    }
    values_ = std::move(rows.values);
    values_.shrink_to_fit();
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
