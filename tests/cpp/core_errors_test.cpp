// Every documented failure of the C++ API throws exactly its standard
// exception kind with its fixed message, through the umbrella header a
// host includes.
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include <kinemorphs/kinemorphs.hpp>

namespace {

using namespace kinemorphs;

struct Case {
    const char* what;
    std::function<void()> call;
    const std::type_info& kind;
    std::string message;
};

SampledPattern pattern(std::string name, double x) {
    return SampledPattern(std::move(name), "", PatternSamples{{x, 0.0, 0.0}});
}

SampledRecording recording(double bpm, std::int32_t start_pip) {
    return SampledRecording("take", {"pan"}, RecordingRows{{0.5}, {0.25}}, bpm, 0.0, start_pip);
}

}  // namespace

int main() {
    const std::vector<Case> cases = {
        {"unknown built-in", [] { sample_by_name("no_such_pattern", 0); },
         typeid(std::invalid_argument), "Unknown kinemorph: no_such_pattern"},
        {"invalid pattern name", [] { pattern("Upper", 0.0); }, typeid(std::invalid_argument),
         "Invalid pattern name"},
        {"no samples", [] { SampledPattern("empty", "", {}); }, typeid(std::invalid_argument),
         "A pattern requires 1..65535 samples (one per pip)"},
        {"sample out of range", [] { pattern("loud", 1.5); }, typeid(std::invalid_argument),
         "Pattern samples must be finite and within [-1, 1]"},
        {"moved-from pattern",
         [] {
             SampledPattern source = pattern("moved", 0.5);
             SampledPattern target = std::move(source);
             source.sample(0);
         },
         typeid(std::logic_error), "Cannot sample a moved-from pattern"},
        {"override a default", [] { PatternLibrary({pattern("bounce", 0.5)}); },
         typeid(std::invalid_argument), "Cannot override default pattern: bounce"},
        {"duplicate name", [] { PatternLibrary({pattern("twin", 0.5), pattern("twin", 0.5)}); },
         typeid(std::invalid_argument), "Duplicate pattern name: twin"},
        {"library unknown name", [] { PatternLibrary({pattern("mine", 0.5)}).sample("yours", 0); },
         typeid(std::invalid_argument), "Unknown kinemorph: yours"},
        {"non-positive tempo", [] { recording(0.0, 0); }, typeid(std::invalid_argument),
         "A finite positive BPM and beat origin are required"},
        {"pip before a recording", [] { recording(120.0, 10).sample(9); },
         typeid(std::out_of_range), "Pip outside non-looping recording"},
        {"pip after a recording", [] { recording(120.0, 10).sample(12); },
         typeid(std::out_of_range), "Pip outside non-looping recording"},
        {"flat rows promising missing values",
         [] { SampledRecording("take", {"pan"}, FlatRecordingRows{{0.5}, {1, 1}}, 60.0, 0.0, 0); },
         typeid(std::invalid_argument), "Ragged recording"},
        {"flat values left after the rows",
         [] {
             SampledRecording("take", {"pan"}, FlatRecordingRows{{0.5, 0.25}, {1}}, 60.0, 0.0, 0);
         },
         typeid(std::invalid_argument), "Ragged recording"},
    };
    int failures = 0;
    for (const Case& c : cases) {
        try {
            c.call();
            std::fprintf(stderr, "%s: nothing thrown\n", c.what);
            ++failures;
        } catch (const std::exception& error) {
            if (typeid(error) != c.kind || error.what() != c.message) {
                std::fprintf(stderr, "%s: threw %s \"%s\"\n", c.what, typeid(error).name(),
                             error.what());
                ++failures;
            }
        }
    }
    // The working calls give the documented values.
    const Offset3 own = PatternLibrary({pattern("mine", 0.5)}).sample("mine", -1);
    const std::vector<double> row = recording(120.0, 10).sample(11);
    const SampledRecording flat("take", {"pan", "tilt"},
                                FlatRecordingRows{{0.5, -0.5, 0.25, -0.25}, {2, 2}}, 60.0, 0.0, 10);
    if (own.x != 0.5 || row != std::vector<double>{0.25} || wrap_pip(-1, 256) != 255 ||
        flat.sample(11) != std::vector<double>{0.25, -0.25}) {
        std::fprintf(stderr, "a working call gave a wrong value\n");
        ++failures;
    }
    std::printf("%zu failure cases checked, %d wrong\n", cases.size(), failures);
    return failures == 0 ? 0 : 1;
}
