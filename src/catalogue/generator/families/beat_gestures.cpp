// The beat gestures: renderers, peaks and record texts. Each renderer builds
// raw x, y and z from the score's signals; beat.cpp scales the result to the
// table's size. To add a gesture, add its renderer and one entry to the list
// at the end.
#include "catalogue/generator/families/beat_gestures.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "catalogue/generator/families/beat_signals.hpp"
#include "catalogue/generator/pip_grid.hpp"

namespace kinemorphs::generator {
namespace {

constexpr RoleWeights every_role{1.0, 0.9, 0.35, 0.7, 0.6};
constexpr RoleWeights snare_only{0.0, 1.0, 0.0, 0.0, 0.0};

int bars(const Score& score) { return score.period / bar_pips; }

// A phase that each onset pushes forward: the speed rises just after a hit
// and relaxes before the next, `push` times faster at the strongest hit.
Series pushed_phase(const Score& score, const RoleWeights& weights, double push) {
    const Series drive = unit(causal_sum(score, weighted(weights), Swell{4.0, 24.0}));
    Series speed(drive.size());
    for (std::size_t i = 0; i < drive.size(); ++i) speed[i] = 1.0 + push * drive[i];
    return eased_phase(speed);
}

Table rows_of(int period, const Series& x, const Series& y, const Series& z) {
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        return Row{x[i], y[i], z[i]};
    });
}

// Small bumps marking every onset of the weighted roles. Quiet notes count
// for more than their velocity (half their weight comes free), so ghost
// notes show in the detail they add.
Series detail_sum(const Score& score, const RoleWeights& weights, double half_width) {
    return column(bump_table(score, half_width,
                             [&](const Onset& onset, int) {
                                 return Row{weights.of(onset.role) * (0.5 + 0.5 * onset.velocity), 0.0, 0.0};
                             }),
                  0);
}

// The low end: the bass lane, or the kick where a groove has no bass.
RoleWeights low_end(const Score& score) {
    return has_role(score, Role::bass) ? RoleWeights{0.3, 0.0, 0.0, 0.0, 1.0} : RoleWeights{1.0, 0.0, 0.0, 0.0, 0.0};
}

// Onsets that start within this many pips of a hit join it.
constexpr double merge_pips = 12.0;

// One or more near-simultaneous onsets, moved as one.
struct Hit {
    double pip;
    double velocity;  // the loudest of its onsets
    double snare_velocity;  // the loudest snare among them, 0 without one
    bool kick;
    bool snare;
    double side;  // +1 or -1, alternating
};

// The onsets that `counts` accepts, in time order, each onset within
// merge_pips of the previous hit's start joined to that hit.
template <class Counts>
std::vector<Hit> merged_hits(const Score& score, Counts counts) {
    std::vector<Hit> hits;
    for (const Onset& onset : score.onsets) {
        if (!counts(onset)) continue;
        if (!hits.empty() && onset.pip - hits.back().pip < merge_pips) {
            Hit& last = hits.back();
            last.velocity = std::max(last.velocity, onset.velocity);
            if (onset.role == Role::snare) last.snare_velocity = std::max(last.snare_velocity, onset.velocity);
            last.kick = last.kick || onset.role == Role::kick;
            last.snare = last.snare || onset.role == Role::snare;
            continue;
        }
        const bool snare = onset.role == Role::snare;
        hits.push_back({onset.pip, onset.velocity, snare ? onset.velocity : 0.0, onset.role == Role::kick, snare, 1.0});
    }
    return hits;
}

