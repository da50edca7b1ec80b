// The `dwell` family: sixteen-beat phrases of two unequal lift-and-hold
// gestures, a transfer and a settling return. From its resting place, low
// (+y, since up is -y), the mover lifts to a first pose and holds it for a
// whole number of half or quarter beats, sinks part way, lifts to a second,
// smaller pose for a different hold, carries across to a transfer point and
// swings home, past the resting place and back, before settling there until
// the phrase ends.
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/keyframe_loop.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 1024;
constexpr double phrase_beats = 16.0;
constexpr auto rest = Passage::resting;
constexpr auto flow = Passage::flowing;

// Beats taken by each move; the holds come from the phrase.
constexpr double first_lift = 1.75;
constexpr double sink = 1.25;
constexpr double second_lift = 1.25;
constexpr double transfer_time = 2.25;

struct Phrase {
    Row home;
    Row first;
    Row second;
    Row transfer;
    double first_hold;   // beats
    double second_hold;  // beats
    Extent x_box;
    Extent y_box;
    Extent z_box;
};

Row mix(const Row& from, const Row& to, double share) {
    return Row{from[0] + share * (to[0] - from[0]), from[1] + share * (to[1] - from[1]),
               from[2] + share * (to[2] - from[2])};
}

Table phrase_rows(const Phrase& p) {
    double t = 0.0;
    std::vector<Key> keys;
    const auto key = [&](double beat, const Row& point, Passage passage) {
        keys.push_back({beats(beat), point, passage});
    };
    key(t, p.home, rest);
    t = t + first_lift;
    key(t, p.first, rest);
    t = t + p.first_hold;
    key(t, p.first, rest);
    t = t + sink;
    key(t, mix(p.home, p.first, 0.3), rest);
    t = t + second_lift;
    key(t, p.second, rest);
    t = t + p.second_hold;
    key(t, p.second, rest);
    // The transfer bows outward on its way across.
    const Row across = mix(p.second, p.transfer, 0.5);
    key(t + 0.5 * transfer_time, Row{across[0], across[1] - 0.12, across[2]}, flow);
    t = t + transfer_time;
    key(t, p.transfer, rest);
    // Home with a swing past the resting place and a smaller one back.
    const double settle = phrase_beats - t;
    key(t + 0.45 * settle, mix(p.home, p.transfer, -0.2), rest);
    key(t + 0.65 * settle, mix(p.home, p.transfer, 0.06), rest);
    key(t + 0.8 * settle, p.home, rest);
    Table table = keyed_loop(period, keys);
    table = lane_fitted(std::move(table), 0, p.x_box);
    table = lane_fitted(std::move(table), 1, p.y_box);
    return lane_fitted(std::move(table), 2, p.z_box);
}

constexpr const char* description =
    "Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.";

}  // namespace

