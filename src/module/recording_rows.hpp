// The rows of a recording, converted straight into the flat form the
// recording keeps, with the value limit counted over all rows as they are
// read: no row is held as a vector of its own, and no value past the limit
// is kept. The row that crosses the limit, and every row after it, are only
// checked and counted, so the recording still learns how many rows there are
// and that this row is longer than any it could take. Its caster shows the
// same signature as pybind11's conversion of a list of lists of floats.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "core/input_limits.hpp"
#include "module/bounded_sequence.hpp"
#include "module/float_argument.hpp"
#include "recording/sampled_recording.hpp"

namespace pybind11::detail {

template <>
class type_caster<kinemorphs::FlatRecordingRows> {
    using Read = kinemorphs::bindings::SequenceRead;
    using row_caster = make_caster<std::vector<std::vector<double>>>;

public:
    PYBIND11_TYPE_CASTER(kinemorphs::FlatRecordingRows, row_caster::name);

    bool load(handle source, bool convert) {
        using kinemorphs::bindings::read_items;
        using kinemorphs::max_recording_values;
        value = {};
        std::vector<double>& values = value.values;
        std::vector<std::uint32_t>& lengths = value.row_lengths;
        std::size_t rows_expected = 0;
        const auto converts = [](handle item) {
            double number = 0.0;
            return kinemorphs::bindings::read_float(item, number);
        };
        // Past the limit a row is only checked; `keep_values` is false from the
        // row that crosses the limit on.
        const auto check_row = [&](handle row) {
            return read_items(row, convert, 0, [](std::size_t) {}, [](handle) { return Read::complete; },
                              converts) != Read::refused;
        };
        bool keep_values = true;
        const Read read = read_items(
            source, convert, max_recording_values,
            [&](std::size_t count) {
                rows_expected = count;
                lengths.reserve(std::min(count, max_recording_values));
            },
            [&](handle row) {
                if (!keep_values) {
                    ++value.unread_rows;
                    return check_row(row) ? Read::complete : Read::refused;
                }
                const std::size_t before = values.size();
                const Read row_read = read_items(
                    row, convert, max_recording_values - before,
                    [&](std::size_t count) {
                        if (values.capacity() == 0) {
                            // Rows as long as the first: room for all of them, within the limit.
                            values.reserve(std::min(count * rows_expected, max_recording_values));
                        }
                    },
                    [&](handle item) {
                        double number = 0.0;
                        if (!kinemorphs::bindings::read_float(item, number)) {
                            return Read::refused;
                        }
                        values.push_back(number);
                        return Read::complete;
                    },
                    converts);
                if (row_read == Read::past_limit) {
                    // Longer than the values left: its values are not kept, and
                    // the length recorded is all the recording needs to know.
                    values.resize(before);
                    lengths.push_back(static_cast<std::uint32_t>(max_recording_values - before + 1));
                    keep_values = false;
                } else if (row_read == Read::complete) {
                    lengths.push_back(static_cast<std::uint32_t>(values.size() - before));
                }
                return row_read == Read::refused ? Read::refused : Read::complete;
            },
            // Every row takes a value, so rows past the value limit are too many.
            [&](handle row) {
                ++value.unread_rows;
                return check_row(row);
            });
        return read != Read::refused;
    }

    // Never shown to Python; needed only to complete the caster.
    static handle cast(const kinemorphs::FlatRecordingRows&, return_value_policy, handle) {
        return none().release();
    }
};

}  // namespace pybind11::detail
