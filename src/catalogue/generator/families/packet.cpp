// The `packet` family: N compact oscillation packets around an eight-beat
// loop. Each packet is a lateral carrier under a cos^2 window, so it fades in
// and out without a corner; the arrangement decides the side (y) and depth
// (z) motion that carries the packets around the phrase.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/rhythm_tools.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 512;
constexpr double side_reach = 0.276;
constexpr double depth_reach = 0.347;

enum class Arrangement { alternating, cascading, crossing, depth };

struct PacketRecord {
    const char* name;
    Arrangement arrangement;
    int packets;
    double cycles;  // carrier cycles across one packet
    double peak;    // largest lateral excursion; longer cascades stop a hair short of standard_reach
};

constexpr PacketRecord records[] = {
    {"packet_alternating_2", Arrangement::alternating, 2, 5.0, standard_reach},
    {"packet_cascading_2", Arrangement::cascading, 2, 4.0, standard_reach},
    {"packet_crossing_2", Arrangement::crossing, 2, 6.0, standard_reach},
    {"packet_depth_2", Arrangement::depth, 2, 4.5, standard_reach},
    {"packet_alternating_3", Arrangement::alternating, 3, 4.0, standard_reach},
    {"packet_cascading_3", Arrangement::cascading, 3, 3.0, 0.8199},
    {"packet_crossing_3", Arrangement::crossing, 3, 4.5, standard_reach},
    {"packet_depth_3", Arrangement::depth, 3, 3.5, standard_reach},
    {"packet_alternating_4", Arrangement::alternating, 4, 3.0, standard_reach},
    {"packet_cascading_4", Arrangement::cascading, 4, 2.5, 0.8198},
    {"packet_crossing_4", Arrangement::crossing, 4, 3.5, standard_reach},
    {"packet_depth_4", Arrangement::depth, 4, 3.0, standard_reach},
    {"packet_alternating_5", Arrangement::alternating, 5, 3.0, standard_reach},
    {"packet_cascading_5", Arrangement::cascading, 5, 2.0, 0.81965},
    {"packet_crossing_5", Arrangement::crossing, 5, 3.0, standard_reach},
    {"packet_depth_5", Arrangement::depth, 5, 2.5, standard_reach},
};

// The lateral carrier of packet i: cycles rise and levels fall along a
// cascade, but never faster than eighth-note triplets (three cycles a beat):
// quicker, a packet shivers instead of swinging. Alternating packets flip
// polarity.
double carrier(const PacketRecord& r, int i, double u, double half_length) {
    constexpr double quickest_cycle_pips = beat_pips / 3.0;
    double level = 1.0;
    double cycles = r.cycles;
    double polarity = 1.0;
    if (r.arrangement == Arrangement::cascading) {
        level = std::pow(0.72, i);
        cycles = std::min(r.cycles + i, (2.0 * half_length) / quickest_cycle_pips);
    } else if (r.arrangement == Arrangement::alternating || r.arrangement == Arrangement::depth) {
        polarity = i % 2 == 0 ? 1.0 : -1.0;
    }
    const double phase = (pi * cycles * u) / half_length;
    return (polarity * level) * (bump_weight(u, half_length) * std::sin(phase));
}

// The side motion of the crossing arrangement: a sweep from -1 to +1 across
// each packet, then a glide back through the gap; every join is level, so
// the motion stays smooth.
double crossing_sweep(int k, double first_centre, double half_length, double slot) {
    const double v = std::fmod(((k - first_centre) + slot) + half_length, slot) - half_length;
    if (v < half_length) {
        return std::sin((pi * v) / (2.0 * half_length));
    }
    const double gap = slot - 2.0 * half_length;
    return std::cos((pi * (v - half_length)) / gap);
}

Table packet_table(const PacketRecord& r) {
    const double slot = static_cast<double>(period) / r.packets;
    // A cascade's next packet is quicker than the one before: after a long
    // still gap its first swing would snap in, so its packets leave only a
    // short breath between them.
    const double half_length = (r.arrangement == Arrangement::cascading ? 0.46 : 0.38) * slot;
    // Crossing packets start a quarter slot late, so the loop begins inside
    // a packet's sweep rather than at its still centre.
    const double first_centre = r.arrangement == Arrangement::crossing ? slot / 4.0 : 0.0;
    Table table = make_table(period, [&](int k) {
        Row row{0.0, 0.0, 0.0};
        if (r.arrangement == Arrangement::crossing) {
            row[1] = side_reach * crossing_sweep(k, first_centre, half_length, slot);
        }
        for (int i = 0; i < r.packets; ++i) {
            const double u = wrapped_offset(k, first_centre + grid_pip(i, period, r.packets), period);
            const double side = i % 2 == 0 ? 1.0 : -1.0;
            row[0] = row[0] + carrier(r, i, u, half_length);
            if (r.arrangement == Arrangement::alternating) {
                row[1] = row[1] + (side * side_reach) * bump_weight(u, 0.5 * slot);
            } else if (r.arrangement == Arrangement::cascading) {
                // Side levels step from one side to the other; cos^2 bumps
                // spaced by their half-width blend the steps smoothly.
                const double level = 1.0 - (2.0 * i) / (r.packets - 1);
                row[1] = row[1] + (level * side_reach) * bump_weight(u, slot);
            } else if (r.arrangement == Arrangement::depth) {
                row[1] = row[1] + (0.5 * side_reach) * bump_weight(u, 0.5 * slot);
                row[2] = row[2] + (side * depth_reach) * bump_weight(u, 0.5 * slot);
            }
        }
        return row;
    });
    return lane_pinned(std::move(table), x_axis, {Side::magnitude, r.peak});
}

constexpr const char* description =
    "Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.";

}  // namespace

void add_packet_tables(TableSet& set) {
    for (const PacketRecord& r : records) {
        set.add(r.name, description, packet_table(r));
    }
}

}  // namespace kinemorphs::generator
