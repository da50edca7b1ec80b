// A pip argument, within 32 bits. Either mode takes an int (bool and other
// int subclasses included) or an object that is an integer by __index__
// (numpy's integer types). A converting pip also takes any other number by
// int(), truncating toward zero (Decimal("2.9") is pip 2, numpy.float32(-2.5)
// is -2); a float or float subclass is refused in both modes, whatever its
// value. Each of __index__ and int() runs at most once per argument. The
// signature shows the pip as pybind11 shows a 32-bit integer.
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

    bool load(handle source, bool convert) {
        PyObject* object = source.ptr();
        if (PyLong_Check(object)) {
            return read(object);
        }
        if (PyFloat_Check(object)) {
            return false;
        }
        if (PyIndex_Check(object)) {
            const auto integer = reinterpret_steal<pybind11::object>(PyNumber_Index(object));
            if (integer) {
                return read(integer.ptr());
            }
            // numpy.bool_ refuses __index__ but has int(), which does not ask
            // __index__ again once the type has an int conversion of its own.
            kinemorphs::bindings::refuse_or_propagate();
            return convert && has_int(object) && read_int_of(object);
        }
        if (!convert || PyNumber_Check(object) == 0) {
            return false;
        }
        return read_int_of(object);
    }

    static handle cast(kinemorphs::bindings::Pip pip, return_value_policy, handle) {
        return PyLong_FromLong(pip.value);
    }

private:
    static bool has_int(PyObject* object) {
        const PyNumberMethods* number = Py_TYPE(object)->tp_as_number;
        return number != nullptr && number->nb_int != nullptr;
    }

    bool read_int_of(PyObject* object) {
        const auto integer = reinterpret_steal<pybind11::object>(PyNumber_Long(object));
        if (!integer) {
            return kinemorphs::bindings::refuse_or_propagate();
        }
        return read(integer.ptr());
    }

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
