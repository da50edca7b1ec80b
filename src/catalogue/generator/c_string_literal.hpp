// Writes bytes as the body of a C or C++ string literal for generated
// sources: printable characters stand for themselves; every other byte, and
// the three that would end the literal, start an escape or form a trigraph,
// becomes a three-digit octal escape, which never absorbs the character
// after it.
#pragma once

#include <string>
#include <string_view>

namespace kinemorphs::generator {

inline void append_literal_bytes(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '"' && c != '\\' && c != '?') {
            out += c;
        } else {
            out += '\\';
            out += static_cast<char>('0' + (byte >> 6));
            out += static_cast<char>('0' + ((byte >> 3) & 7));
            out += static_cast<char>('0' + (byte & 7));
        }
    }
}

}  // namespace kinemorphs::generator
