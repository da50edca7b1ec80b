// The by-name sampling calls' failure for a name that no pattern bears.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "core/offset3.hpp"

namespace kinemorphs::bindings {

// Raises ValueError "Unknown kinemorph: " followed by the whole name: NUL
// bytes kept, bytes that are not UTF-8 shown as backslash escapes. The
// default translation would cut the text at the first NUL and fail to
// decode the rest.
[[noreturn]] void raise_unknown_name(std::string_view name);

// Runs a by-name lookup whose only std::invalid_argument is the unknown
// name, and reports that failure through raise_unknown_name.
template <class Lookup>
Offset3 sample_or_raise(std::string_view name, Lookup lookup) {
    try {
        return lookup();
    } catch (const std::invalid_argument&) {
        raise_unknown_name(name);
    }
}

}  // namespace kinemorphs::bindings
