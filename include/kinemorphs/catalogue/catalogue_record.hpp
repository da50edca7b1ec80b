// A catalogue pattern: its descriptive fields and a sampler over its
// constant table, plus the lookup of a record by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include <kinemorphs/core/pip.hpp>

// The rows of every catalogue table, three doubles each, in catalogue order;
// embedded read-only into the module at build time.
extern "C" const double kinemorphs_catalogue_rows[];

namespace kinemorphs {

struct CatalogueRecord {
    std::string_view name;
    std::string_view description;
    std::uint16_t period_pips;
    std::uint8_t dimensions;
    PatternFunction sampler;
};

// One sampler per record: the period is a compile-time constant, so the
// wrap compiles to a mask or a multiplication instead of a division.
template <std::size_t FirstRow, std::int32_t Period>
Offset3 sample_catalogue_row(std::int32_t pip) noexcept {
    const std::int32_t remainder = pip % Period;
    const std::size_t row = static_cast<std::size_t>(remainder < 0 ? remainder + Period : remainder);
    const double* values = kinemorphs_catalogue_rows + 3 * (FirstRow + row);
    return {values[0], values[1], values[2]};
}

// The records in catalogue order.
std::span<const CatalogueRecord> catalogue_records() noexcept;

// Record numbers in ascending byte order of the names.
std::span<const std::uint64_t> catalogue_name_index() noexcept;

// The record with exactly this name, or nullptr.
const CatalogueRecord* find_catalogue_record(std::string_view name) noexcept;

}  // namespace kinemorphs