// The kick and snare hits, alternating sides. An odd number of hits cannot
// alternate all the way round the loop, so one hit repeats the side before
// it: the one that follows its predecessor most closely (the pair reads as a
// single stroke), never the downbeat, which keeps its step at the loop point.
// The orientation that sends more lone snares right wins.
std::vector<Hit> main_hits(const Score& score) {
    std::vector<Hit> hits = merged_hits(score, [](const Onset& onset) {
        return onset.role == Role::kick || onset.role == Role::snare;
    });
    const std::size_t n = hits.size();
    std::size_t repeat = n;  // the hit that keeps its predecessor's side
    if (n % 2 == 1 && n > 1) {
        double closest = 1e9;
        for (std::size_t i = 1; i < n; ++i) {
            const double gap = hits[i].pip - hits[i - 1].pip;
            if (gap < closest) {
                closest = gap;
                repeat = i;
            }
        }
    }
    std::vector<double> sides(n, 1.0);
    for (std::size_t i = 1; i < n; ++i) sides[i] = i == repeat ? sides[i - 1] : -sides[i - 1];
    int snares_right = 0;
    int snares_left = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (hits[i].snare && !hits[i].kick) (sides[i] > 0.0 ? snares_right : snares_left) += 1;
    }
    const double orientation = snares_left > snares_right ? -1.0 : 1.0;
    for (std::size_t i = 0; i < n; ++i) hits[i].side = orientation * sides[i];
    return hits;
}

// Pips from event i to the next event (cyclic); a lone event waits a whole
// period for itself.
template <class Event>
double gap_after(const std::vector<Event>& events, std::size_t i, int period) {
    if (events.size() == 1) return period;
    return elapsed(events[(i + 1) % events.size()].pip, events[i].pip, period);
}

// Kick-led bounce: each kick finds the mover at the bottom of its stroke
// (+y is down); it springs up at once and settles back down by the next
// kick; the other instruments add side accents. Drawn at its final scale.
Table bounce(const Score& score) {
    const int period = score.period;
    const double top = 0.55;
    std::vector<Onset> kicks;
    for (const Onset& onset : score.onsets) {
        if (onset.role == Role::kick) kicks.push_back(onset);
    }
    Series dips(static_cast<std::size_t>(period), 0.0);
    const auto dip = [&](double pip, double depth, double length) {
        for (int k = 0; k < period; ++k) {
            const double since = elapsed(k, pip, period);
            if (since < length) {
                const double s = std::sin(pi * std::pow(since / length, 0.65));
                dips[static_cast<std::size_t>(k)] += depth * (s * s);
            }
        }
    };
    for (std::size_t i = 0; i < kicks.size(); ++i) {
        const double length = std::min(56.0, 0.9 * gap_after(kicks, i, period));
        dip(kicks[i].pip, kicks[i].velocity * std::min(1.0, length / 24.0), length);
    }
    // Each hat bobs the mover a little on its way, over before the next kick
    // lands, so swung hats give the bounce its lilt.
    for (const Onset& onset : score.onsets) {
        if (onset.role != Role::hat) continue;
        double to_kick = period;
        for (const Onset& kick : kicks) to_kick = std::min(to_kick, elapsed(kick.pip, onset.pip, period));
        const double length = std::min(24.0, 0.9 * to_kick);
        if (length > 4.0) dip(onset.pip, 0.35 * onset.velocity, length);
    }
    int snares = 0;
    int percs = 0;
    int hats = 0;
    const Table accents = bump_table(score, 10.0, [&](const Onset& onset, int) {
        switch (onset.role) {
            case Role::snare: return Row{(snares++ % 2 == 0 ? 0.42 : -0.42) * onset.velocity, 0.0, 0.1 * onset.velocity};
            case Role::perc: return Row{(percs++ % 2 == 0 ? 0.26 : -0.26) * onset.velocity, 0.0, 0.2 * onset.velocity};
            case Role::hat: return Row{(hats++ % 2 == 0 ? 0.12 : -0.12) * onset.velocity, 0.0, 0.15 * onset.velocity};
            case Role::bass: return Row{0.0, 0.0, 0.3 * onset.velocity};
            case Role::kick: break;
        }
        return Row{0.0, 0.0, 0.0};
    });
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        return Row{accents[i][0], top - dips[i], accents[i][2] + 0.25 * dips[i]};
    });
}

