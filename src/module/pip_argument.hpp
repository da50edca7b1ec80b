// A pip argument: an int (bool and other int subclasses included) or an
// object that is an integer by __index__ (numpy's integer types), within 32
// bits. Everything else is refused, whatever its value: a float or float
// subclass, and float-like numbers such as numpy.float32, Decimal or
// Fraction, which an int() conversion would truncate toward zero into a pip
// the caller never meant. __index__ is called at most once per argument.
// The signature shows the pip as pybind11 shows a 32-bit integer.
#pragma once

#include <Python.h>

#include <cstdint>
#include <limits>

#include <pybind11/pybind11.h>

#include "module/conversion_failure.hpp"

namespace kinemorphs::bindings {

struct Pip {
    std::int32_t value;
};

}  // namespace kinemorphs::bindings

namespace pybind11::detail {

template <>
class type_caster<kinemorphs::bindings::Pip> {
public:
    PYBIND11_TYPE_CASTER(kinemorphs::bindings::Pip,
                         io_name("typing.SupportsInt | typing.SupportsIndex", "int"));

    bool load(handle source, bool /*convert*/) {
        PyObject* object = source.ptr();
        if (PyLong_Check(object)) {
            return read(object);
        }
        if (PyFloat_Check(object) || !PyIndex_Check(object)) {
            return false;
        }
        const auto integer = reinterpret_steal<pybind11::object>(PyNumber_Index(object));
        if (!integer) {
            return kinemorphs::bindings::refuse_or_propagate();
        }
        return read(integer.ptr());
    }

    static handle cast(kinemorphs::bindings::Pip pip, return_value_policy, handle) {
        return PyLong_FromLong(pip.value);
    }

private:
    // Outside 32 bits the argument is refused, never reduced or clamped.
    bool read(PyObject* integer) {
        int overflow = 0;
        const long number = PyLong_AsLongAndOverflow(integer, &overflow);
        if (number == -1 && PyErr_Occurred() != nullptr) {
            return kinemorphs::bindings::refuse_or_propagate();
        }
        if (overflow != 0 || number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max()) {
            return false;
        }
        value.value = static_cast<std::int32_t>(number);
        return true;
    }
};

}  // namespace pybind11::detail
