#include "user/pattern_library.hpp"

#include <vector>

#include "catalogue/pattern_listing.hpp"
#include "module/bindings.hpp"
#include "module/pattern_name.hpp"
#include "module/unknown_name.hpp"
#include <pybind11/stl.h>

namespace kinemorphs::bindings {

void bind_pattern_library(py::module_& module) {
    py::class_<PatternLibrary> cls(module, "PatternLibrary");
    // The vector conversion copies each SampledPattern (cheaply: copies share
    // the sample table), so the caller's objects stay intact while the
    // library moves its copies in.
    cls.def(py::init<std::vector<SampledPattern>>(),
            py::arg("patterns") = std::vector<SampledPattern>{});
    cls.def(
        "sample",
        [](const PatternLibrary& library, PatternName name, std::int32_t pip_count) {
            return sample_or_raise(name.bytes,
                                   [&] { return library.sample(name.bytes, pip_count); });
        },
        py::arg("name"), py::arg("pip_count").noconvert());
    cls.def("catalogue",
            [](const PatternLibrary& library) { return list_pattern_infos(library.catalogue()); });
}

}  // namespace kinemorphs::bindings