// Alternating lateral steps that land on the kicks and snares: kicks sink,
// snares lift (lift is toward -y); the hats and percussion between the steps
// tick small lifts and depth nudges, so grooves that share their kicks and
// snares still step differently.
Table step(const Score& score) {
    const int period = score.period;
    const std::vector<Hit> hits = main_hits(score);
    std::vector<TravelKey> keys;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const double before = gap_after(hits, (i + hits.size() - 1) % hits.size(), period);
        const double travel = std::min(before, 40.0);
        const double reach = (0.3 + 0.7 * hits[i].velocity) * std::min(1.0, travel / 20.0);
        keys.push_back({hits[i].pip - travel, travel, Row{hits[i].side * reach, 0.0, 0.0}});
    }
    const Series x = smoothed(column(keyed_path(period, keys), 0), 6.0);
    std::vector<Pulse> lifts;
    for (const Hit& hit : hits) {
        const double lift = hit.snare ? (hit.kick ? -0.2 : -0.42) : 0.35;
        lifts.push_back({hit.pip, 14.0, Row{0.0, lift * hit.velocity, 0.0}});
    }
    const Series steps = column(sum_pulses(period, lifts), 1);
    const Series ticks = bump_sum(score, {0.0, 0.0, 0.7, 0.7, 0.3}, 8.0);
    const Series z = bump_sum(score, {0.15, 0.0, 0.7, 0.7, 0.4}, 10.0);
    Series y(steps.size());
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = steps[i] - ticks[i];
    return rows_of(period, x, y, z);
}

// An orbit of one turn every two beats, twice as fast as the corkscrew's
// turns, whose angular speed follows the onset density, whose radius follows
// the percussion and whose depth follows the low end.
Table orbit(const Score& score) {
    const int period = score.period;
    const Series phase = pushed_phase(score, every_role, 2.0);
    const Series radius = unit(smoothed(bump_sum(score, {0.3, 0.8, 0.5, 1.0, 0.3}, 12.0), 24.0));
    const Series depth = unit(centred(smoothed(bump_sum(score, {1.0, 0.2, 0.6, 0.4, 0.8}, 16.0), 12.0)));
    const double turns = period / (2 * beat_pips);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double r = 0.55 + 0.45 * radius[i];
        const double a = two_pi * (turns * phase[i]);
        return Row{r * std::cos(a), (0.8 * r) * std::sin(a), 0.6 * depth[i]};
    });
}

// A broad phrase-long path that bass notes pull downward (+y) and outward;
// every onset hurries the phrase along, so the path's timing is the groove's.
// Snares lift the path (-y) where they land and hats and percussion fray
// its width, so grooves that share their low end still draw their own
// figure; snares, hats and percussion also ripple its depth.
Table glide(const Score& score) {
    const int period = score.period;
    const Series bass = unit(smoothed(causal_sum(score, weighted(low_end(score)), Swell{8.0, 36.0}), 8.0));
    // The hats hurry it as much as the drums: their pattern sets the pace.
    const Series phase = pushed_phase(score, {1.0, 0.9, 0.8, 0.7, 0.6}, 2.4);
    const Series ripple = detail_sum(score, {0.0, 1.2, 0.0, 0.7, 0.0}, 12.0);
    const Series lift = smoothed(causal_sum(score, weighted(snare_only), Swell{4.0, 28.0}), 6.0);
    const Series fray = bump_sum(score, {0.0, 0.0, 1.0, 0.8, 0.0}, 14.0);
    const double bass_mean = mean(bass);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double a = two_pi * phase[i];
        const double spread = 1.0 + 0.3 * bass[i];
        const double frayed = 1.0 + 0.35 * fray[i];
        return Row{((0.7 * std::sin(a)) * spread) * frayed,
                   ((0.4 * std::sin(2.0 * a)) * frayed + 0.45 * bass[i]) - 0.35 * lift[i],
                   (0.55 * (bass[i] - bass_mean) + 0.25 * std::cos(a)) + 0.4 * (ripple[i] + fray[i])};
    });
}

