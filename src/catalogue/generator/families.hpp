// The catalogue families, each listed once. A family is one unit in
// families/ (CMake compiles every unit there) defining add_<family>_tables,
// which adds the tables it authors, each with its record's name and
// description; the catalogue order comes from catalogue_metadata.hpp.
#pragma once

#include "catalogue/generator/table_set.hpp"

#define KINEMORPHS_CATALOGUE_FAMILIES(FAMILY) \
    FAMILY(lfo) \
    FAMILY(rhythm) \
    FAMILY(rudiment) \
    FAMILY(ease) \
    FAMILY(akwf) \
    FAMILY(groove) \
    FAMILY(path) \
    FAMILY(wave) \
    FAMILY(env) \
    FAMILY(seq) \
    FAMILY(noise) \
    FAMILY(orbit) \
    FAMILY(weave) \
    FAMILY(polar) \
    FAMILY(spiro) \
    FAMILY(space) \
    FAMILY(mech) \
    FAMILY(euclid) \
    FAMILY(poly) \
    FAMILY(meter) \
    FAMILY(swing) \
    FAMILY(stick) \
    FAMILY(gesture) \
    FAMILY(ribbon) \
    FAMILY(contour) \
    FAMILY(silhouette) \
    FAMILY(spline) \
    FAMILY(tour) \
    FAMILY(scan) \
    FAMILY(reach) \
    FAMILY(surface) \
    FAMILY(braid) \
    FAMILY(arm) \
    FAMILY(dwell) \
    FAMILY(packet) \
    FAMILY(canon) \
    FAMILY(echo) \
    FAMILY(ladder) \
    FAMILY(necklace) \
    FAMILY(accent) \
    FAMILY(triplet) \
    FAMILY(dialogue) \
    FAMILY(burst) \
    FAMILY(beat)

namespace kinemorphs::generator {

#define KINEMORPHS_DECLARE_FAMILY(family) void add_##family##_tables(TableSet& set);
KINEMORPHS_CATALOGUE_FAMILIES(KINEMORPHS_DECLARE_FAMILY)
#undef KINEMORPHS_DECLARE_FAMILY

#define KINEMORPHS_LIST_FAMILY(family) add_##family##_tables,
inline constexpr void (*family_units[])(TableSet&) = {KINEMORPHS_CATALOGUE_FAMILIES(KINEMORPHS_LIST_FAMILY)};
#undef KINEMORPHS_LIST_FAMILY

}  // namespace kinemorphs::generator
