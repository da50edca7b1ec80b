// The `noise` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_noise_tables(TableSet&) {}

}  // namespace kinemorphs::generator
