// The kinemorphs C++ library: rhythmic position functions of the integer
// pip (64 per beat), the same core that the Python module binds. Its headers,
// each included here, as <kinemorphs/...>:
//
//   core/pip.hpp                  PIPS_PER_BEAT, wrap_pip, Offset3, PatternFunction
//   rudiments/rudiments.hpp       the fifteen analytic default patterns
//   rudiments/registry.hpp        every built-in pattern: listing and sampling by name
//   catalogue/catalogue_record.hpp  the 1716 catalogue records and their lookup
//   user/sampled_pattern.hpp      a user-supplied periodic pattern
//   user/pattern_library.hpp      user patterns resolved before the built-ins
//   recording/sampled_recording.hpp  a non-looping multi-axis recording
//
// Failures throw standard exceptions with fixed English messages:
// std::invalid_argument for bad input and unknown names, std::out_of_range
// for a pip outside a recording, std::logic_error for sampling an emptied
// (moved-from) pattern. Every object is immutable once constructed.
#pragma once

#include <kinemorphs/catalogue/catalogue_record.hpp>
#include <kinemorphs/core/pip.hpp>
#include <kinemorphs/recording/sampled_recording.hpp>
#include <kinemorphs/rudiments/registry.hpp>
#include <kinemorphs/rudiments/rudiments.hpp>
#include <kinemorphs/user/pattern_library.hpp>
#include <kinemorphs/user/sampled_pattern.hpp>
