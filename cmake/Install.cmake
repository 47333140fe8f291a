# Installs the two libraries, the public headers, a CMake package (Utilities::Utilities)
# and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Installed binaries find each other relative to where they lie, so the tool and clients
# run from any prefix with no library path set: libUtilities finds libPortability beside
# it, and the tool looks in ../lib (the libraries' install directory).
set_target_properties(Portability Utilities PROPERTIES INSTALL_RPATH "$ORIGIN")
if(TARGET utiltool)
  file(RELATIVE_PATH UT_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
  set_target_properties(utiltool PROPERTIES INSTALL_RPATH "$ORIGIN/${UT_BIN_TO_LIB}")
endif()

install(TARGETS Portability Utilities EXPORT UtilitiesTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/utilities/export/ ${PROJECT_SOURCE_DIR}/portability/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/Utilities FILES_MATCHING PATTERN "*.h")
install(EXPORT UtilitiesTargets NAMESPACE Utilities::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Utilities)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/UtilitiesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/UtilitiesConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Utilities)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/UtilitiesConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/UtilitiesConfig.cmake
  ${PROJECT_BINARY_DIR}/UtilitiesConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Utilities)

# The pkg-config file names the prefix given at install time.
install(CODE "
  set(CMAKE_INSTALL_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/cmake/utilities.pc.in\"
    \"${PROJECT_BINARY_DIR}/utilities.pc\" @ONLY)
  file(INSTALL \"${PROJECT_BINARY_DIR}/utilities.pc\"
    DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
")
include(${CMAKE_CURRENT_LIST_DIR}/Docs.cmake)
