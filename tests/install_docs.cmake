# The docs target's Doxygen settings refuse undocumented public classes and members.
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
  add_test(NAME DocsRefuseUndocumentedPublicMembers
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/docs_gate.sh ${PROJECT_BINARY_DIR}/docs/Doxyfile)
endif()
