// Drum scores of the beat grooves: onsets on the pip grid, read from a
// compact step notation (see beat_scores.inc for the format).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kinemorphs::generator {

// What an instrument does in the motion: the lanes of a score fold into
// these five roles.
enum class Role { kick, snare, hat, perc, bass };

struct Onset {
    double pip;  // position within the period, fractional for tuplets and swing
    double velocity;
    Role role;
};

struct Score {
    std::string key;
    int period = 0;
    std::vector<Onset> onsets;  // in time order
};

// Parses every groove of a score text; throws std::runtime_error naming the
// line on any malformed or out-of-period entry.
std::vector<Score> parse_scores(std::string_view text);

// The scores of all beat grooves, embedded in the generator.
const std::vector<Score>& beat_scores();

}  // namespace kinemorphs::generator
