// Periodic control signals drawn from a drum score: smooth bumps around
// onsets, causal swells and rings whose tails wrap across the loop seam,
// circular smoothing, rhythm-eased phase and keyed paths. Every signal is a
// function of the wrapped pip, so tables built from them close on themselves.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "catalogue/generator/families/beat_score.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {

using Series = std::vector<double>;

// How strongly each role of a score feeds a signal.
struct RoleWeights {
    double kick = 0.0;
    double snare = 0.0;
    double hat = 0.0;
    double perc = 0.0;
    double bass = 0.0;

    double of(Role role) const {
        switch (role) {
            case Role::kick: return kick;
            case Role::snare: return snare;
            case Role::hat: return hat;
            case Role::perc: return perc;
            case Role::bass: return bass;
        }
        return 0.0;
    }
};

inline bool has_role(const Score& score, Role role) {
    return std::any_of(score.onsets.begin(), score.onsets.end(),
                       [&](const Onset& onset) { return onset.role == role; });
}

// Time since `onset`, wrapped into [0, period).
inline double elapsed(double pip, double onset, double period) {
    double since = std::fmod(pip - onset, period);
    if (since < 0.0) since = since + period;
    return since;
}

// 0 to 1 with zero first and second derivatives at both ends.
inline double smootherstep(double s) {
    s = std::clamp(s, 0.0, 1.0);
    return ((s * s) * s) * ((s * ((s * 6.0) - 15.0)) + 10.0);
}

// A swell that starts at rest, rises over about `attack` pips and falls
// away exponentially over `decay` pips; its peak is 1.
struct Swell {
    double attack;
    double decay;

    double operator()(double since) const {
        const double rise = 1.0 - std::exp(-since / attack);
        return ((rise * rise) * std::exp(-since / decay)) / peak();
    }
    double peak() const {
        const double u = attack / ((2.0 * decay) + attack);
        const double crest = -attack * std::log(u);
        return ((1.0 - u) * (1.0 - u)) * std::exp(-crest / decay);
    }
    double reach() const { return 40.0 * decay; }
};

// A damped ringing that starts at rest and fades out completely after
// `length` pips, so an event leaves no trace once its ring is over.
struct Ring {
    double cycle;   // pips per oscillation
    double decay;   // exponential decay time in pips
    double length;  // the ring is exactly zero from here on

    double operator()(double since) const {
        if (since >= length) return 0.0;
        const double onset = 1.0 - std::exp(-since / 2.0);
        const double half = length / 2.0;
        double fade = 1.0;
        if (since > half) {
            const double c = std::cos((pi * (since - half)) / length);
            fade = c * c;
        }
        return (((onset * onset) * std::exp(-since / decay)) * std::sin((two_pi * since) / cycle)) * fade;
    }
    double reach() const { return length; }
};

// Sum over onsets of amplitude(onset, index) times shape(time since onset);
// tails run on across the seam into the next repetition of the loop.
// `index` counts the onsets with a non-zero amplitude.
template <class Amplitude, class Shape>
Series causal_sum(const Score& score, Amplitude amplitude, const Shape& shape, double delay = 0.0) {
    Series out(static_cast<std::size_t>(score.period), 0.0);
    const double period = score.period;
    int index = 0;
    for (const Onset& onset : score.onsets) {
        const double gain = amplitude(onset, index);
        if (gain == 0.0) continue;
        ++index;
        for (int k = 0; k < score.period; ++k) {
            for (double since = elapsed(k, onset.pip + delay, period); since < shape.reach(); since += period) {
                out[static_cast<std::size_t>(k)] += gain * shape(since);
            }
        }
    }
    return out;
}

// Weighted velocity as an amplitude rule for causal_sum.
inline auto weighted(const RoleWeights& weights) {
    return [weights](const Onset& onset, int) { return weights.of(onset.role) * onset.velocity; };
}

// Weighted velocity with a sign that alternates from one counted onset to
// the next.
inline auto alternating(const RoleWeights& weights) {
    return [weights](const Onset& onset, int index) {
        const double sign = index % 2 == 0 ? 1.0 : -1.0;
        return sign * (weights.of(onset.role) * onset.velocity);
    };
}

// Symmetric cos^2 bumps of `half_width` pips around the onsets, each
// carrying its own vector.
template <class Vector>
Table bump_table(const Score& score, double half_width, Vector vector) {
    std::vector<Pulse> pulses;
    int index = 0;
    for (const Onset& onset : score.onsets) {
        const Row v = vector(onset, index);
        if (v[0] == 0.0 && v[1] == 0.0 && v[2] == 0.0) continue;
        ++index;
        pulses.push_back({onset.pip, half_width, v});
    }
    return sum_pulses(score.period, pulses);
}

