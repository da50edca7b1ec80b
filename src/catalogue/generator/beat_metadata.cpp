// The `beat` family's record list: every groove crossed with every gesture.
// Grooves 1-36 list their first four gestures ahead of all the others; the
// remaining grooves list their sixteen gestures together.
#include <array>
#include <string_view>

#include "catalogue/generator/catalogue_metadata.hpp"

namespace kinemorphs::generator {
namespace {

struct GrooveEntry {
    std::string_view key;
    std::string_view label;
    int period_pips;
    // How many leading gestures move only x and y; the rest also move z.
    int flat_gestures;
    // Follows the title sentence of the first four gestures (grooves 1-36).
    std::string_view note;
};

struct GestureEntry {
    std::string_view suffix;
    // For the first four gestures: the title sentence used with a groove
    // note; for the other twelve: the text shared by every groove.
    std::string_view text;
    // The fixed text of the first four gestures for grooves 37-68.
    std::string_view later_text;
};

constexpr std::array<GestureEntry, 16> gestures{{
    {"bounce", "Kick-led bounce. ", "Kick-led bounce. Original Brisolet kick-led downstroke and side accents."},
    {"step", "Snare side-step. ", "Snare side-step. Original Brisolet alternating lateral kick and snare gestures."},
    {"orbit", "Percussion orbit. ", "Percussion orbit. Original Brisolet event-weighted orbital speed, radius and depth."},
    {"glide", "Bass-and-phrase glide. ", "Bass / phrase glide. Original Brisolet continuous phrase path with bass excursions."},
    {"surge", "Forward surge. Kick thrust through depth with contrasting snare lift and hat detail.", ""},
    {"recoil", "Backbeat recoil. Snare pushes sideways; kick counters downward; delayed echo draws back.", ""},
    {"flutter", "Upper-percussion flutter. Hat and shaker tremors over a wider kick/snare arc.", ""},
    {"dive", "Bass-led dive. Bass drives a broad depth plunge with alternating drum counterweight.", ""},
    {"pendulum", "Weighted pendulum. A hanging arc whose amplitude and angular speed respond to the score.", ""},
    {"figure8", "Woven figure eight. Two crossing lobes expand at kicks with a lifted snare crossing.", ""},
    {"box", "Rounded corner tour. Rhythm-weighted phase travels around four softened corners.", ""},
    {"corkscrew", "Closed corkscrew. Two orbital turns ride a depth wave with percussion-driven radius.", ""},
    {"spiral", "Breathing spiral. A contracting and expanding double-turn path with a continuous seam.", ""},
    {"slalom", "Drum slalom. S-shaped travel with kick lift, snare cutbacks and depth counter-motion.", ""},
    {"spring", "Causal spring. An event starts at rest, then drives a damped ringing excursion.", ""},
    {"ricochet", "Directional ricochet. Successive onsets send smooth excursions toward a cyclic series of targets.", ""},
}};

constexpr std::size_t early_grooves = 36;
constexpr std::size_t leading_gestures = 4;

constexpr std::array<GrooveEntry, 68> grooves{{
    {"four_floor", "Four to the floor / bare pulse", 256, 3, "Equal quarter-note kicks only. This shared foundation is not itself a complete genre."},
    {"house_classic", "House / kick-clap-offbeat hat", 512, 2, ""},
    {"house_shuffle", "House / shuffled hats", 512, 2, ""},
    {"house_jack", "Jackin house / ghost-kick turnaround", 512, 2, "Original swung variant: extra ghost kicks and claps; not a transcription of a named track."},
    {"techno_drive", "Techno / straight driving pulse", 512, 2, ""},
    {"techno_toms", "Techno / tom conversation", 512, 2, ""},
    {"techno_broken", "Techno / broken kick study", 512, 2, "A deliberately broken alternative; not all techno uses a quarter-note kick."},
    {"techno_polymeter", "Techno / three-step percussion cycle", 768, 2, "Original three-sixteenth percussion cycle over 4/4: both layers close after three bars."},
    {"ukg_two_step", "UK garage / two-step foundation", 512, 2, "Backbeats on 2/4; the second kick sits on the & of 3. Off-grid hats supply shuffle."},
    {"ukg_skip", "UK garage / skipping answer", 512, 2, ""},
    {"ukg_four_four", "UK garage / four-four shuffle", 512, 2, "Garage also has a four-to-the-floor branch; it is not all two-step."},
    {"speed_garage", "Speed garage / offbeat bass answers", 512, 0, "Bass onsets are included as movement cues. The audio uses a simple synthesiser, not a sampled Reese bass patch."},
    {"bassline", "Bassline / syncopated low-end hooks", 512, 0, ""},
    {"grime_sparse", "Grime / sparse square-cut backbeat", 512, 2, ""},
    {"grime_syncopated", "Grime / displaced snare conversation", 512, 2, "A 140 BPM syncopated study; grime has no single mandatory snare pattern."},
    {"grime_half", "Grime / half-time negative space", 512, 0, ""},
    {"drill_tresillo", "UK drill / grouped hats", 512, 0, "3+3+2 sixteenth grouping is not a tuplet: the grid here remains straight."},
    {"drill_displaced", "UK drill / moving second-bar snare", 512, 0, "Snare: beat 3 in bar one, beat 4 in bar two. This is one common design, not a rule for all drill."},
    {"drill_rolls", "UK drill / true triplet hat fill", 512, 0, "The added hat fill uses rational tuplets; grouped hats and triplet rolls remain distinct concepts."},
    {"amen_four_bar", "Amen / four-bar structural study", 1024, 0, "Drums: G. Coleman, The Winstons, \"Amen, Brother\". Four bars, not a generic 2-bar loop. Timing/velocity are approximations; no original recording or measured human microtiming."},
    {"amen_no_ghosts", "Amen / remove the ghost snares", 1024, 0, "A/B study: only quiet snares removed. This deliberately simplified version is not the complete Amen."},
    {"jungle_chops", "Jungle / rearranged break fragments", 512, 2, "Original chopped-break-style arrangement, not the original Amen sequence."},
    {"jungle_ghosts", "Jungle / ghosts and snare rolls", 512, 2, ""},
    {"jungle_switch", "Jungle / full-time to half-time answer", 1024, 2, "Four-bar original phrase: the final half uses fewer main snares, not a tempo change."},
    {"dnb_two_step", "Drum & bass / two-step foundation", 512, 2, ""},
    {"dnb_rolling", "Drum & bass / rolling ghosts", 512, 2, ""},
    {"dnb_half", "Drum & bass / half-time space", 512, 0, ""},
    {"dubstep_half", "Dubstep / half-step anchor", 512, 0, ""},
    {"dubstep_skip", "Dubstep / skippy half-step", 512, 0, ""},
    {"trap_trills", "Trap / half-time and hat trills", 512, 0, ""},
    {"electro", "Electro / broken machine groove", 512, 2, ""},
    {"trance", "Trance / offbeat lift", 512, 0, "Offbeat bass/pulse is included. A rhythmic sketch cannot supply trance harmony, timbre or arrangement."},
    {"rave_breaks", "Rave / four-floor plus break layer", 512, 2, ""},
    {"dembow", "Reggaeton / dembow answer", 512, 2, "Quarter-note kick version with offbeat snare answers; one useful dembow foundation, not every dancehall rhythm."},
    {"disco", "Disco / lively hat accents", 512, 2, ""},
    {"amapiano", "Amapiano / shaker and bass-percussion study", 512, 0, "An original percussion and log-drum-style bass rhythm. Pitched bass is a cue lane, not a downloaded sample."},
    {"jersey_five", "Jersey / five-kick foundation", 512, 2, ""},
    {"jersey_call", "Jersey / call and turnaround", 512, 0, ""},
    {"footwork_triplet", "Footwork / triplet bass reply", 512, 0, ""},
    {"footwork_sparse", "Footwork / interrupted half-time", 512, 0, ""},
    {"funky_toms", "UK funky / tom-led skips", 512, 0, ""},
    {"funky_syncopated", "UK funky / broken response", 512, 0, ""},
    {"broken_push", "Broken beat / early-and-late answers", 512, 0, ""},
    {"broken_shuffle", "Broken beat / shuffled rim circuit", 512, 0, ""},
    {"afro_bell", "Afro house / bell and kick weave", 512, 0, ""},
    {"afro_cross", "Afro house / three-over-four percussion", 512, 0, ""},
    {"gqom_space", "Gqom / broken-kick space study", 512, 0, ""},
    {"gqom_exchange", "Gqom / staggered drum exchange", 512, 0, ""},
    {"baile_toms", "Baile funk / low-drum conversation", 512, 2, ""},
    {"baile_response", "Baile funk / syncopated answer", 512, 0, ""},
    {"reggae_one_drop", "Reggae / one-drop foundation", 512, 0, ""},
    {"reggae_steppers", "Dub / steppers foundation", 512, 0, ""},
    {"reggae_rockers", "Reggae / kick-on-one-and-three study", 512, 0, ""},
    {"son_clave_32", "Latin club / 3-2 son clave", 512, 0, ""},
    {"son_clave_23", "Latin club / 2-3 son clave", 512, 0, ""},
    {"psy_rolling", "Psy / straight rolling bass gaps", 512, 0, ""},
    {"psy_offbeat", "Trance / offbeat bass exchange", 512, 0, ""},
    {"hard_reverse", "Hard dance / delayed bass swell cues", 512, 0, ""},
    {"italo_machine", "Italo / machine rim conversation", 512, 0, ""},
    {"electro_robot", "Electro / asymmetric machine break", 512, 0, ""},
    {"acid_percussion", "Acid house / syncopated machine accents", 512, 0, ""},
    {"techno_rumble", "Techno / delayed low-end answer", 512, 0, ""},
    {"ukg_rim_shuffle", "Garage / rim-led skipping pocket", 512, 0, ""},
    {"dnb_push", "DnB / kick pickup and ghost reply", 512, 0, ""},
    {"jungle_switchback", "Jungle / two-bar switchback", 512, 0, ""},
    {"amapiano_answer", "Amapiano / log-like bass answer", 512, 0, ""},
    {"dancehall_space", "Dancehall / spacious offbeat replies", 512, 0, ""},
    {"dembow_push", "Reggaeton / dembow with pickup answer", 512, 0, ""},
}};

RecordMetadata beat_record(const GrooveEntry& groove, std::size_t groove_number,
                           std::size_t gesture_number) {
    const GestureEntry& gesture = gestures[gesture_number];
    std::string text;
    if (gesture_number >= leading_gestures) {
        text = gesture.text;
    } else if (groove_number < early_grooves) {
        text = std::string(gesture.text) + std::string(groove.note);
    } else {
        text = gesture.later_text;
    }
    const int dimensions = static_cast<int>(gesture_number) < groove.flat_gestures ? 2 : 3;
    return {"beat_" + std::string(groove.key) + "_" + std::string(gesture.suffix),
            std::string(groove.label) + " \u2014 " + text, groove.period_pips, dimensions};
}

}  // namespace

const std::vector<RecordMetadata>& beat_metadata() {
    static const std::vector<RecordMetadata> records = [] {
        std::vector<RecordMetadata> list;
        for (std::size_t g = 0; g < early_grooves; ++g) {
            for (std::size_t s = 0; s < leading_gestures; ++s) {
                list.push_back(beat_record(grooves[g], g, s));
            }
        }
        for (std::size_t g = 0; g < early_grooves; ++g) {
            for (std::size_t s = leading_gestures; s < gestures.size(); ++s) {
                list.push_back(beat_record(grooves[g], g, s));
            }
        }
        for (std::size_t g = early_grooves; g < grooves.size(); ++g) {
            for (std::size_t s = 0; s < gestures.size(); ++s) {
                list.push_back(beat_record(grooves[g], g, s));
            }
        }
        return list;
    }();
    return records;
}

std::vector<RecordMetadata> catalogue_metadata() {
    std::vector<RecordMetadata> records = family_metadata();
    const std::vector<RecordMetadata>& beats = beat_metadata();
    records.insert(records.end(), beats.begin(), beats.end());
    return records;
}

}  // namespace kinemorphs::generator
