// The module entry point. pybind11's module macro provides the version check,
// multi-phase initialisation and the per-process module cache; the body below
// registers the attributes in their fixed order.
#include "core/pip.hpp"
#include "module/bindings.hpp"

PYBIND11_MODULE(kinemorphs, module) {
    using namespace kinemorphs::bindings;
    module.doc() = "Integer-pip rhythmic position functions";
    module.attr("PIPS_PER_BEAT") = kinemorphs::PIPS_PER_BEAT;
    bind_sampled_recording(module);
    bind_offset3(module);
    bind_sampled_pattern(module);
    bind_pattern_library(module);
    bind_lookup(module);
    bind_rudiments(module);
}
