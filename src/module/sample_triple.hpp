// Conversion of one sample of a user pattern, a sequence of exactly three
// floats. pybind11 converts the items while iterating the sequence itself,
// so a row that an item's __float__ shortens reaches its array step with
// fewer than three values and reads past them. Converting a snapshot taken
// first (a tuple, which nothing can change) keeps count and items together.
#pragma once

#include <array>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace pybind11::detail {

template <>
class type_caster<std::array<double, 3>>
    : public array_caster<std::array<double, 3>, double, false, 3> {
    using snapshot_caster = array_caster<std::array<double, 3>, double, false, 3>;

public:
    bool load(handle source, bool convert) {
        if (!object_is_convertible_to_std_vector(source) || !isinstance<sequence>(source)) {
            // Refused, or an iterable that pybind11 materialises into a tuple.
            return snapshot_caster::load(source, convert);
        }
        const auto snapshot = reinterpret_steal<object>(PySequence_Tuple(source.ptr()));
        if (!snapshot) {
            throw error_already_set();
        }
        return snapshot_caster::load(snapshot, convert);
    }
};

}  // namespace pybind11::detail
