// A captured multi-axis motion laid on the pip grid from a start pip. It does
// not loop: sampling outside the covered pips is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kinemorphs {

using RecordingRows = std::vector<std::vector<double>>;

// Rows laid end to end: `values` holds every row's values in row order and
// `row_lengths` how many of them each row has. Taken over whole, so a large
// recording is never held twice. `unread_rows` more rows follow whose values
// were never read, as when a caller's row was longer than any recording
// could hold: they count as rows, and the recording is ragged if it reaches
// them.
struct FlatRecordingRows {
    std::vector<double> values;
    std::vector<std::uint32_t> row_lengths;
    std::size_t unread_rows = 0;
};

class SampledRecording {
public:
    // Validates in a fixed order and throws std::invalid_argument on the
    // first failure; the rows are copied into one flat row-major block.
    SampledRecording(std::string name, std::vector<std::string> dimensions,
                     const RecordingRows& samples, double bpm, double beat_zero_seconds,
                     std::int32_t start_pip);
    // The same checks in the same order; values left over after the last
    // row make the recording ragged.
    SampledRecording(std::string name, std::vector<std::string> dimensions,
                     FlatRecordingRows rows, double bpm, double beat_zero_seconds,
                     std::int32_t start_pip);

    // The values of the row at `pip`, in axis order; std::out_of_range
    // outside the covered pips.
    std::vector<double> sample(std::int32_t pip) const;

    const std::string& name() const noexcept { return name_; }
    const std::vector<std::string>& dimensions() const noexcept { return dimensions_; }
    std::int32_t sample_count() const noexcept {
        return static_cast<std::int32_t>(values_.size() / dimensions_.size());
    }
    double bpm() const noexcept { return bpm_; }
    double beat_zero_seconds() const noexcept { return beat_zero_seconds_; }
    std::int32_t start_pip() const noexcept { return start_pip_; }

private:
    std::string name_;
    std::vector<std::string> dimensions_;
    std::vector<double> values_;
    double bpm_;
    double beat_zero_seconds_;
    std::int32_t start_pip_;
};

}  // namespace kinemorphs
