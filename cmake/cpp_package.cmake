# Installs the C++ package: the core's public headers, the static library
# exported as kinemorphs::kinemorphs and a package config, so a C++ host
# writes find_package(kinemorphs) and links kinemorphs::kinemorphs.
# Everything is in the install component "cpp".
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KINEMORPHS_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kinemorphs)

# The public headers, and nothing else, under include/kinemorphs: the
# umbrella header kinemorphs.hpp includes them all.
install(DIRECTORY include/kinemorphs DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT cpp
        FILES_MATCHING PATTERN "*.hpp")

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
