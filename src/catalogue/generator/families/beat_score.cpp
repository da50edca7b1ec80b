// Reads the step notation of the beat scores into onsets.
#include "catalogue/generator/families/beat_score.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <stdexcept>

#include "catalogue/generator/pip_grid.hpp"

namespace kinemorphs::generator {
namespace {

struct LaneRole {
    std::string_view lane;
    Role role;
};

constexpr std::array<LaneRole, 16> lane_roles{{
    {"kick", Role::kick},   {"snare", Role::snare},  {"clap", Role::snare},
    {"hat", Role::hat},     {"ohat", Role::hat},     {"ride", Role::hat},
    {"crash", Role::hat},   {"shaker", Role::hat},   {"rim", Role::perc},
    {"tom", Role::perc},    {"ltom", Role::perc},    {"bell", Role::perc},
    {"clave", Role::perc},  {"conga", Role::perc},   {"perc", Role::perc},
    {"bass", Role::bass},
}};

// Step characters and their velocities; '.' is a rest.
double velocity_of(char step) {
    switch (step) {
        case 'X': return 1.0;
        case 'x': return 0.8;
        case 'o': return 0.55;
        case 'g': return 0.3;
        default: return -1.0;
    }
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

int to_int(std::string_view digits, const std::string& where) {
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size()) {
        throw std::runtime_error(where + ": expected a number, got '" + std::string(digits) + "'");
    }
    return value;
}

struct LaneLine {
    Role role = Role::kick;
    bool anchored = false;  // has an explicit @start
    int start = 0;
    int steps_per_bar = 16;
    int swing = 0;
};

// Splits "lane@start/n~s" into its parts.
LaneLine lane_header(std::string_view header, const std::string& where) {
    LaneLine line;
    const std::size_t name_end = header.find_first_of("@/~");
    const std::string_view name = header.substr(0, name_end);
    const auto found = std::find_if(lane_roles.begin(), lane_roles.end(),
                                    [&](const LaneRole& lr) { return lr.lane == name; });
    if (found == lane_roles.end()) {
        throw std::runtime_error(where + ": unknown lane '" + std::string(name) + "'");
    }
    line.role = found->role;
    std::size_t at = name_end;
    while (at != std::string_view::npos && at < header.size()) {
        const char mark = header[at];
        const std::size_t next = header.find_first_of("@/~", at + 1);
        const int value = to_int(header.substr(at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1), where);
        if (mark == '@') {
            line.anchored = true;
            line.start = value;
        } else if (mark == '/') {
            line.steps_per_bar = value;
        } else {
            line.swing = value;
        }
        at = next;
    }
    if (line.steps_per_bar <= 0) {
        throw std::runtime_error(where + ": steps per bar must be positive");
    }
    return line;
}

void read_steps(const LaneLine& line, std::string_view steps, Score& score, const std::string& where) {
    int index = 0;
    int bar_steps = 0;
    int bars = 1;
    const auto close_bar = [&] {
        if (!line.anchored && bar_steps != line.steps_per_bar) {
            throw std::runtime_error(where + ": a bar holds " + std::to_string(bar_steps) +
                                     " steps, expected " + std::to_string(line.steps_per_bar));
        }
    };
    for (const char c : steps) {
        if (c == ' ' || c == '\t') continue;
        if (c == '|') {
            close_bar();
            bar_steps = 0;
            ++bars;
            continue;
        }
        const double velocity = velocity_of(c);
        if (c != '.' && velocity < 0.0) {
            throw std::runtime_error(where + ": unknown step '" + std::string(1, c) + "'");
        }
        if (velocity > 0.0) {
            double pip = line.start + static_cast<double>(index * bar_pips) / line.steps_per_bar;
            if (index % 2 == 1) pip += line.swing;
            if (pip < 0.0 || pip >= score.period) {
                throw std::runtime_error(where + ": a step falls outside the period");
            }
            score.onsets.push_back({pip, velocity, line.role});
        }
        ++index;
        ++bar_steps;
    }
    close_bar();
    if (!line.anchored && bars * bar_pips != score.period) {
        throw std::runtime_error(where + ": the line covers " + std::to_string(bars) +
                                 " bars, not the whole period");
    }
}

}  // namespace

std::vector<Groove> parse_grooves(std::string_view text) {
    std::vector<Groove> grooves;
    int line_number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++line_number;
        line = trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const std::string where = "score line " + std::to_string(line_number);
        if (line.front() == '[') {
            const std::size_t blank = line.find(' ');
            if (line.back() != ']' || blank == std::string_view::npos) {
                throw std::runtime_error(where + ": expected [key period]");
            }
            Groove groove;
            groove.score.key = std::string(line.substr(1, blank - 1));
            groove.score.period = to_int(trimmed(line.substr(blank + 1, line.size() - blank - 2)), where);
            grooves.push_back(std::move(groove));
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || grooves.empty()) {
            throw std::runtime_error(where + ": expected 'lane: steps' inside a groove");
        }
        const std::string_view field = trimmed(line.substr(0, colon));
        const std::string_view value = trimmed(line.substr(colon + 1));
        Groove& groove = grooves.back();
        if (field == "label") {
            groove.label = std::string(value);
        } else if (field == "note") {
            groove.note = std::string(value);
        } else if (field == "flat") {
            groove.flat_gestures = to_int(value, where);
        } else {
            read_steps(lane_header(field, where), line.substr(colon + 1), groove.score, where);
        }
    }
    for (Groove& groove : grooves) {
        Score& score = groove.score;
        std::stable_sort(score.onsets.begin(), score.onsets.end(),
                         [](const Onset& a, const Onset& b) { return a.pip < b.pip; });
        if (score.onsets.empty()) {
            throw std::runtime_error("groove " + score.key + " has no onsets");
        }
        if (groove.label.empty()) {
            throw std::runtime_error("groove " + score.key + " has no label line");
        }
    }
    return grooves;
}

const std::vector<Groove>& beat_grooves() {
    static const std::vector<Groove> grooves = parse_grooves(
#include "catalogue/generator/families/beat_scores.inc"
    );
    return grooves;
}

}  // namespace kinemorphs::generator
