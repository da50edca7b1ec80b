// Conversion of one sample of a user pattern, a sequence of exactly three
// floats. The items are taken before any is converted: pybind11 converts
// them while iterating the sequence itself, so a row that an item's
// __float__ shortens would reach its array step with fewer than three values
// and read past them. A row must both claim and hold three items, as
// pybind11 requires of a fixed-size row.
#pragma once

#include <array>
#include <cstddef>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "module/bounded_sequence.hpp"
#include "module/float_argument.hpp"

namespace pybind11::detail {

template <>
class type_caster<std::array<double, 3>> {
    using Read = kinemorphs::bindings::SequenceRead;
    using Triple = std::array<double, 3>;
    using default_caster = array_caster<Triple, double, false, 3>;

public:
    PYBIND11_TYPE_CASTER(Triple, default_caster::name);

    bool load(handle source, bool convert) {
        // Room for a fourth item, so that a row holding one is told from a
        // row of three; a fifth is not read.
        std::array<object, 4> items;
        std::size_t count = 0;
        bool claims_three = false;
        const Read read = kinemorphs::bindings::read_items(
            source, convert, items.size(),
            [&](std::size_t expected) { claims_three = expected == value.size(); },
            [&](handle item) {
                items[count++] = reinterpret_borrow<object>(item);
                return Read::complete;
            },
            [](handle) { return false; });
        if (read != Read::complete || !claims_three || count != value.size()) {
            return false;
        }
        for (std::size_t axis = 0; axis < value.size(); ++axis) {
            if (!kinemorphs::bindings::read_float(items[axis], value[axis])) {
                return false;
            }
        }
        return true;
    }

    static handle cast(const std::array<double, 3>& source, return_value_policy policy,
                       handle parent) {
        return default_caster::cast(source, policy, parent);
    }
};

}  // namespace pybind11::detail