// Kicks (and bass, more gently) thrust forward in depth, snares lift (-y)
// and draw back, hats and percussion flick from side to side.
Table surge(const Score& score) {
    // Rests a little behind its lowest point, so the thrusts read forward
    // and a rolling bass line moves the mover rather than parking it there.
    Series kick = causal_sum(score, weighted({1.0, 0.0, 0.0, 0.0, 0.4}), Swell{5.0, 36.0});
    const double floor = *std::min_element(kick.begin(), kick.end());
    const double rest = floor + 0.1 * (mean(kick) - floor);
    for (double& v : kick) v = v - rest;
    const Series snare = centred(causal_sum(score, weighted(snare_only), Swell{4.0, 44.0}));
    const Series flicker = column(bump_table(score, 8.0, [](const Onset& onset, int index) {
                                      const double side = index % 2 == 0 ? 1.0 : -1.0;
                                      const double gain = onset.role == Role::hat ? 0.5 : (onset.role == Role::perc ? 0.3 : 0.0);
                                      return Row{side * (gain * onset.velocity), 0.0, 0.0};
                                  }),
                                  0);
    const int period = score.period;
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        return Row{flicker[i], 0.2 * kick[i] - 0.6 * snare[i], kick[i] - 0.25 * snare[i]};
    });
}

// Snares (and, more gently, percussion) push sideways, alternating; kicks
// and bass notes pull down (+y), and a delayed, wider echo of the drums and
// hats draws the mover back in depth.
Table recoil(const Score& score) {
    const double echo_delay = 24.0;
    const Swell hit{5.0, 36.0};
    const Swell echo{10.0, 48.0};
    const RoleWeights pushers{0.0, 1.0, 0.0, 0.5, 0.0};
    const Series push = causal_sum(score, alternating(pushers), hit);
    const Series drop = centred(causal_sum(score, weighted({1.0, 0.0, 0.0, 0.0, 0.6}), hit));
    const Series push_echo = causal_sum(score, alternating(pushers), echo, echo_delay);
    // The drop and the draw are centred: motions about the mover's place,
    // not offsets that a rolling bass line or busy hats pile up.
    const Series draw = centred(causal_sum(score, weighted({0.8, 1.0, 1.0, 0.3, 0.0}), echo, echo_delay));
    const int period = score.period;
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        return Row{push[i] - 0.45 * push_echo[i], 0.85 * drop[i] - 0.15 * push_echo[i], -0.7 * draw[i]};
    });
}

// The upper percussion (hats, shakers, rims, bells, claves, congas) as the
// onsets of one role set.
bool upper_percussion(const Onset& onset) { return onset.role == Role::hat || onset.role == Role::perc; }

// A tremor per upper-percussion hit: it starts at rest, rings at three
// cycles a beat (a moving head follows that; the 8 Hz buzz of faster rates
// only blurs) and is faded out just after the next hit, so each hit shows as its own
// flick and a lone hit rings on alone. Successive hits tremble alternately
// forward and back in depth.
struct Tremors {
    Series y;
    Series z;
};

Tremors tremors(const Score& score) {
    const int period = score.period;
    std::vector<Onset> hits;
    for (const Onset& onset : score.onsets) {
        if (upper_percussion(onset)) hits.push_back(onset);
    }
    Tremors out{Series(static_cast<std::size_t>(period), 0.0), Series(static_cast<std::size_t>(period), 0.0)};
    for (std::size_t i = 0; i < hits.size(); ++i) {
        // A louder note trembles longer, until the next hit has taken over.
        const Ring ring{21.0, 8.0 + 16.0 * hits[i].velocity, std::min(gap_after(hits, i, period) + 6.0, 48.0)};
        const double side = i % 2 == 0 ? 1.0 : -1.0;
        for (int k = 0; k < period; ++k) {
            const double v = hits[i].velocity * ring(elapsed(k, hits[i].pip, period));
            out.y[static_cast<std::size_t>(k)] += v;
            out.z[static_cast<std::size_t>(k)] += side * v;
        }
    }
    return out;
}