inline Series column(const Table& table, std::size_t axis) {
    Series out;
    out.reserve(table.size());
    for (const Row& row : table) out.push_back(row[axis]);
    return out;
}

// Weighted velocity bumps as one series.
inline Series bump_sum(const Score& score, const RoleWeights& weights, double half_width) {
    return column(bump_table(score, half_width,
                             [&](const Onset& onset, int) {
                                 return Row{weights.of(onset.role) * onset.velocity, 0.0, 0.0};
                             }),
                  0);
}

// Circular smoothing with a normalised cos^2 kernel.
inline Series smoothed(const Series& in, double half_width) {
    const int n = static_cast<int>(in.size());
    const int reach = static_cast<int>(std::ceil(half_width));
    std::vector<double> kernel;
    double total = 0.0;
    for (int d = -reach; d <= reach; ++d) {
        const double c = std::fabs(d) < half_width ? std::cos((pi * d) / (2.0 * half_width)) : 0.0;
        kernel.push_back(c * c);
        total += c * c;
    }
    Series out(in.size(), 0.0);
    for (int k = 0; k < n; ++k) {
        double sum = 0.0;
        for (int d = -reach; d <= reach; ++d) {
            const int j = ((k + d) % n + n) % n;
            sum += kernel[static_cast<std::size_t>(d + reach)] * in[static_cast<std::size_t>(j)];
        }
        out[static_cast<std::size_t>(k)] = sum / total;
    }
    return out;
}

inline double largest(const Series& s) {
    double top = 0.0;
    for (double v : s) top = std::max(top, std::fabs(v));
    return top;
}

// The series divided by its largest magnitude (left as is when all zero).
inline Series unit(Series s) {
    const double top = largest(s);
    if (top > 0.0) {
        for (double& v : s) v = v / top;
    }
    return s;
}

// The series mapped linearly onto 0 ... 1 (left as is when constant).
inline Series spanned(Series s) {
    const auto [low, high] = std::minmax_element(s.begin(), s.end());
    const double bottom = *low;
    const double range = *high - *low;
    if (range > 0.0) {
        for (double& v : s) v = (v - bottom) / range;
    }
    return s;
}

inline double mean(const Series& s) {
    double sum = 0.0;
    for (double v : s) sum += v;
    return sum / static_cast<double>(s.size());
}

inline Series centred(Series s) {
    const double m = mean(s);
    for (double& v : s) v = v - m;
    return s;
}

// A phase running from 0 at pip 0 to 1 at the end of the loop, advancing at
// a speed proportional to `weight` (which must stay positive).
inline Series eased_phase(const Series& weight) {
    const std::size_t n = weight.size();
    Series phase(n, 0.0);
    double total = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        phase[k] = total;
        total += (weight[k] + weight[(k + 1) % n]) / 2.0;
    }
    for (double& p : phase) p = p / total;
    return phase;
}

// A point that holds still between keys and eases from the previous key's
// value to the next one over `travel` pips starting at `start`. Keys must be
// in time order and their travels must not overlap.
struct TravelKey {
    double start;
    double travel;
    Row value;
};

inline Table keyed_path(int period, const std::vector<TravelKey>& keys) {
    const std::size_t n = keys.size();
    return make_table(period, [&](int k) {
        std::size_t current = 0;
        double best = period + 1.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double since = elapsed(k, keys[i].start, period);
            if (since < best) {
                best = since;
                current = i;
            }
        }
        const Row& from = keys[(current + n - 1) % n].value;
        const Row& to = keys[current].value;
        const double e = smootherstep(best / keys[current].travel);
        Row row{};
        for (std::size_t axis = 0; axis < 3; ++axis) row[axis] = from[axis] + (to[axis] - from[axis]) * e;
        return row;
    });
}

inline Table smoothed_table(const Table& table, double half_width) {
    const Series x = smoothed(column(table, 0), half_width);
    const Series y = smoothed(column(table, 1), half_width);
    const Series z = smoothed(column(table, 2), half_width);
    return make_table(static_cast<int>(table.size()), [&](int k) {
        const auto i = static_cast<std::size_t>(k);
        return Row{x[i], y[i], z[i]};
    });
}

}  // namespace kinemorphs::generator
