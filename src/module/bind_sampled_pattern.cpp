#include "user/sampled_pattern.hpp"

#include <array>
#include <string>
#include <utility>

#include "core/input_limits.hpp"
#include "module/bindings.hpp"
#include "module/limited_list.hpp"
#include "module/pip_argument.hpp"
#include "module/sample_triple.hpp"

namespace kinemorphs::bindings {

void bind_sampled_pattern(py::module_& module) {
    py::class_<SampledPattern> cls(module, "SampledPattern");
    // Samples past the limit reach the constructor as none at all, which it
    // refuses with the same message, after the same checks of name and
    // description.
    cls.def(py::init([](std::string name, std::string description,
                        LimitedList<std::array<double, 3>, max_pattern_samples> samples) {
                return SampledPattern(std::move(name), std::move(description),
                                      std::move(samples.items));
            }),
            py::arg("name"), py::arg("description"), py::arg("samples"));
    add_readonly_property(cls, "name", [](const SampledPattern& p) { return p.name(); });
    add_readonly_property(cls, "description",
                          [](const SampledPattern& p) { return p.description(); });
    add_readonly_property(cls, "period_pips",
                          [](const SampledPattern& p) { return p.period_pips(); });
    // No-conversion only shows in the signature (`pip_count: int`): a Pip
    // takes the same objects in either mode.
    cls.def(
        "sample", [](const SampledPattern& pattern, Pip pip) { return pattern.sample(pip.value); },
        py::arg("pip_count").noconvert());
}

}  // namespace kinemorphs::bindings
