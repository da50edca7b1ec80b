// The floor for the by-name sampling call: a pybind11 function with the same
// argument and result types as `kinemorphs.sample` (a text view and a 32-bit
// pip in, a three-double class instance out) and a trivial body. Whatever it
// costs is pybind11's and the interpreter's share of every such call.
#include <cstdint>
#include <string_view>

#include <pybind11/pybind11.h>

namespace {

struct FloorOffset {
    double x;
    double y;
    double z;
};

}  // namespace

PYBIND11_MODULE(sample_floor, module) {
    pybind11::class_<FloorOffset>(module, "FloorOffset");
    module.def(
        "sample",
        [](std::string_view name, std::int32_t pip_count) {
            return FloorOffset{static_cast<double>(name.size()), static_cast<double>(pip_count),
                               0.0};
        },
        pybind11::arg("name"), pybind11::arg("pip_count"));
}