// A slow arc swung between kick and snare sides, wider to a snare, with the
// tremors of the upper percussion riding on it.
Table flutter(const Score& score) {
    const int period = score.period;
    const std::vector<Hit> hits = main_hits(score);
    std::vector<TravelKey> keys;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const double before = gap_after(hits, (i + hits.size() - 1) % hits.size(), period);
        const double swing = (0.6 + 0.4 * hits[i].velocity) + 0.25 * hits[i].snare_velocity;
        keys.push_back({hits[i].pip - before, before, Row{hits[i].side * swing, 0.0, 0.0}});
    }
    const Series arc = smoothed(column(keyed_path(period, keys), 0), 24.0);
    const Tremors tremor = tremors(score);
    // The bass line weighs the arc down (+y) between the drums.
    const Series sag = causal_sum(score, weighted({0.0, 0.0, 0.0, 0.0, 1.0}), Swell{6.0, 24.0});
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double a = arc[i];
        return Row{0.8 * a, ((0.45 * (a * a) - 0.3) - 0.3 * tremor.y[i]) + 0.2 * sag[i], 0.25 * a + 0.4 * tremor.z[i]};
    });
}

// The mover hangs high (-y) and back while the low end rests, and each bass
// swell drives a broad plunge forward in depth and down (+y); kicks and snares swing a small
// counterweight from side to side and lift it, percussion and hats swing it
// more lightly.
Table dive(const Score& score) {
    const Series plunge = spanned(smoothed(causal_sum(score, weighted(low_end(score)), Swell{8.0, 48.0}), 24.0));
    const int period = score.period;
    std::vector<Pulse> swings;
    for (const Hit& hit : main_hits(score)) {
        swings.push_back({hit.pip, 16.0, Row{hit.side * (0.35 * hit.velocity), -0.12 * hit.velocity, 0.0}});
    }
    int light = 0;
    for (const Onset& onset : score.onsets) {
        if (onset.role != Role::perc && onset.role != Role::hat) continue;
        const double side = light++ % 2 == 0 ? 1.0 : -1.0;
        const double gain = onset.role == Role::perc ? 0.2 : 0.18;
        swings.push_back({onset.pip, 8.0, Row{side * (gain * onset.velocity), 0.0, 0.0}});
    }
    const Table counter = sum_pulses(period, swings);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double wave = std::cos((two_pi * k) / period);
        return Row{counter[i][0], (0.5 * plunge[i] - 0.7) + counter[i][1], (0.8 * plunge[i] - 0.25) + 0.1 * wave};
    });
}

// A pendulum hanging from above: it swings once every two beats, wider when
// the drums are busy and faster through the dense parts of the score.
Table pendulum(const Score& score) {
    const int period = score.period;
    const Series energy = smoothed(bump_sum(score, {1.0, 1.0, 0.3, 0.6, 0.4}, 10.0), 24.0);
    const Series hats = unit(smoothed(bump_sum(score, {0.2, 0.0, 1.0, 0.5, 0.0}, 8.0), 12.0));
    const Series ticks = detail_sum(score, {0.0, 0.0, 0.8, 0.8, 0.4}, 8.0);
    const Series phase = pushed_phase(score, every_role, 1.2);
    const double swings = period / (2 * beat_pips);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double a = two_pi * (swings * phase[i]);
        // Louder drums swing wider, up to a limit.
        const double angle = (0.45 + 0.8 * (energy[i] / (1.0 + energy[i]))) * std::cos(a);
        return Row{std::sin(angle), 0.3 - 0.75 * (1.0 - std::cos(angle)),
                   (0.3 * std::sin(a)) * (0.5 + 0.5 * hats[i]) + 0.45 * ticks[i]};
    });
}

