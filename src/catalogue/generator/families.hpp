// One unit per catalogue family; each adds the tables it authors.
#pragma once

#include "catalogue/generator/table_set.hpp"

namespace kinemorphs::generator {

void add_lfo_tables(TableSet& set);
void add_rhythm_tables(TableSet& set);
void add_rudiment_tables(TableSet& set);
void add_ease_tables(TableSet& set);
void add_akwf_tables(TableSet& set);
void add_groove_tables(TableSet& set);
void add_path_tables(TableSet& set);
void add_wave_tables(TableSet& set);
void add_env_tables(TableSet& set);
void add_seq_tables(TableSet& set);
void add_noise_tables(TableSet& set);
void add_orbit_tables(TableSet& set);
void add_weave_tables(TableSet& set);
void add_polar_tables(TableSet& set);
void add_spiro_tables(TableSet& set);
void add_space_tables(TableSet& set);
void add_mech_tables(TableSet& set);
void add_euclid_tables(TableSet& set);
void add_poly_tables(TableSet& set);
void add_meter_tables(TableSet& set);
void add_swing_tables(TableSet& set);
void add_stick_tables(TableSet& set);
void add_gesture_tables(TableSet& set);
void add_ribbon_tables(TableSet& set);
void add_contour_tables(TableSet& set);
void add_silhouette_tables(TableSet& set);
void add_spline_tables(TableSet& set);
void add_tour_tables(TableSet& set);
void add_scan_tables(TableSet& set);
void add_reach_tables(TableSet& set);
void add_surface_tables(TableSet& set);
void add_braid_tables(TableSet& set);
void add_arm_tables(TableSet& set);
void add_dwell_tables(TableSet& set);
void add_packet_tables(TableSet& set);
void add_canon_tables(TableSet& set);
void add_echo_tables(TableSet& set);
void add_ladder_tables(TableSet& set);
void add_necklace_tables(TableSet& set);
void add_accent_tables(TableSet& set);
void add_triplet_tables(TableSet& set);
void add_dialogue_tables(TableSet& set);
void add_burst_tables(TableSet& set);
void add_beat_tables(TableSet& set);

inline constexpr void (*family_units[])(TableSet&) = {
    add_lfo_tables,      add_rhythm_tables,   add_rudiment_tables,  add_ease_tables,
    add_akwf_tables,     add_groove_tables,   add_path_tables,      add_wave_tables,
    add_env_tables,      add_seq_tables,      add_noise_tables,     add_orbit_tables,
    add_weave_tables,    add_polar_tables,    add_spiro_tables,     add_space_tables,
    add_mech_tables,     add_euclid_tables,   add_poly_tables,      add_meter_tables,
    add_swing_tables,    add_stick_tables,    add_gesture_tables,   add_ribbon_tables,
    add_contour_tables,  add_silhouette_tables, add_spline_tables,  add_tour_tables,
    add_scan_tables,     add_reach_tables,    add_surface_tables,   add_braid_tables,
    add_arm_tables,      add_dwell_tables,    add_packet_tables,    add_canon_tables,
    add_echo_tables,     add_ladder_tables,   add_necklace_tables,  add_accent_tables,
    add_triplet_tables,  add_dialogue_tables, add_burst_tables,     add_beat_tables,
};

}  // namespace kinemorphs::generator
