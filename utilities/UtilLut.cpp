// UtilLut: the UT_LUT handle. Every operation forwards to UT_LUT_IMP (UtilLutimp); without
// an implementation object (its allocation failed) the sources and texts fail with
// UT_EQ_INVALID and the queries describe the constant 0 over 1 line.
#include "UtilLut.h"

#include "UtilLutimp.h"

#include <new>

UT_LUT::UT_LUT(unsigned char assignform) : imp(new (std::nothrow) UT_LUT_IMP(assignform)) {}

UT_LUT::~UT_LUT() { delete imp; }

UT_LUT::UT_LUT(const UT_LUT &other)
    : imp(other.imp ? new (std::nothrow) UT_LUT_IMP(other.imp->getassignform()) : nullptr) {
  if (imp)
    imp->assign(*other.imp);
}

// The copy takes the other's convention too, so its texts read as the other's would.
UT_LUT &UT_LUT::operator=(const UT_LUT &other) {
  if (this == &other)
    return *this;
  UT_LUT_IMP *fresh =
      other.imp ? new (std::nothrow) UT_LUT_IMP(other.imp->getassignform()) : nullptr;
  if (!fresh && other.imp)
    return *this; // out of memory: keep what is held rather than lose it
  if (fresh)
    fresh->assign(*other.imp);
  delete imp;
  imp = fresh;
  return *this;
}

int UT_LUT::from_equation(const char *equation, const char **names, long nlines) {
  return imp ? imp->from_equation(equation, names, nlines) : UT_EQ_INVALID;
}

int UT_LUT::from_init(const char *init, long nlines) {
  return imp ? imp->from_init(init, nlines) : UT_EQ_INVALID;
}

int UT_LUT::from_word(uint64_t table, long nlines) {
  return imp ? imp->from_word(table, nlines) : UT_EQ_INVALID;
}

long UT_LUT::getlines() const { return imp ? imp->getlines() : 1; }

uint64_t UT_LUT::getword() const { return imp ? imp->getword() : 0; }

int UT_LUT::value(uint64_t address) const { return imp ? imp->value(address) : 0; }

uint64_t UT_LUT::support() const { return imp ? imp->support() : 0; }

int UT_LUT::gen_init(char *&out) {
  out = nullptr;
  return imp ? imp->gen_init(out) : UT_EQ_INVALID;
}

int UT_LUT::gen_minterms(const char **names, const char *lhs, char *&out) {
  out = nullptr;
  return imp ? imp->gen_minterms(names, lhs, out) : UT_EQ_INVALID;
}

int UT_LUT::gen_minimal(const char **names, const char *lhs, char *&out) {
  out = nullptr;
  return imp ? imp->gen_minimal(names, lhs, out) : UT_EQ_INVALID;
}

int UT_LUT::gen_kmap(const char **names, char *&out) {
  out = nullptr;
  return imp ? imp->gen_kmap(names, out) : UT_EQ_INVALID;
}

const wchar_t *UT_LUT::geterrmsg() const { return imp ? imp->geterrmsg() : nullptr; }
