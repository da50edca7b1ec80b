// The `seq` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_seq_tables(TableSet&) {}

}  // namespace kinemorphs::generator
