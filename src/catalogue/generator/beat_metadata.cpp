// The `beat` family's records: every groove (beat_scores.inc) crossed
// with every gesture (beat_gestures.cpp). The first 36 grooves list their
// titled gestures ahead of all the others; the remaining grooves list all
// their gestures together.
#include <algorithm>
#include <stdexcept>
#include <string>

#include "catalogue/generator/beat_records.hpp"

namespace kinemorphs::generator {
namespace {

// Grooves before this one list their titled gestures ahead of all the others.
constexpr std::size_t early_grooves = 36;
// The gestures titled per groove, at the front of the gesture list.
constexpr std::size_t titled_gestures = 4;

BeatRecord beat_record(const Groove& groove, std::size_t groove_number, const Gesture& gesture,
                       std::size_t gesture_number) {
    std::string text;
    if (gesture_number >= titled_gestures) {
        text = gesture.text;
    } else if (groove_number < early_grooves) {
        text = std::string(gesture.text) + groove.note;
    } else {
        text = gesture.later_text;
    }
    return {"beat_" + groove.score.key + "_" + std::string(gesture.suffix),
            groove.label + " \u2014 " + text,
            static_cast<int>(gesture_number) < groove.flat_gestures,
            &groove,
            &gesture};
}

std::vector<BeatRecord> all_beat_records() {
    const std::vector<Groove>& grooves = beat_grooves();
    const std::span<const Gesture> gestures = beat_gestures();
    for (std::size_t s = 0; s < gestures.size(); ++s) {
        if ((s < titled_gestures) != !gestures[s].later_text.empty()) {
            throw std::logic_error("beat gesture " + std::string(gestures[s].suffix) +
                                   ": exactly the first " + std::to_string(titled_gestures) +
                                   " gestures have a later_text");
        }
    }
    std::vector<BeatRecord> list;
    const auto add = [&](std::size_t g, std::size_t s) {
        list.push_back(beat_record(grooves[g], g, gestures[s], s));
    };
    const std::size_t early = std::min(early_grooves, grooves.size());
    for (std::size_t g = 0; g < early; ++g) {
        for (std::size_t s = 0; s < titled_gestures; ++s) add(g, s);
    }
    for (std::size_t g = 0; g < early; ++g) {
        for (std::size_t s = titled_gestures; s < gestures.size(); ++s) add(g, s);
    }
    for (std::size_t g = early; g < grooves.size(); ++g) {
        for (std::size_t s = 0; s < gestures.size(); ++s) add(g, s);
    }
    return list;
}

}  // namespace

const std::vector<BeatRecord>& beat_records() {
    static const std::vector<BeatRecord> records = all_beat_records();
    return records;
}

std::vector<std::string> catalogue_order() {
    std::vector<std::string> order = family_order();
    for (const BeatRecord& record : beat_records()) order.push_back(record.name);
    return order;
}

}  // namespace kinemorphs::generator
