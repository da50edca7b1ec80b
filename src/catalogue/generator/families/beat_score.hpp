// The beat grooves: drum scores as onsets on the pip grid and the texts of
// their records, read from a compact notation (see beat_scores.inc).
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

// A groove: its score and the texts of the records that render it.
struct Groove {
    Score score;
    std::string label;      // leads every description
    std::string note;       // may be empty
    int flat_gestures = 0;  // leading gestures that move only x and y
};

// Parses every groove of a score text; throws std::runtime_error naming the
// line on any malformed or out-of-period entry.
std::vector<Groove> parse_grooves(std::string_view text);

// All beat grooves in catalogue order, embedded in the generator.
const std::vector<Groove>& beat_grooves();

}  // namespace kinemorphs::generator
