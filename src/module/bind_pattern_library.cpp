#include "user/pattern_library.hpp"

#include <vector>

#include "catalogue/pattern_listing.hpp"
#include "module/bindings.hpp"
#include <pybind11/stl.h>

namespace kinemorphs::bindings {

void bind_pattern_library(py::module_& module) {
    py::class_<PatternLibrary> cls(module, "PatternLibrary");
    // The vector conversion copies each SampledPattern, so the caller's
    // objects stay intact while the library moves its copies in.
    cls.def(py::init<std::vector<SampledPattern>>(),
            py::arg("patterns") = std::vector<SampledPattern>{});
    cls.def("sample", &PatternLibrary::sample, py::arg("name"), py::arg("pip_count").noconvert());
    cls.def("catalogue",
            [](const PatternLibrary& library) { return list_pattern_infos(library.catalogue()); });
}

}  // namespace kinemorphs::bindings
