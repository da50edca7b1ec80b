#include "core/offset3.hpp"

#include <tuple>

#include "module/bindings.hpp"

namespace kinemorphs::bindings {

void bind_offset3(py::module_& module) {
    // No constructor: instances come only from sampling calls.
    py::class_<Offset3> cls(module, "Offset3");
    add_readonly_property(cls, "x", [](const Offset3& offset) { return offset.x; });
    add_readonly_property(cls, "y", [](const Offset3& offset) { return offset.y; });
    add_readonly_property(cls, "z", [](const Offset3& offset) { return offset.z; });
    cls.def("as_tuple", [](const Offset3& offset) {
        return std::make_tuple(offset.x, offset.y, offset.z);
    });
}

}  // namespace kinemorphs::bindings
