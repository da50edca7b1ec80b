#include "catalogue/pattern_listing.hpp"
#include "module/bindings.hpp"
#include "rudiments/registry.hpp"

namespace kinemorphs::bindings {

void bind_lookup(py::module_& module) {
    module.def("sample", &sample_by_name, py::arg("name"), py::arg("pip_count"));
    module.def("catalogue", [] { return list_pattern_infos(builtin_patterns()); });
}

}  // namespace kinemorphs::bindings
