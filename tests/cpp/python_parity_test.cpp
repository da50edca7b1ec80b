// The C++ library answers exactly as the Python module: the same listing of
// built-in patterns and the same bits for every sampled pip of the
// reference that write_python_reference.py wrote.
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "rudiments/registry.hpp"

namespace {

std::vector<std::string_view> split_tabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos;) {
        fields.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    fields.push_back(line);
    return fields;
}

template <typename Integer>
Integer parse(std::string_view text, int base = 10) {
    Integer value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size()) {
        throw std::invalid_argument("malformed reference field: " + std::string(text));
    }
    return value;
}

std::string hex_bits(double value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
    return text;
}

}  // namespace

int main(int argc, char** argv) try {
    if (argc != 2) {
        std::fprintf(stderr, "usage: python_parity_test REFERENCE_FILE\n");
        return 2;
    }
    const auto& registry = kinemorphs::builtin_patterns();
    std::ifstream in(argv[1]);
    std::size_t listed = 0;
    std::size_t samples = 0;
    std::size_t failures = 0;
    for (std::string line; std::getline(in, line);) {
        const auto fields = split_tabs(line);
        if (fields[0] == "pattern" && fields.size() == 5) {
            const bool same = listed < registry.size() && registry[listed].name == fields[1] &&
                              registry[listed].description == fields[2] &&
                              registry[listed].period_pips == parse<std::uint16_t>(fields[3]) &&
                              registry[listed].dimensions == parse<unsigned>(fields[4]);
            if (!same) {
                ++failures;
                std::fprintf(stderr, "listing differs at entry %zu (%s)\n", listed, line.c_str());
            }
            ++listed;
        } else if (fields[0] == "sample" && fields.size() == 6) {
            const auto pip = parse<std::int32_t>(fields[2]);
            const kinemorphs::Offset3 offset = kinemorphs::sample_by_name(fields[1], pip);
            const bool same = hex_bits(offset.x) == fields[3] && hex_bits(offset.y) == fields[4] &&
                              hex_bits(offset.z) == fields[5];
            if (!same) {
                ++failures;
                std::fprintf(stderr, "differs: %s; C++ gives %s %s %s\n", line.c_str(),
                             hex_bits(offset.x).c_str(), hex_bits(offset.y).c_str(),
                             hex_bits(offset.z).c_str());
            }
            ++samples;
        } else {
            std::fprintf(stderr, "malformed reference line: %s\n", line.c_str());
            return 1;
        }
    }
    if (listed != registry.size() || samples == 0) {
        std::fprintf(stderr, "reference lists %zu patterns and %zu samples; the library has %zu\n",
                     listed, samples, registry.size());
        return 1;
    }
    std::printf("%zu patterns, %zu samples compared, %zu differ\n", listed, samples, failures);
    return failures == 0 ? 0 : 1;
} catch (const std::exception& error) {
    std::fprintf(stderr, "python_parity_test: %s\n", error.what());
    return 1;
}
