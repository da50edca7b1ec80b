// Turns pattern records into the Python listing: a new list of dicts with
// the keys name, description, period_pips and dimensions, in that order.
#pragma once

#include <pybind11/pybind11.h>

#include <span>

#include "rudiments/pattern_info.hpp"

namespace kinemorphs {

pybind11::list list_pattern_infos(std::span<const PatternInfo> infos);

}  // namespace kinemorphs
