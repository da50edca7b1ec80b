// The `dialogue` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_dialogue_tables(TableSet&) {}

}  // namespace kinemorphs::generator
