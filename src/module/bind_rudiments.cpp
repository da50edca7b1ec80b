#include "module/bindings.hpp"
#include "module/pip_argument.hpp"
#include "rudiments/rudiments.hpp"

namespace kinemorphs::bindings {

void bind_rudiments(py::module_& module) {
    // Each calls its pattern function; the pip is positional only (pybind11
    // documents it as arg0).
    for (const Rudiment& rudiment : default_rudiments) {
        module.def(rudiment.name.data(),
                   [function = rudiment.function](Pip pip) { return function(pip.value); });
    }
}

}  // namespace kinemorphs::bindings
