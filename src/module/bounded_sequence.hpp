// Reading a sequence argument whose size the core limits. pybind11's own
// conversion copies the whole input, and reserves whatever length it claims,
// before the core can count it, so a refusal would cost memory in proportion
// to the input (or to a length it merely claims). This keeps the items up to
// the limit and only checks the rest: an item that cannot be converted still
// refuses the argument wherever it stands, and nothing past the limit is kept.
#pragma once

#include <Python.h>

#include <algorithm>
#include <cstddef>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace kinemorphs::bindings {

enum class SequenceRead { complete, refused, past_limit };

namespace detail {

// Up to `count` items of an iterable that is not a sequence, drawn before
// any is converted, as pybind11 draws such an argument into a tuple.
inline pybind11::list draw_items(pybind11::handle iterator, std::size_t count) {
    namespace py = pybind11;
    py::list drawn;
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

inline pybind11::object iterate(pybind11::handle iterable) {
    auto iterator = pybind11::reinterpret_steal<pybind11::object>(PyObject_GetIter(iterable.ptr()));
    if (!iterator) {
        throw pybind11::error_already_set();
    }
    return iterator;
}

// Calls `visit` on each remaining item until it answers false; an error
// raised by the iterator itself propagates.
template <class Visit>
bool visit_rest(pybind11::handle iterator, Visit visit) {
    while (true) {
        const auto item =
            pybind11::reinterpret_steal<pybind11::object>(PyIter_Next(iterator.ptr()));
        if (!item) {
            break;
        }
        if (!visit(item)) {
            return false;
        }
    }
    if (PyErr_Occurred() != nullptr) {
        throw pybind11::error_already_set();
    }
    return true;
}

}  // namespace detail

// Takes what pybind11's list conversion takes: any sequence but str and
// bytes, and in converting mode a generator, set, dict view, map or zip.
// `reserve` learns how many items to expect (never more than `limit`);
// `take` receives each of the first `limit` items in order and answers
// complete, or refused to stop; `check` answers whether an item past
// the limit would convert, and is not asked again once one would not. A
// length the sequence claims only sizes the reservation: the items are
// counted as they are read. When a list or tuple (whose length is true) or
// the drawn items are already past the limit, no item is taken at all. An
// error raised by the argument itself propagates.
template <class Reserve, class Take, class Check>
SequenceRead read_items(pybind11::handle source, bool convert, std::size_t limit,
                        Reserve reserve, Take take, Check check) {
    namespace py = pybind11;
    if (!py::detail::object_is_convertible_to_std_vector(source)) {
        return SequenceRead::refused;
    }
    py::object items;
    bool rest_converts = true;
    // Items known to be past the limit before any is read are only checked.
    std::size_t keep = limit;
    if (PySequence_Check(source.ptr()) != 0) {
        const Py_ssize_t claimed = PySequence_Size(source.ptr());
        if (claimed < 0) {
            throw py::error_already_set();
        }
        // Only a list's or tuple's own length is sure to be true.
        const bool exact = PyList_CheckExact(source.ptr()) || PyTuple_CheckExact(source.ptr());
        if (exact && static_cast<std::size_t>(claimed) > limit) {
            keep = 0;
        }
        reserve(std::min(static_cast<std::size_t>(claimed), keep));
        items = detail::iterate(source);
    } else {
        if (!convert) {
            return SequenceRead::refused;
        }
        // Drawn whole before any item is converted, but only the items up to
        // the first past the limit are held; the rest are checked as drawn.
        const py::object iterator = detail::iterate(source);
        py::list drawn = detail::draw_items(iterator, limit + 1);
        detail::visit_rest(iterator, [&](py::handle item) {
            rest_converts = rest_converts && check(item);
            return true;
        });
        const auto count = static_cast<std::size_t>(PyList_GET_SIZE(drawn.ptr()));
        if (count > limit) {
            keep = 0;
        }
        reserve(std::min(count, keep));
        items = detail::iterate(drawn);
    }
    std::size_t count = 0;
    SequenceRead read = SequenceRead::complete;
    detail::visit_rest(items, [&](py::handle item) {
        if (++count <= keep) {
            read = take(item);
        } else {
            read = check(item) ? SequenceRead::past_limit : SequenceRead::refused;
        }
        return read != SequenceRead::refused;
    });
    if (!rest_converts) {
        return SequenceRead::refused;
    }
    return read;
}

}  // namespace kinemorphs::bindings
