#include "catalogue/pattern_listing.hpp"
#include "module/bindings.hpp"
#include "module/pattern_name.hpp"
#include "module/pip_argument.hpp"
#include "module/unknown_name.hpp"
#include "rudiments/registry.hpp"

namespace kinemorphs::bindings {

void bind_lookup(py::module_& module) {
    module.def(
        "sample",
        [](PatternName name, Pip pip_count) {
            return sample_or_raise(name.bytes,
                                   [&] { return sample_by_name(name.bytes, pip_count.value); });
        },
        py::arg("name"), py::arg("pip_count"));
    module.def("catalogue", [] { return list_pattern_infos(builtin_patterns()); });
}

}  // namespace kinemorphs::bindings