// A figure eight per bar: lobe tips fall on beats 1 and 3 and widen with the
// kicks and bass; the crossings on beats 2 and 4 lift (-y) with the snare, as
// far as it is loud, and the hats shimmer in depth.
Table figure8(const Score& score) {
    const int period = score.period;
    const Series kick = unit(smoothed(causal_sum(score, weighted({1.0, 0.0, 0.0, 0.0, 0.8}), Swell{3.0, 40.0}), 6.0));
    const Series snare = bump_sum(score, {0.0, 1.0, 0.0, 0.3, 0.0}, 16.0);
    const Series shimmer = bump_sum(score, {0.0, 0.0, 1.0, 0.4, 0.0}, 6.0);
    const double laps = bars(score);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double a = (two_pi * laps) * k / period;
        const double size = 0.6 + 0.4 * kick[i];
        return Row{size * std::cos(a), (0.5 * size) * std::sin(2.0 * a) - 0.3 * snare[i],
                   (0.5 * snare[i] + 0.2 * std::sin(a)) + 0.55 * shimmer[i]};
    });
}

// A softened square, one lap per bar, corners on the beats; the phase
// hurries through busy stretches and lingers in sparse ones, and the square
// rocks forward and back between its sides. Each hit
// bulges the square outward as far as it is loud (backbeats most, hats a
// notch), so every groove draws its own square.
Table box(const Score& score) {
    const int period = score.period;
    const Series phase = pushed_phase(score, every_role, 2.5);
    const Series lift = centred(smoothed(bump_sum(score, {0.6, 1.0, 0.5, 0.6, 0.4}, 10.0), 6.0));
    // Centred: the hats tick about the square's plane, not in front of it.
    const Series ticks = centred(bump_sum(score, {0.0, 0.0, 1.0, 0.6, 0.4}, 8.0));
    const Series bulge = bump_sum(score, {0.3, 1.0, 0.35, 0.5, 0.3}, 12.0);
    const double laps = bars(score);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double a = two_pi * (laps * phase[i]) + pi / 4.0;
        const double c = std::cos(a);
        const double s = std::sin(a);
        const double norm = std::pow((c * c) * (c * c) + (s * s) * (s * s), 0.25);
        const double size = 1.0 + 0.15 * bulge[i];
        return Row{(size * c) / norm, ((0.85 * size) * s) / norm,
                   (0.4 * lift[i] + 0.45 * std::cos(2.0 * a)) + 0.3 * ticks[i]};
    });
}

// Two turns round the depth axis riding one depth wave; kicks and bass
// swing the turns wide, snares pinch them in, percussion and hats ripple
// them, and snares and hats tick the depth.
Table corkscrew(const Score& score) {
    const int period = score.period;
    const Series swing = causal_sum(score, weighted({1.0, 0.0, 0.0, 0.0, 0.8}), Swell{4.0, 40.0});
    const Series pinch = causal_sum(score, weighted(snare_only), Swell{3.0, 24.0});
    const Series ripple = unit(smoothed(bump_sum(score, {0.0, 0.0, 1.0, 1.0, 0.0}, 10.0), 10.0));
    const Series phase = pushed_phase(score, every_role, 1.0);
    const Series ticks = detail_sum(score, {0.0, 1.0, 0.9, 0.6, 0.5}, 8.0);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double a = two_pi * (2.0 * phase[i]);
        const double wide = swing[i] / (1.0 + swing[i]);
        const double narrow = pinch[i] / (1.0 + pinch[i]);
        const double r = ((0.5 + 0.35 * wide) - 0.25 * narrow) + 0.25 * ripple[i];
        return Row{r * std::cos(a), r * std::sin(a), 0.7 * std::sin((two_pi * k) / period) + 0.6 * ticks[i]};
    });
}

// Two turns whose radius contracts to a third and opens out again; the
// phase hurries through busy stretches and the accents swell the radius and
// lift the depth, so each groove breathes its own spiral.
Table spiral(const Score& score) {
    const int period = score.period;
    const Series accents = unit(smoothed(bump_sum(score, {1.0, 1.0, 0.4, 0.6, 0.5}, 10.0), 8.0));
    const Series sparkle = detail_sum(score, {0.0, 1.2, 1.1, 1.0, 0.5}, 8.0);
    const Series phase = pushed_phase(score, every_role, 1.5);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double breath = 0.5 + 0.5 * std::cos(two_pi * phase[i]);
        const double r = (0.3 + 0.7 * breath) * (1.0 + 0.4 * accents[i]);
        const double a = two_pi * (2.0 * phase[i]);
        return Row{r * std::cos(a), r * std::sin(a), (0.5 * breath - 0.25 + 0.3 * accents[i]) + 0.55 * sparkle[i]};
    });
}

