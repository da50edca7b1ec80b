# Installs the C++ package: the core's public headers, the static library
# exported as kinemorphs::kinemorphs and a package config, so a C++ host
# writes find_package(kinemorphs) and links kinemorphs::kinemorphs.
# Everything is in the install component "cpp".
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KINEMORPHS_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kinemorphs)

# Headers keep their folders under include/kinemorphs, as the sources
# include them; the umbrella header includes them all.
install(FILES include/kinemorphs/kinemorphs.hpp
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kinemorphs COMPONENT cpp)
foreach(header
        core/offset3.hpp
        core/pip.hpp
        rudiments/pattern_info.hpp
        rudiments/rudiments.hpp
        rudiments/registry.hpp
        catalogue/catalogue_record.hpp
        user/sampled_pattern.hpp
        user/pattern_library.hpp
        recording/sampled_recording.hpp)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES src/${header}
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kinemorphs/${folder} COMPONENT cpp)
endforeach()

install(TARGETS kinemorphs_core EXPORT kinemorphs_targets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT cpp)
install(EXPORT kinemorphs_targets NAMESPACE kinemorphs::
        DESTINATION ${KINEMORPHS_PACKAGE_DIR} COMPONENT cpp)

configure_package_config_file(cmake/kinemorphsConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/kinemorphsConfig.cmake
    INSTALL_DESTINATION ${KINEMORPHS_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/kinemorphsConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kinemorphsConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/kinemorphsConfigVersion.cmake
        DESTINATION ${KINEMORPHS_PACKAGE_DIR} COMPONENT cpp)
