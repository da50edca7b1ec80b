// Registration functions of the module body, one per class or group of
// functions, called in the module's fixed attribute order.
#pragma once

#include <pybind11/pybind11.h>

#include "module/constructed_instance.hpp"

namespace kinemorphs::bindings {

namespace py = pybind11;

void bind_sampled_recording(py::module_& module);
void bind_offset3(py::module_& module);
void bind_sampled_pattern(py::module_& module);
void bind_pattern_library(py::module_& module);
void bind_lookup(py::module_& module);
void bind_rudiments(py::module_& module);

// A read-only property whose getter is a method of its class, so that its
// signature renders with `self:`. The getter stays unnamed, so the signature
// starts at the parenthesis; the property object is named instead, which is
// the name a failed assignment reports.
template <class Class, class Getter>
void add_readonly_property(py::class_<Class>& cls, const char* name, Getter getter) {
    cls.def_property_readonly(name, py::cpp_function(getter, py::is_method(cls)));
    py::setattr(cls.attr(name), "__name__", py::str(name));
}

}  // namespace kinemorphs::bindings
