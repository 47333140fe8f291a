# Installs into a temporary prefix and builds an outside project against the result.
add_test(NAME InstallAndBuildAnOutsideProject
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/run.sh ${PROJECT_BINARY_DIR}
          ${CMAKE_CURRENT_SOURCE_DIR}/install ${CMAKE_CXX_COMPILER} "${CMAKE_CXX_FLAGS}")
set_tests_properties(InstallAndBuildAnOutsideProject PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0"
  RESOURCE_LOCK cmake_install)
