// The `packet` family.
#include "catalogue/generator/families.hpp"

namespace kinemorphs::generator {

void add_packet_tables(TableSet&) {}

}  // namespace kinemorphs::generator
