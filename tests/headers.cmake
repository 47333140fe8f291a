# Every public header compiles on its own: one translation unit per header, each
# including its header twice to check the include guard.
file(GLOB PUBLIC_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/utilities/export/*.h
     ${PROJECT_SOURCE_DIR}/portability/include/*.h)
set(HEADER_TUS)
foreach(h ${PUBLIC_HEADERS})
  get_filename_component(name ${h} NAME_WE)
  set(tu ${CMAKE_CURRENT_BINARY_DIR}/headers/${name}_alone.cpp)
  file(GENERATE OUTPUT ${tu} CONTENT "#include \"${name}.h\"\n#include \"${name}.h\"\n")
  list(APPEND HEADER_TUS ${tu})
endforeach()
add_library(ut_header_check OBJECT EXCLUDE_FROM_ALL ${HEADER_TUS})
target_link_libraries(ut_header_check PRIVATE Utilities)
add_test(NAME PublicHeadersCompileOnTheirOwn
  COMMAND ${CMAKE_COMMAND} --build ${PROJECT_BINARY_DIR} --target ut_header_check)
