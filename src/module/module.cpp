// The module entry point: pybind11's PYBIND11_MODULE written out, with a
// create slot of its own that refuses any interpreter but the main one.
//
// pybind11 is built without subinterpreter support, which keeps its state per
// process and spares every call a per-interpreter lookup. Its start-up in a
// subinterpreter (the exec slot's first step) would repoint that state at the
// subinterpreter's, after which the main interpreter's classes are unknown to
// it. Py_mod_multiple_interpreters does not prevent this in a legacy
// subinterpreter, and PyInit_kinemorphs cannot tell: the interpreter runs it
// in the main interpreter. The create slot is the first code that runs in the
// importing interpreter, so the refusal goes there, before pybind11 is asked
// for anything.
#include <Python.h>

#include "core/pip.hpp"
#include "module/bindings.hpp"

namespace {

PyObject* create_in_main_interpreter_only(PyObject* module_spec, PyModuleDef* definition) {
    if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
        PyErr_SetString(PyExc_ImportError, "kinemorphs can only be imported in the main "
                                           "interpreter, not in a subinterpreter");
        return nullptr;
    }
    return pybind11::detail::cached_create_module(module_spec, definition);
}

}  // namespace

static int pybind11_exec_kinemorphs(PyObject* module);

PYBIND11_PLUGIN_IMPL(kinemorphs) {
    PYBIND11_CHECK_PYTHON_VERSION
    try {
        pybind11::detail::ensure_internals();
        static PyModuleDef_Slot slots[] = {
            {Py_mod_create, reinterpret_cast<void*>(&create_in_main_interpreter_only)},
            {Py_mod_exec, reinterpret_cast<void*>(&pybind11_exec_kinemorphs)},
            {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
            {0, nullptr}};
        static PyModuleDef definition{PyModuleDef_HEAD_INIT,
                                      "kinemorphs",
                                      nullptr,
                                      0,
                                      nullptr,
                                      slots,
                                      nullptr,
                                      nullptr,
                                      nullptr};
        return PyModuleDef_Init(&definition);
    }
    PYBIND11_CATCH_INIT_EXCEPTIONS
    return nullptr;
}

PYBIND11_MODULE_EXEC(kinemorphs, module) {
    using namespace kinemorphs::bindings;
    module.doc() = "Integer-pip rhythmic position functions";
    module.attr("PIPS_PER_BEAT") = kinemorphs::PIPS_PER_BEAT;
    bind_sampled_recording(module);
    bind_offset3(module);
    bind_sampled_pattern(module);
    bind_pattern_library(module);
    bind_lookup(module);
    bind_rudiments(module);
}
