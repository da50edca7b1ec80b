// Conversion of one sample of a user pattern, a sequence of exactly three
// floats. The items are taken before any is converted: pybind11 converts
// them while iterating the sequence itself, so a row that an item's
// __float__ shortens would reach its array step with fewer than three values
// and read past them. A row claiming or holding more than three items is
// refused without reading further.
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
        std::array<object, 3> items;
        std::size_t count = 0;
        const Read read = kinemorphs::bindings::read_items(
            source, convert, items.size(), [](std::size_t) {},
            [&](handle item) {
                items[count++] = reinterpret_borrow<object>(item);
                return Read::complete;
            });
        if (read != Read::complete || count != items.size()) {
            return false;
        }
        for (std::size_t axis = 0; axis < items.size(); ++axis) {
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
