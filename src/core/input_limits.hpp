// How much user input the core takes. The constructors refuse anything
// larger, and the Python bindings stop converting an argument at its first
// element past these, so that a refusal never costs more than a limit allows.
#pragma once

#include <cstddef>

namespace kinemorphs {

// Samples of one SampledPattern: its period in pips.
inline constexpr std::size_t max_pattern_samples = 65535;

// Patterns handed to one PatternLibrary, and their samples in all.
inline constexpr std::size_t max_library_patterns = 1024;
inline constexpr std::size_t max_library_samples = 1048576;
inline constexpr const char* too_many_patterns = "Too many patterns";

// Values (rows x axes) of one SampledRecording: 2^23 values bound its flat
// block at 64 MiB.
inline constexpr std::size_t max_recording_values = 8388608;

}  // namespace kinemorphs
