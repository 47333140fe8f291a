# The API reference: `cmake --build <dir> --target docs` runs Doxygen over the public
# headers and fails when a public class or member has no comment. Installed (under
# share/doc/Utilities/html) when it has been built.
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
  set(DOCS_OUT ${PROJECT_BINARY_DIR}/docs)
  configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${DOCS_OUT}/Doxyfile @ONLY)
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${DOCS_OUT}/html
    COMMAND Doxygen::doxygen ${DOCS_OUT}/Doxyfile
    WORKING_DIRECTORY ${DOCS_OUT}
    COMMENT "API reference from the public headers"
    VERBATIM)
  install(DIRECTORY ${DOCS_OUT}/html/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/html OPTIONAL)
endif()
