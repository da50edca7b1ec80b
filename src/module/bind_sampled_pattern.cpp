#include "user/sampled_pattern.hpp"

#include <string>

#include "module/bindings.hpp"
#include "module/sample_triple.hpp"

namespace kinemorphs::bindings {

void bind_sampled_pattern(py::module_& module) {
    py::class_<SampledPattern> cls(module, "SampledPattern");
    cls.def(py::init<std::string, std::string, PatternSamples>(), py::arg("name"),
            py::arg("description"), py::arg("samples"));
    add_readonly_property(cls, "name", [](const SampledPattern& p) { return p.name(); });
    add_readonly_property(cls, "description",
                          [](const SampledPattern& p) { return p.description(); });
    add_readonly_property(cls, "period_pips",
                          [](const SampledPattern& p) { return p.period_pips(); });
    // Pips are taken without conversion, so 3.0 or Decimal("2.9") is refused.
    cls.def("sample", &SampledPattern::sample, py::arg("pip_count").noconvert());
}

}  // namespace kinemorphs::bindings
