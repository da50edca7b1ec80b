#include "catalogue/pattern_listing.hpp"

namespace kinemorphs {
namespace {

// Strict UTF-8 decoding of exactly these bytes; a decoding error propagates
// as the interpreter raised it.
pybind11::str decode(std::string_view text) {
    PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()),
                                             "strict");
    if (decoded == nullptr) {
        throw pybind11::error_already_set();
    }
    return pybind11::reinterpret_steal<pybind11::str>(decoded);
}

}  // namespace

pybind11::list list_pattern_infos(std::span<const PatternInfo> infos) {
    pybind11::list listing;
    for (const PatternInfo& info : infos) {
        pybind11::dict entry;
        entry["name"] = decode(info.name);
        entry["description"] = decode(info.description);
        entry["period_pips"] = info.period_pips;
        entry["dimensions"] = info.dimensions;
        listing.append(std::move(entry));
    }
    return listing;
}

}  // namespace kinemorphs
