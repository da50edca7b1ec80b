#include "module/unknown_name.hpp"

#include <string>

#include <pybind11/pybind11.h>

#include "rudiments/registry.hpp"

namespace kinemorphs::bindings {

void raise_unknown_name(std::string_view name) {
    const std::string message = std::string(unknown_kinemorph_message).append(name);
    PyObject* text = PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()),
                                          "backslashreplace");
    if (text != nullptr) {
        PyErr_SetObject(PyExc_ValueError, text);
        Py_DECREF(text);
    }
    throw pybind11::error_already_set();
}

}  // namespace kinemorphs::bindings
