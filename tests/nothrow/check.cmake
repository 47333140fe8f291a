# Fails when the library's undefined symbols include a routine that throws or catches,
# or the throwing forms of operator new (only the nothrow forms may be used).
execute_process(COMMAND ${NM} -D --undefined-only ${LIB} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm could not read ${LIB}")
endif()
string(REGEX MATCHALL "[^\n ]*(__cxa_throw|__cxa_rethrow|__cxa_begin_catch|_ZSt[0-9]+__throw_|_Zn[wa][mj]@)[^\n ]*"
       found "${symbols}")
if(found)
  message(FATAL_ERROR "the library refers to routines that throw or catch: ${found}")
endif()
message(STATUS "no routine that throws or catches in ${LIB}")
