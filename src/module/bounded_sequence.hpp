// Reading a sequence argument whose size the core limits. pybind11's own
// conversion copies the whole input and reserves whatever length it claims
// before the core can count it, so a refusal would cost memory in proportion
// to the input (or to a length it merely claims). This reads the items in
// order and stops at the first one past the limit; a sequence claiming more
// than the limit is past it before any item is read.
#pragma once

#include <Python.h>

#include <cstddef>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace kinemorphs::bindings {

enum class SequenceRead { complete, refused, past_limit };

namespace detail {

// Up to `count` items of an iterable that is not a sequence, drawn before
// any is converted, as pybind11 draws such an argument into a tuple.
inline pybind11::list draw_items(pybind11::handle iterable, std::size_t count) {
    namespace py = pybind11;
    py::list drawn;
    const auto iterator = py::reinterpret_steal<py::object>(PyObject_GetIter(iterable.ptr()));
    if (!iterator) {
        throw py::error_already_set();
    }
    while (static_cast<std::size_t>(PyList_GET_SIZE(drawn.ptr())) < count) {
        const auto item = py::reinterpret_steal<py::object>(PyIter_Next(iterator.ptr()));
        if (!item) {
            break;
        }
        drawn.append(item);
    }
    if (PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    return drawn;
}

}  // namespace detail

// Takes what pybind11's list conversion takes: any sequence but str and
// bytes, and in converting mode a generator, set, dict view, map or zip.
// `reserve` learns the number of items to expect (never more than `limit`);
// `take` receives each item in order and answers complete to go on, or why
// to stop. An error raised by the argument itself propagates.
template <class Reserve, class Take>
SequenceRead read_items(pybind11::handle source, bool convert, std::size_t limit,
                        Reserve reserve, Take take) {
    namespace py = pybind11;
    if (!py::detail::object_is_convertible_to_std_vector(source)) {
        return SequenceRead::refused;
    }
    py::object items;
    if (PySequence_Check(source.ptr()) != 0) {
        const Py_ssize_t claimed = PySequence_Size(source.ptr());
        if (claimed < 0) {
            throw py::error_already_set();
        }
        if (static_cast<std::size_t>(claimed) > limit) {
            return SequenceRead::past_limit;
        }
        reserve(static_cast<std::size_t>(claimed));
        items = py::reinterpret_borrow<py::object>(source);
    } else {
        if (!convert) {
            return SequenceRead::refused;
        }
        py::list drawn = detail::draw_items(source, limit + 1);
        const auto count = static_cast<std::size_t>(PyList_GET_SIZE(drawn.ptr()));
        if (count > limit) {
            return SequenceRead::past_limit;
        }
        reserve(count);
        items = std::move(drawn);
    }
    // Iterated, not indexed: a sequence that claims fewer items than it
    // holds is read to its end, as pybind11 reads it.
    const auto iterator = py::reinterpret_steal<py::object>(PyObject_GetIter(items.ptr()));
    if (!iterator) {
        throw py::error_already_set();
    }
    std::size_t count = 0;
    while (true) {
        const auto item = py::reinterpret_steal<py::object>(PyIter_Next(iterator.ptr()));
        if (!item) {
            break;
        }
        if (++count > limit) {
            return SequenceRead::past_limit;
        }
        const SequenceRead taken = take(item);
        if (taken != SequenceRead::complete) {
            return taken;
        }
    }
    if (PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    return SequenceRead::complete;
}

}  // namespace kinemorphs::bindings
