#include "catalogue/pattern_listing.hpp"

namespace kinemorphs {
namespace {

namespace py = pybind11;

// Strict UTF-8 decoding of exactly these bytes; a decoding error propagates
// as the interpreter raised it.
py::object decode(std::string_view text) {
    return py::reinterpret_steal<py::object>(
        PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict"));
}

py::object check(py::object object) {
    if (!object) {
        throw py::error_already_set();
    }
    return object;
}

void set_item(PyObject* dict, const py::str& key, const py::object& value) {
    if (PyDict_SetItem(dict, key.ptr(), value.ptr()) != 0) {
        throw py::error_already_set();
    }
}

}  // namespace

// Builds through the C API with the four keys made once per call: the
// listing is 1731 dicts, and per-item key creation would dominate its cost.
py::list list_pattern_infos(std::span<const PatternInfo> infos) {
    const py::str name_key("name");
    const py::str description_key("description");
    const py::str period_key("period_pips");
    const py::str dimensions_key("dimensions");
    py::object listing =
        check(py::reinterpret_steal<py::object>(PyList_New(static_cast<Py_ssize_t>(infos.size()))));
    Py_ssize_t position = 0;
    for (const PatternInfo& info : infos) {
        py::object entry = check(py::reinterpret_steal<py::object>(PyDict_New()));
        set_item(entry.ptr(), name_key, check(decode(info.name)));
        set_item(entry.ptr(), description_key, check(decode(info.description)));
        set_item(entry.ptr(), period_key, check(py::int_(info.period_pips)));
        set_item(entry.ptr(), dimensions_key, check(py::int_(info.dimensions)));
        PyList_SET_ITEM(listing.ptr(), position++, entry.release().ptr());
    }
    return py::reinterpret_steal<py::list>(listing.release());
}

}  // namespace kinemorphs
