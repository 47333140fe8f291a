# The Python module's pytest suites, one CTest test per file, against the module in the
# build tree (with utiltool at hand for cross-checks); and the module imported from an
# installed prefix.
# Under AddressSanitizer they run only when the sanitizer runtime can be preloaded.
if(TARGET ut_python AND (UT_PYTHON_PRELOAD OR NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=[^ ]*address"))
  set(PY_ENV "PYTHONPATH=${UT_PYTHON_BUILD_DIR}" "PYTHONDONTWRITEBYTECODE=1" "TZ=UTC"
    "UT_TOOL=$<TARGET_FILE:utiltool>")
  if(UT_PYTHON_PRELOAD)
    # The interpreter keeps memory to the end on purpose: leaks are not checked here.
    list(APPEND PY_ENV "LD_PRELOAD=${UT_PYTHON_PRELOAD}"
      "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0:strict_string_checks=1")
  endif()
  file(GLOB PY_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/python/test_*.py)
  foreach(t ${PY_TESTS})
    get_filename_component(name ${t} NAME_WE)
    add_test(NAME Python.${name}
      COMMAND ${Python_EXECUTABLE} -m pytest -q -p no:cacheprovider ${t})
    set_tests_properties(Python.${name} PROPERTIES ENVIRONMENT "${PY_ENV}")
  endforeach()
  add_test(NAME Python.InstalledModuleImportsFromATemporaryPrefix
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/python/install.sh ${PROJECT_BINARY_DIR}
            ${Python_EXECUTABLE} ${UT_PYTHON_INSTALL_DIR})
  set_tests_properties(Python.InstalledModuleImportsFromATemporaryPrefix PROPERTIES
    ENVIRONMENT "${PY_ENV}" RESOURCE_LOCK cmake_install)
endif()