void add_dwell_tables(TableSet& set) {
    const std::vector<Phrase> phrases = {
        {{-0.2, 0.7, 0.0}, {0.1, -0.8, 0.4}, {0.5, -0.3, 0.2}, {-0.7, -0.1, -0.3}, 2.0, 1.0,
         {-0.7, 0.72}, {-0.761, standard_reach}, {-0.4, 0.48}},
        {{0.3, 0.6, 0.0}, {-0.4, -0.7, 0.3}, {0.6, -0.4, -0.2}, {-0.6, 0.2, 0.4}, 3.0, 1.5,
         {-0.74, 0.7}, {-0.7, standard_reach}, {-0.36, 0.44}},
        {{-0.6, 0.3, 0.0}, {0.7, -0.6, 0.5}, {0.1, -0.5, 0.2}, {0.5, 0.5, -0.4}, 1.5, 0.75,
         {-0.761, standard_reach}, {-0.66, 0.7}, {-0.42, 0.5}},
        {{0.0, 0.7, 0.1}, {0.5, -0.75, -0.3}, {-0.45, -0.45, 0.3}, {0.65, 0.0, 0.2}, 2.5, 1.0,
         {-0.6, standard_reach}, {-0.74, 0.79}, {-0.3, 0.38}},
        {{0.5, 0.5, 0.0}, {-0.6, -0.6, 0.4}, {-0.1, -0.3, -0.3}, {0.7, -0.3, 0.3}, 2.0, 1.5,
         {-0.72, 0.76}, {-0.7, 0.81992}, {-0.461, 0.4}},
        {{-0.4, 0.6, -0.1}, {0.2, -0.8, 0.6}, {0.6, -0.2, 0.0}, {-0.7, -0.4, -0.2}, 1.0, 2.0,
         {-0.7, standard_reach}, {-0.75, 0.78}, {-0.35, 0.512}},
        {{0.0, 0.5, 0.0}, {-0.7, -0.5, -0.3}, {0.5, -0.6, 0.3}, {0.2, 0.7, 0.2}, 3.0, 2.0,
         {-0.76, 0.66}, {-0.72, standard_reach}, {-0.38, 0.42}},
        {{-0.7, 0.3, 0.0}, {0.6, -0.7, 0.3}, {0.2, -0.2, 0.4}, {-0.3, -0.5, -0.4}, 1.5, 1.0,
         {-0.75, standard_reach}, {-0.6, 0.77}, {-0.44, 0.46}},
        {{0.6, 0.4, 0.0}, {-0.3, -0.8, 0.2}, {-0.6, -0.1, -0.2}, {0.4, -0.6, 0.5}, 2.0, 0.5,
         {-0.7, 0.74}, {-0.68, standard_reach}, {-0.33, 0.5}},
        {{-0.2, 0.75, 0.0}, {0.4, -0.5, 0.6}, {-0.5, -0.6, 0.1}, {0.7, 0.2, -0.3}, 2.5, 1.5,
         {-0.66, standard_reach}, {-0.761, 0.72}, {-0.4, 0.47}},
        {{0.2, 0.65, 0.1}, {0.6, -0.7, -0.4}, {-0.3, -0.4, 0.4}, {-0.7, 0.3, 0.0}, 1.0, 3.0,
         {-0.73, standard_reach}, {-0.7, 0.76}, {-0.45, 0.36}},
        {{-0.5, 0.5, 0.0}, {0.0, -0.8, 0.3}, {0.7, -0.2, 0.5}, {-0.6, -0.3, -0.3}, 2.0, 1.0,
         {-0.7, standard_reach}, {-0.73, 0.8}, {-0.3, 0.49}},
        {{0.4, 0.7, 0.0}, {-0.5, -0.6, 0.5}, {0.3, -0.5, -0.2}, {0.6, 0.1, 0.3}, 3.0, 1.0,
         {-0.68, 0.77}, {-0.74, standard_reach}, {-0.37, 0.45}},
        {{-0.3, 0.4, -0.1}, {0.7, -0.5, 0.2}, {-0.2, -0.7, 0.4}, {-0.7, 0.4, 0.3}, 1.5, 2.5,
         {-0.72, standard_reach}, {-0.66, 0.79}, {-0.41, 0.43}},
        {{0.0, 0.72, 0.0}, {-0.5, -0.75, -0.2}, {0.5, -0.45, 0.5}, {0.1, 0.0, -0.4}, 2.5, 1.25,
         {-0.71, 0.75}, {-0.75, standard_reach}, {-0.43, 0.5}},
        {{-0.55, 0.6, 0.0}, {0.3, -0.7, 0.4}, {0.7, 0.1, -0.2}, {-0.4, -0.6, 0.2}, 2.5, 0.75,
         {-0.69, standard_reach}, {-0.72, 0.75}, {-0.39, 0.46}},
    };
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        std::string number = std::to_string(i + 1);
        number.insert(0, 2 - number.size(), '0');
        set.add("dwell_phrase_" + number, description, phrase_rows(phrases[i]));
    }
}

}  // namespace kinemorphs::generator
