#include "user/pattern_library.hpp"

#include <stdexcept>
#include <utility>

#include "catalogue/pattern_listing.hpp"
#include "core/input_limits.hpp"
#include "module/bindings.hpp"
#include "module/limited_list.hpp"
#include "module/pattern_name.hpp"
#include "module/pip_argument.hpp"
#include "module/unknown_name.hpp"
#include <pybind11/stl.h>

namespace kinemorphs::bindings {

void bind_pattern_library(py::module_& module) {
    py::class_<PatternLibrary> cls(module, "PatternLibrary");
    // The conversion copies each SampledPattern (cheaply: copies share the
    // sample table), so the caller's objects stay intact while the library
    // moves its copies in. Too many patterns is the first check of all, so
    // refusing it here, without copying them, reports what the library would.
    cls.def(py::init([](LimitedList<SampledPattern, max_library_patterns> patterns) {
                if (patterns.past_limit) {
                    throw std::invalid_argument(too_many_patterns);
                }
                return PatternLibrary(std::move(patterns.items));
            }),
            py::arg("patterns") = py::list());
    cls.def(
        "sample",
        [](const PatternLibrary& library, PatternName name, Pip pip_count) {
            return sample_or_raise(name.bytes,
                                   [&] { return library.sample(name.bytes, pip_count.value); });
        },
        py::arg("name"), py::arg("pip_count").noconvert());
    cls.def("catalogue",
            [](const PatternLibrary& library) { return list_pattern_infos(library.catalogue()); });
}

}  // namespace kinemorphs::bindings
