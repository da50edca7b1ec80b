// A float argument or sample value: anything the interpreter reads as a
// float (float, int, bool, an object with __float__ or __index__), text and
// complex numbers refused. Unlike pybind11's own conversion, which retries a
// failed read through float(), each object is read once, so __float__ or
// __index__ runs at most once per value. The signature shows the parameter
// as pybind11 shows a double.
#pragma once

#include <Python.h>

#include <pybind11/pybind11.h>

#include "module/conversion_failure.hpp"

namespace kinemorphs::bindings {

// False when refused; throws for an error that must propagate.
inline bool read_float(pybind11::handle source, double& value) {
    PyObject* object = source.ptr();
    if (PyFloat_Check(object)) {
        value = PyFloat_AS_DOUBLE(object);
        return true;
    }
    const double number = PyFloat_AsDouble(object);
    if (number == -1.0 && PyErr_Occurred() != nullptr) {
        return refuse_or_propagate();
    }
    value = number;
    return true;
}

struct FloatArgument {
    double value;
};

}  // namespace kinemorphs::bindings

namespace pybind11::detail {

template <>
class type_caster<kinemorphs::bindings::FloatArgument> {
public:
    PYBIND11_TYPE_CASTER(kinemorphs::bindings::FloatArgument,
                         io_name("typing.SupportsFloat | typing.SupportsIndex", "float"));

    bool load(handle source, bool /*convert*/) {
        return kinemorphs::bindings::read_float(source, value.value);
    }

    static handle cast(kinemorphs::bindings::FloatArgument number, return_value_policy, handle) {
        return PyFloat_FromDouble(number.value);
    }
};

}  // namespace pybind11::detail
