#include "catalogue/catalogue_record.hpp"

// The records and name index, written at build time by the catalogue
// generator (src/catalogue/generator/generate_catalogue.cpp).
#include "catalogue_data.hpp"

namespace kinemorphs {

std::span<const CatalogueRecord> catalogue_records() noexcept {
    return catalogue_data::records;
}

std::span<const std::uint64_t> catalogue_name_index() noexcept {
    return catalogue_data::name_index;
}

// Lower-bound bisection over the name index, then one exact comparison.
// string_view compares bytes as unsigned and a proper prefix sorts first,
// the order the index was generated in.
const CatalogueRecord* find_catalogue_record(std::string_view name) noexcept {
    const auto records = catalogue_records();
    const auto index = catalogue_name_index();
    std::size_t first = 0;
    std::size_t count = index.size();
    while (count > 0) {
        const std::size_t half = count / 2;
        if (records[index[first + half]].name.compare(name) < 0) {
            first = first + half + 1;
            count = count - half - 1;
        } else {
            count = half;
        }
    }
    if (first < index.size() && records[index[first]].name == name) {
        return &records[index[first]];
    }
    return nullptr;
}

}  // namespace kinemorphs
