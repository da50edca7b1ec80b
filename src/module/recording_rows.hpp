// The rows of a recording, converted straight into the flat form the
// recording keeps, with the value limit counted over all rows as they are
// read: no row is held as a vector of its own, and conversion stops at the
// first value (or row) past the limit. Its caster shows the same signature as
// pybind11's conversion of a list of lists of floats.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "core/input_limits.hpp"
#include "module/bounded_sequence.hpp"
#include "module/float_argument.hpp"
#include "recording/sampled_recording.hpp"

namespace kinemorphs::bindings {

struct RecordingRowsArgument {
    // Empty when past the limit.
    FlatRecordingRows rows;
    bool past_limit = false;
};

}  // namespace kinemorphs::bindings

namespace pybind11::detail {

template <>
class type_caster<kinemorphs::bindings::RecordingRowsArgument> {
    using Read = kinemorphs::bindings::SequenceRead;
    using row_caster = make_caster<std::vector<std::vector<double>>>;

public:
    PYBIND11_TYPE_CASTER(kinemorphs::bindings::RecordingRowsArgument, row_caster::name);

    bool load(handle source, bool convert) {
        using kinemorphs::bindings::read_items;
        using kinemorphs::max_recording_values;
        value = {};
        std::vector<double>& values = value.rows.values;
        std::vector<std::size_t>& lengths = value.rows.row_lengths;
        std::size_t rows_expected = 0;
        // Every row takes at least one value, so the value limit bounds the rows too.
        const Read read = read_items(
            source, convert, max_recording_values,
            [&](std::size_t count) {
                lengths.reserve(count);
                rows_expected = count;
            },
            [&](handle row) {
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
                    });
                if (row_read == Read::complete) {
                    lengths.push_back(values.size() - before);
                }
                return row_read;
            });
        if (read == Read::past_limit) {
            value = {{}, true};
        }
        return read != Read::refused;
    }

    // Never shown to Python; needed only to complete the caster.
    static handle cast(const kinemorphs::bindings::RecordingRowsArgument&, return_value_policy,
                       handle) {
        return none().release();
    }
};

}  // namespace pybind11::detail
