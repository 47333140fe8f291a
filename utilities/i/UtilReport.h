// The report sequence every unit uses: one setvars on ut_msgman with the library's
// subsystem, the unit's name, the line of the report site and the unit's revision,
// then exactly one reporting operation.
#ifndef UTILREPORT_H
#define UTILREPORT_H

#include "Portability.h"

// Declares the unit's name and revision string; put it once near the top of a unit.
#define UT_REPORT_UNIT(name, revision)                                                           \
  namespace {                                                                                    \
  [[maybe_unused]] const char* const mv_unitname = name;                                         \
  [[maybe_unused]] const char* const rcsrev = revision;                                          \
  }

// UT_REPORT(numbered_msg, 19, "text %d\n", value); UT_REPORT(print_msg, "text\n");
#define UT_REPORT(op, ...)                                                                       \
  (ut_msgman->setvars("Utilities", mv_unitname, static_cast<short>(__LINE__), rcsrev),           \
   ut_msgman->op(__VA_ARGS__))

#endif
