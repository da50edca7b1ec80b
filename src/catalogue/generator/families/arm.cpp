// The `arm` family: the tip of a two-link arm hanging from a pivot at the
// centre. Both joint angles are prescribed periodic functions of the phase,
// the elbow's partly coupled to the shoulder's, so the tip moves as the
// linkage dictates without any simulated dynamics. The 3-axis members also
// turn the arm's plane about the vertical, carrying the tip through depth.
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/generator/families.hpp"
#include "catalogue/generator/lane_fitting.hpp"
#include "catalogue/generator/shape_tools.hpp"

namespace kinemorphs::generator {
namespace {

constexpr int period = 1024;
constexpr double upper_link = 0.5;
constexpr double lower_link = 0.4;

struct Arm {
    // Shoulder angle from straight down: centre, swing, second-harmonic swing.
    double shoulder_centre;
    double shoulder_swing;
    double shoulder_second;
    // Elbow bend: rest bend, its own swing at `elbow_rate` times the loop
    // rate, and the share of the shoulder's swing it follows.
    double elbow_bend;
    double elbow_swing;
    int elbow_rate;
    double coupling;
    double turn;  // swing of the arm's plane about the vertical (0: flat)
    double peak;
    LanePin depth;
};

Table arm_rows(const Arm& arm) {
    return make_table(period, [&](int k) {
        const double theta = (two_pi * k) / period;
        const double swing = std::sin(theta);
        const double shoulder = (arm.shoulder_centre + arm.shoulder_swing * swing) +
                                arm.shoulder_second * std::sin(2.0 * theta + 0.6);
        const double elbow = (arm.elbow_bend + arm.elbow_swing * std::sin(arm.elbow_rate * theta + 1.1)) +
                             arm.coupling * std::sin(theta - 0.8);
        const double reach = upper_link * std::sin(shoulder) + lower_link * std::sin(shoulder + elbow);
        const double height = -(upper_link * std::cos(shoulder) + lower_link * std::cos(shoulder + elbow));
        const double plane = arm.turn * std::cos(theta + 0.4);
        return Row{reach * std::cos(plane), height, reach * std::sin(plane)};
    });
}

constexpr const char* description =
    "Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.";

}  // namespace

void add_arm_tables(TableSet& set) {
    constexpr LanePin flat{Side::magnitude, 0.0};
    const std::vector<Arm> arms = {
        {0.0, 0.9, 0.15, 0.3, 0.3, 2, 0.2, 0.0, standard_reach, flat},
        {0.0, 1.756, 0.0, 0.05, 0.12, 2, 0.0, 0.0, standard_reach, flat},
        {0.3, 0.7, 0.3, 0.8, 0.5, 1, 0.4, 0.0, standard_reach, flat},
        // No second shoulder harmonic here: against this elbow it cancelled
        // the swing near the top, and the tip hung still for three beats.
        {-0.2, 1.2, 0.0, 0.5, 0.4, 3, -0.3, 0.0, standard_reach, flat},
        {0.0, 0.5, 0.0, 1.2, 0.7, 2, 0.5, 0.0, 0.81993, flat},
        {0.2, 1.1, -0.25, 0.6, 0.6, 2, 0.3, 0.0, standard_reach, flat},
        {-0.5, 1.0, 0.35, 0.9, 0.45, 2, -0.5, 0.0, standard_reach, flat},
        {0.0, 1.5, 0.2, 0.4, 0.6, 3, 0.0, 0.0, standard_reach, flat},
        {0.0, 1.1, 0.1, 1.2, 0.6, 1, 0.3, 0.25, standard_reach, {Side::magnitude, 0.15}},
        {0.2, 0.8, 0.25, 0.7, 0.4, 1, -0.4, 0.3, standard_reach, {Side::high, 0.176}},
        {-0.3, 1.4, 0.0, 0.3, 0.5, 3, 0.2, 0.2, standard_reach, {Side::low, -0.177}},
        {0.0, 0.6, 0.2, 1.0, 0.6, 2, 0.5, 0.35, standard_reach, {Side::magnitude, 0.13}},
        {0.35, 1.0, -0.2, 0.5, 0.35, 2, 0.3, 0.3, standard_reach, {Side::magnitude, 0.16}},
        {-0.1, 1.4, 0.15, 0.5, 0.7, 3, -0.2, 0.25, standard_reach, {Side::magnitude, 0.12}},
        {0.1, 0.9, 0.3, 0.6, 0.5, 3, 0.6, 0.3, standard_reach, {Side::magnitude, 0.14}},
        {-0.4, 1.2, -0.3, 0.8, 0.8, 3, -0.3, 0.4, standard_reach, {Side::magnitude, 0.17}},
    };
    for (std::size_t i = 0; i < arms.size(); ++i) {
        const Arm& arm = arms[i];
        Table table = normalised(arm_rows(arm), arm.peak);
        if (arm.turn != 0.0) {
            table = lane_pinned(std::move(table), 2, arm.depth);
        }
        std::string number = std::to_string(i + 1);
        number.insert(0, 2 - number.size(), '0');
        set.add("arm_coupled_" + number, description, std::move(table));
    }
}

}  // namespace kinemorphs::generator