// S-shaped travel: the mover sways through one gate every two beats while
// it runs forward and back in depth once per loop, so the path out and the
// path back are two different S curves. Kicks lift (-y); snares cut back
// against the direction of travel at that moment (toward the centre when
// they fall on a turn); ghost snares, hats, percussion and bass nudge the
// depth.
Table slalom(const Score& score) {
    const int period = score.period;
    const double gates = period / (2 * beat_pips);
    const auto gate_angle = [&](double pip) { return (two_pi * gates) * pip / period; };
    const auto travel = [&](double pip) {
        const double velocity = std::cos(gate_angle(pip));
        const double direction = std::fabs(velocity) > 0.2 ? velocity : -std::sin(gate_angle(pip));
        return direction >= 0.0 ? 1.0 : -1.0;
    };
    const Table cuts = bump_table(score, 10.0, [&](const Onset& onset, int) {
        if (onset.role == Role::snare) return Row{-travel(onset.pip) * (0.3 * onset.velocity), 0.0, 0.0};
        if (onset.role == Role::kick) return Row{0.0, -0.45 * onset.velocity, 0.0};
        return Row{0.0, 0.0, 0.0};
    });
    const Series nudges = detail_sum(score, {0.0, 1.2, 0.8, 1.0, 0.7}, 8.0);
    return make_table(period, [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        const double x = 0.7 * std::sin(gate_angle(k));
        const double lean = std::cos(gate_angle(k));
        const double run = 0.45 * std::cos((two_pi * k) / period);
        return Row{x + cuts[i][0], cuts[i][1] - 0.12 * lean * lean,
                   (run - 0.25 * x) + 0.35 * nudges[i]};
    });
}

// Each onset sets a spring ringing from rest, at two to three cycles a
// beat: snares (or, in a groove without them, the percussion) sideways,
// kicks and bass downward (+y) first, percussion and bass in depth. A ring
// dies out within a beat; the hats only flick the depth lightly, so between
// the hits the spring is seen to come to rest.
Table spring(const Score& score) {
    const RoleWeights sideways = has_role(score, Role::snare) ? snare_only : RoleWeights{0.0, 0.0, 0.0, 0.8, 0.0};
    const Series side = causal_sum(score, alternating(sideways), Ring{24.0, 40.0, 56.0});
    const Series drop = causal_sum(score, weighted({1.0, 0.0, 0.0, 0.0, 0.5}), Ring{26.0, 40.0, 56.0});
    const Series depth = causal_sum(score, alternating({0.3, 0.0, 0.0, 0.6, 0.6}), Ring{22.0, 40.0, 56.0});
    const Series flicks = tremors(score).z;
    Series z(depth.size());
    for (std::size_t i = 0; i < z.size(); ++i) z[i] = depth[i] + 0.3 * flicks[i];
    return rows_of(score.period, side, drop, z);
}

// The star point of the i-th of n hits. Going round the star, the last
// hit would share the first hit's point when n % 5 == 1, and the loop's
// downbeat would not move at all; that hit takes the point across the star
// instead, still a star-jump from its neighbours.
double star_point(std::size_t i, std::size_t n) {
    if (n > 1 && n % 5 == 1 && i == n - 1) return 2.0;
    return static_cast<double>(i % 5);
}

