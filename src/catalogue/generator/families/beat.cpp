// The `beat` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_beat_tables(TableSet&) {}

}  // namespace kinemorphs::generator
