// The catalogue order: every record's name, in the order the records are
// numbered. A record's description is stated beside its table by its family
// unit (table_set.hpp); its period and axis count are read off the rows.
#pragma once

#include <string>
#include <vector>

namespace kinemorphs::generator {

// Every family but `beat`, in catalogue order.
const std::vector<std::string>& family_order();

// Every record name in catalogue order: the `beat` family, every groove by
// every gesture, after all the others. The generator prints how many.
std::vector<std::string> catalogue_order();

}  // namespace kinemorphs::generator
