// Argument conversion for the module's classes that refuses an instance whose
// C++ object was never constructed, such as one made by `Class.__new__(Class)`
// without `__init__`. pybind11 would hand such an object's methods freshly
// allocated, uninitialised storage; refused here, the call fails with the
// usual incompatible-arguments TypeError before anything reads it.
#pragma once

#include <pybind11/pybind11.h>

#include "core/offset3.hpp"
#include "recording/sampled_recording.hpp"
#include "user/pattern_library.hpp"
#include "user/sampled_pattern.hpp"

namespace kinemorphs::bindings {

// `info` is the registered type the caster already looked up, so the check
// costs no second type lookup on every call.
inline bool is_unconstructed_instance(pybind11::handle source, const pybind11::detail::type_info* info) {
    namespace detail = pybind11::detail;
    if (info == nullptr || !PyObject_TypeCheck(source.ptr(), info->type)) {
        return false;
    }
    auto* instance = reinterpret_cast<detail::instance*>(source.ptr());
    const detail::value_and_holder holder = instance->get_value_and_holder(info, false);
    return !holder || !holder.holder_constructed();
}

template <class Class>
class ConstructedInstanceCaster : public pybind11::detail::type_caster_base<Class> {
public:
    bool load(pybind11::handle source, bool convert) {
        return !is_unconstructed_instance(source, this->typeinfo) &&
               pybind11::detail::type_caster_base<Class>::load(source, convert);
    }
};

}  // namespace kinemorphs::bindings

namespace pybind11::detail {

template <>
class type_caster<kinemorphs::Offset3>
    : public kinemorphs::bindings::ConstructedInstanceCaster<kinemorphs::Offset3> {};
template <>
class type_caster<kinemorphs::SampledPattern>
    : public kinemorphs::bindings::ConstructedInstanceCaster<kinemorphs::SampledPattern> {};
template <>
class type_caster<kinemorphs::PatternLibrary>
    : public kinemorphs::bindings::ConstructedInstanceCaster<kinemorphs::PatternLibrary> {};
template <>
class type_caster<kinemorphs::SampledRecording>
    : public kinemorphs::bindings::ConstructedInstanceCaster<kinemorphs::SampledRecording> {};

}  // namespace pybind11::detail
