#include "recording/sampled_recording.hpp"

#include <string>
#include <vector>

#include "module/bindings.hpp"
#include <pybind11/stl.h>

namespace kinemorphs::bindings {

void bind_sampled_recording(py::module_& module) {
    py::class_<SampledRecording> cls(module, "SampledRecording");
    cls.def(py::init<std::string, std::vector<std::string>, const RecordingRows&, double, double,
                     std::int32_t>(),
            py::arg("name"), py::arg("dimensions"), py::arg("samples"), py::arg("bpm"),
            py::arg("beat_zero_seconds") = 0.0, py::arg("start_pip") = 0);
    add_readonly_property(cls, "name", [](const SampledRecording& r) { return r.name(); });
    add_readonly_property(cls, "dimensions",
                          [](const SampledRecording& r) { return r.dimensions(); });
    add_readonly_property(cls, "sample_count",
                          [](const SampledRecording& r) { return r.sample_count(); });
    add_readonly_property(cls, "bpm", [](const SampledRecording& r) { return r.bpm(); });
    add_readonly_property(cls, "beat_zero_seconds",
                          [](const SampledRecording& r) { return r.beat_zero_seconds(); });
    add_readonly_property(cls, "start_pip",
                          [](const SampledRecording& r) { return r.start_pip(); });
    cls.def("sample", &SampledRecording::sample, py::arg("pip").noconvert());
}

}  // namespace kinemorphs::bindings
