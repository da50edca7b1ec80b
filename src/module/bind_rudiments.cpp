#include "module/bindings.hpp"
#include "rudiments/rudiments.hpp"

namespace kinemorphs::bindings {

void bind_rudiments(py::module_& module) {
    // Bound straight to the pattern functions; the pip is positional only
    // (pybind11 documents it as arg0) and converting.
    for (const Rudiment& rudiment : default_rudiments) {
        module.def(rudiment.name.data(), rudiment.function);
    }
}

}  // namespace kinemorphs::bindings
