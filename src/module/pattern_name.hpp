// The name argument of the by-name sampling calls. A str is read as its
// UTF-8 encoding, which the str object caches itself, and a bytes object as
// its own buffer: both are immutable and held by the call's arguments, so
// neither is copied nor kept alive separately. A bytearray is copied at
// once, because Python code that runs while a later argument is converted
// (an __index__, say) may resize it and free its buffer.
#pragma once

#include <Python.h>

#include <string>
#include <string_view>

#include <pybind11/pybind11.h>

namespace kinemorphs::bindings {

struct PatternName {
    std::string_view bytes;
};

}  // namespace kinemorphs::bindings

namespace pybind11::detail {

template <>
class type_caster<kinemorphs::bindings::PatternName> {
public:
    PYBIND11_TYPE_CASTER(kinemorphs::bindings::PatternName, const_name("str"));

    bool load(handle source, bool /*convert*/) {
        PyObject* object = source.ptr();
        if (PyUnicode_Check(object)) {
            Py_ssize_t size = 0;
            const char* data = PyUnicode_AsUTF8AndSize(object, &size);
            if (data == nullptr) {
                // Lone surrogates have no UTF-8 encoding: refuse the argument.
                PyErr_Clear();
                return false;
            }
            value.bytes = {data, static_cast<std::size_t>(size)};
            return true;
        }
        if (PyBytes_Check(object)) {
            value.bytes = {PyBytes_AS_STRING(object), static_cast<std::size_t>(PyBytes_GET_SIZE(object))};
            return true;
        }
        if (PyByteArray_Check(object)) {
            copy_.assign(PyByteArray_AS_STRING(object),
                         static_cast<std::size_t>(PyByteArray_GET_SIZE(object)));
            value.bytes = copy_;
            return true;
        }
        return false;
    }

private:
    std::string copy_;
};

}  // namespace pybind11::detail
