// Strict UTF-8 validation: the byte sequences Python's strict decoder
// accepts (shortest forms only, no surrogates, nothing above U+10FFFF).
#pragma once

#include <cstddef>
#include <string_view>

namespace kinemorphs {

constexpr bool is_valid_utf8(std::string_view text) noexcept {
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        // The second byte's range excludes overlong forms (E0, F0),
        // surrogates (ED) and code points above U+10FFFF (F4).
        unsigned char second_low = 0x80;
        unsigned char second_high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            second_low = lead == 0xE0 ? 0xA0 : 0x80;
            second_high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            second_low = lead == 0xF0 ? 0x90 : 0x80;
            second_high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (size - i < length) {
            return false;
        }
        const auto second = static_cast<unsigned char>(text[i + 1]);
        if (second < second_low || second > second_high) {
            return false;
        }
        for (std::size_t k = 2; k < length; ++k) {
            const auto continuation = static_cast<unsigned char>(text[i + k]);
            if (continuation < 0x80 || continuation > 0xBF) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

}  // namespace kinemorphs
