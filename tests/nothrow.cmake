# The shared library refers to no routine that throws, rethrows or catches an exception:
# no try, catch or throw of its own (the asan preset also compiles it -fno-exceptions)
# and no standard container or other library code that throws when memory runs out.
add_test(NAME TheLibraryRefersToNoRoutineThatThrowsOrCatches
  COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIB=$<TARGET_FILE:Utilities>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/nothrow/check.cmake)
