#include "recording/sampled_recording.hpp"

#include <string>
#include <utility>

#include "core/input_limits.hpp"
#include "module/bindings.hpp"
#include "module/float_argument.hpp"
#include "module/limited_list.hpp"
#include "module/pip_argument.hpp"
#include "module/recording_rows.hpp"

namespace kinemorphs::bindings {

void bind_sampled_recording(py::module_& module) {
    py::class_<SampledRecording> cls(module, "SampledRecording");
    // Axis names past the limit reach the constructor as none at all, which
    // it refuses with the same message, after the same checks of name and
    // timing; rows past it arrive counted but unread (see recording_rows.hpp).
    cls.def(py::init([](std::string name, LimitedList<std::string, max_recording_values> dimensions,
                        FlatRecordingRows samples, FloatArgument bpm,
                        FloatArgument beat_zero_seconds, Pip start_pip) {
                return SampledRecording(std::move(name), std::move(dimensions.items),
                                        std::move(samples), bpm.value,
                                        beat_zero_seconds.value, start_pip.value);
            }),
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
    cls.def(
        "sample",
        [](const SampledRecording& recording, Pip pip) { return recording.sample(pip.value); },
        py::arg("pip").noconvert());
}

}  // namespace kinemorphs::bindings
