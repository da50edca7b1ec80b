// Reproducible pseudo-random values named by text: the SHA-256 digest of a
// text such as "noise_drift_5/3" (record name / control point number) gives
// up to four independent values in [-1, 1), one per 8-byte slice of the
// digest. Any table built from them can be recomputed exactly anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/generator/sha256.hpp"

namespace kinemorphs::generator {

// Value `slice` (0 to 3) of the text's digest: the slice read as a big-endian
// 64-bit integer, its top 53 bits taken as a fraction u in [0, 1), then 2u - 1.
inline double seeded_value(const std::string& text, std::size_t slice) {
    const Sha256Digest digest = sha256(text);
    std::uint64_t bits = 0;
    for (std::size_t b = 0; b < 8; ++b) {
        bits = (bits << 8) | digest[8 * slice + b];
    }
    const double unit = static_cast<double>(bits >> 11) / 9007199254740992.0;  // 2^53
    return 2.0 * unit - 1.0;
}

// The text naming control point `index` of `name`.
inline std::string control_point_text(const std::string& name, int index) {
    return name + "/" + std::to_string(index);
}

}  // namespace kinemorphs::generator
