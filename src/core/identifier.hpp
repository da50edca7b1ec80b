// The identifier rule shared by pattern, recording and axis names:
// 1 to 128 bytes, a lower-case ASCII letter first, then lower-case
// letters, digits and underscores.
#pragma once

#include <string_view>

namespace kinemorphs {

constexpr bool is_identifier(std::string_view text) noexcept {
    if (text.empty() || text.size() > 128) {
        return false;
    }
    if (text.front() < 'a' || text.front() > 'z') {
        return false;
    }
    for (const char c : text) {
        const bool lower = c >= 'a' && c <= 'z';
        const bool digit = c >= '0' && c <= '9';
        if (!lower && !digit && c != '_') {
            return false;
        }
    }
    return true;
}

}  // namespace kinemorphs
