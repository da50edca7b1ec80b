// A list argument whose length the core limits: the items up to the limit are
// converted and kept, the rest only checked (see bounded_sequence.hpp). Its caster shows
// the same signature as pybind11's list conversion.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "module/bounded_sequence.hpp"

namespace kinemorphs::bindings {

template <class Element, std::size_t Limit>
struct LimitedList {
    // Empty when past the limit.
    std::vector<Element> items;
    bool past_limit = false;
};

}  // namespace kinemorphs::bindings

namespace pybind11::detail {

template <class Element, std::size_t Limit>
class type_caster<kinemorphs::bindings::LimitedList<Element, Limit>> {
    using element_caster = make_caster<Element>;
    using Read = kinemorphs::bindings::SequenceRead;
    using List = kinemorphs::bindings::LimitedList<Element, Limit>;

public:
    PYBIND11_TYPE_CASTER(List, io_name("collections.abc.Sequence", "list") + const_name("[") +
                             element_caster::name + const_name("]"));

    bool load(handle source, bool convert) {
        value = {};
        const Read read = kinemorphs::bindings::read_items(
            source, convert, Limit, [&](std::size_t count) { value.items.reserve(count); },
            [&](handle item) {
                element_caster element;
                if (!element.load(item, convert)) {
                    return Read::refused;
                }
                value.items.push_back(cast_op<Element&&>(std::move(element)));
                return Read::complete;
            },
            [&](handle item) {
                element_caster element;
                if (!element.load(item, convert)) {
                    return false;
                }
                // A class caster takes None as a null that only this step refuses.
                try {
                    static_cast<void>(cast_op<Element&&>(std::move(element)));
                } catch (const reference_cast_error&) {
                    return false;
                }
                return true;
            });
        if (read == Read::past_limit) {
            value = {{}, true};
        }
        return read != Read::refused;
    }

    // Only a default value is ever shown to Python: as a list.
    static handle cast(const List& source, return_value_policy policy, handle parent) {
        return make_caster<std::vector<Element>>::cast(source.items, policy, parent);
    }
};

}  // namespace pybind11::detail
