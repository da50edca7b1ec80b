// What an error raised inside __index__, int() or __float__ becomes. Most errors say
// the object is not a number of the wanted kind, and the argument is refused
// (the call's incompatible-arguments TypeError). An interrupt, exhausted
// memory or exhausted recursion says nothing about the argument, so it
// propagates as itself.
#pragma once

#include <Python.h>

#include <pybind11/pybind11.h>

namespace kinemorphs::bindings {

// Call with the conversion's error pending; returns false (refused) or throws.
inline bool refuse_or_propagate() {
    if (PyErr_ExceptionMatches(PyExc_KeyboardInterrupt) != 0 ||
        PyErr_ExceptionMatches(PyExc_MemoryError) != 0 ||
        PyErr_ExceptionMatches(PyExc_RecursionError) != 0) {
        throw pybind11::error_already_set();
    }
    PyErr_Clear();
    return false;
}

}  // namespace kinemorphs::bindings
