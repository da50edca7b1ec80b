#include "user/pattern_library.hpp"

#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>

#include "core/input_limits.hpp"
#include "rudiments/registry.hpp"

namespace kinemorphs {
namespace {

const PatternInfo* find_builtin(const std::vector<PatternInfo>& registry, std::string_view name) {
    for (const PatternInfo& info : registry) {
        if (info.name == name) {
            return &info;
        }
    }
    return nullptr;
}

// True when the pattern repeats the built-in pattern bit for bit (as
// doubles compare: 0.0 equals -0.0, NaN equals nothing).
bool restates(const SampledPattern& pattern, const PatternInfo& builtin) {
    if (pattern.description() != builtin.description ||
        pattern.period_pips() != builtin.period_pips) {
        return false;
    }
    for (std::int32_t pip = 0; pip < pattern.period_pips(); ++pip) {
        const Offset3 mine = pattern.sample(pip);
        const Offset3 theirs = sample_by_name(builtin.name, pip);
        if (!(mine.x == theirs.x && mine.y == theirs.y && mine.z == theirs.z)) {
            return false;
        }
    }
    return true;
}

}  // namespace

PatternLibrary::PatternLibrary(std::vector<SampledPattern> patterns) {
    if (patterns.size() > max_library_patterns) {
        throw std::invalid_argument(too_many_patterns);
    }
    const std::vector<PatternInfo>& registry = builtin_patterns();
    std::unordered_set<std::string> seen;
    std::size_t total_samples = 0;
    for (SampledPattern& pattern : patterns) {
        if (pattern.period_pips() == 0) {
            throw std::invalid_argument("Empty/moved-from pattern");
        }
        if (!seen.insert(pattern.name()).second) {
            throw std::invalid_argument("Duplicate pattern name: " + pattern.name());
        }
        total_samples += static_cast<std::size_t>(pattern.period_pips());
        if (total_samples > max_library_samples) {
            throw std::invalid_argument("Pattern pack is too large");
        }
        if (const PatternInfo* builtin = find_builtin(registry, pattern.name())) {
            if (!restates(pattern, *builtin)) {
                throw std::invalid_argument("Cannot override default pattern: " + pattern.name());
            }
            continue;
        }
        patterns_.push_back(std::move(pattern));
    }
}

Offset3 PatternLibrary::sample(std::string_view name, std::int32_t pip) const {
    for (const SampledPattern& pattern : patterns_) {
        if (pattern.name() == name) {
            return pattern.sample(pip);
        }
    }
    return sample_by_name(name, pip);
}

std::vector<PatternInfo> PatternLibrary::catalogue() const {
    std::vector<PatternInfo> infos = builtin_patterns();
    infos.reserve(infos.size() + patterns_.size());
    for (const SampledPattern& pattern : patterns_) {
        infos.push_back({pattern.name(), pattern.description(),
                         static_cast<std::uint16_t>(pattern.period_pips()), pattern.dimensions()});
    }
    return infos;
}

}  // namespace kinemorphs