// Every onset sends the mover off towards the next of five targets on a
// star, each reached before the following onset.
Table ricochet(const Score& score) {
    const int period = score.period;
    const std::vector<Hit> hits = merged_hits(score, [](const Onset& onset) {
        return onset.role != Role::hat || onset.velocity >= 0.8;
    });
    std::vector<TravelKey> keys;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const double gap = gap_after(hits, i, period);
        const double travel = std::min(0.85 * gap, 36.0);
        const double j = star_point(i, hits.size());
        const double a = two_pi * (2.0 * j) / 5.0 + pi / 2.0;
        // Accents reach much further than the notes around them, so a
        // clave or a ghost that only changes a hit's loudness still shows.
        const double v = hits[i].velocity;
        const double reach = (0.25 + 0.75 * (v * v)) * std::min(1.0, travel / 20.0);
        keys.push_back({hits[i].pip, travel,
                        Row{reach * std::cos(a), (0.85 * reach) * std::sin(a),
                            (0.6 * reach) * std::cos(two_pi * (3.0 * j) / 5.0 + 0.4)}});
    }
    return smoothed_table(keyed_path(period, keys), 4.0);
}

// The gestures in catalogue order, each crossed with every groove. The first
// four are titled per groove: `text` is the title sentence that an early
// groove's note follows, `later_text` the whole text for the later grooves.
// The others share `text` across every groove.
constexpr auto gestures = std::to_array<Gesture>({
    {"bounce", bounce, 0.0, 0.0,
     "Kick-led bounce. ",
     "Kick-led bounce. Original Brisolet kick-led downstroke and side accents.",
     // Every kick tops out at the same height.
     0.0},
    {"step", step, 0.6, 0.86,
     "Snare side-step. ",
     "Snare side-step. Original Brisolet alternating lateral kick and snare gestures."},
    {"orbit", orbit, 0.55, 0.8,
     "Percussion orbit. ",
     "Percussion orbit. Original Brisolet event-weighted orbital speed, radius and depth."},
    {"glide", glide, 0.5, 0.8,
     "Bass-and-phrase glide. ",
     "Bass / phrase glide. Original Brisolet continuous phrase path with bass excursions."},
    {"surge", surge, 0.75, 0.92,
     "Forward surge. Kick thrust through depth with contrasting snare lift and hat detail.",
     ""},
    {"recoil", recoil, 0.7, 0.92,
     "Backbeat recoil. Snare pushes sideways; kick counters downward; delayed echo draws back.",
     ""},
    {"flutter", flutter, 0.45, 0.72,
     "Upper-percussion flutter. Hat and shaker tremors over a wider kick/snare arc.",
     ""},
    {"dive", dive, 0.75, 0.92,
     "Bass-led dive. Bass drives a broad depth plunge with alternating drum counterweight.",
     ""},
    {"pendulum", pendulum, 0.5, 0.8,
     "Weighted pendulum. A hanging arc whose amplitude and angular speed respond to the score.",
     ""},
    {"figure8", figure8, 0.55, 0.82,
     "Woven figure eight. Two crossing lobes expand at kicks with a lifted snare crossing.",
     ""},
    {"box", box, 0.15525, 0.76,
     "Rounded corner tour. Rhythm-weighted phase travels around four softened corners.",
     // The calmest groove's box is the family's smallest table: it fills
     // its square, and a wider swell would leave it too small to read.
     "", 0.05},
    {"corkscrew", corkscrew, 0.5, 0.8,
     "Closed corkscrew. Two orbital turns ride a depth wave with percussion-driven radius.",
     ""},
    {"spiral", spiral, 0.5, 0.8,
     "Breathing spiral. A contracting and expanding double-turn path with a continuous seam.",
     ""},
    {"slalom", slalom, 0.55, 0.86,
     "Drum slalom. S-shaped travel with kick lift, snare cutbacks and depth counter-motion.",
     ""},
    {"spring", spring, 0.75, 0.85,
     "Causal spring. An event starts at rest, then drives a damped ringing excursion.",
     // Each ring keeps the size its hit gives it.
     "", 0.0},
    {"ricochet", ricochet, 0.5, 0.82,
     "Directional ricochet. Successive onsets send smooth excursions toward a cyclic series of targets.",
     ""},
});

}  // namespace

std::span<const Gesture> beat_gestures() { return gestures; }

}  // namespace kinemorphs::generator
