// Prints one 4/4 bar of a built-in pattern at a given tempo, a line per
// sixteenth note: the time from the downbeat, the pip, the displacement and
// a sketch of x across [-1, 1].
//
//   print_bar PATTERN BPM        e.g. print_bar lfo_breathe 120
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <kinemorphs/kinemorphs.hpp>

namespace {

constexpr std::int32_t beats_per_bar = 4;
constexpr std::int32_t pips_per_step = kinemorphs::PIPS_PER_BEAT / 4;
constexpr int sketch_width = 21;

std::string sketch(double x) {
    std::string line(sketch_width, ' ');
    line[sketch_width / 2] = '|';
    const auto column = std::lround((x + 1.0) / 2.0 * (sketch_width - 1));
    line[static_cast<std::size_t>(column)] = '*';
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: print_bar PATTERN BPM\n");
        return 2;
    }
    const double bpm = std::strtod(argv[2], nullptr);
    if (!std::isfinite(bpm) || bpm <= 0.0) {
        std::fprintf(stderr, "print_bar: the BPM must be a positive number\n");
        return 2;
    }
    try {
        // Sampling the downbeat first refuses an unknown name before any output.
        kinemorphs::sample_by_name(argv[1], 0);
        std::printf("%s at %g BPM\n  seconds   pip        x        y        z\n", argv[1], bpm);
        for (std::int32_t pip = 0; pip < beats_per_bar * kinemorphs::PIPS_PER_BEAT;
             pip += pips_per_step) {
            const kinemorphs::Offset3 at = kinemorphs::sample_by_name(argv[1], pip);
            const double seconds = pip / static_cast<double>(kinemorphs::PIPS_PER_BEAT) * 60.0 / bpm;
            std::printf("%9.3f %5d %8.4f %8.4f %8.4f  %s\n", seconds, pip, at.x, at.y, at.z,
                        sketch(at.x).c_str());
        }
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "print_bar: %s\n", error.what());
        return 1;
    }
    return 0;
}
