// UtilPtrfil: a byte stream that saves linked structures and fixes their pointers up
// when they are read back. Built on the platform layer's UT_STREAM.
#ifndef UTILPTRFIL_H
#define UTILPTRFIL_H

#include "Portability.h"

#include <cstdint>

class UT_PTRFILE_IMP;

// UT_PTRFILE: a UT_STREAM that writes pointers as 32-bit identities and, on reading,
// maps each identity to the address of the object rebuilt from it.
//
// Writing: write each object's identity with writeptr(object), then its data, writing
// every pointer field with writeptr(field). On this machine a pointer is wider than the
// file's 32-bit value, so writeptr hands out identities: null is always 0, and within
// one UT_PTRFILE the same pointer always gets the same nonzero identity.
//
// Reading: readptr the identity, build the new object, registerptr(identity, object);
// readptr each pointer field straight into the field, then fixptr(&field). A field read
// before its target is registered is patched by the registration; one read after it is
// patched at once. Afterwards call checkptrs() until it returns 0 to list the fields
// whose target never appeared (they still hold their identity), then flush_fixtable().
//
// The fix table is built on first need and lives until the UT_PTRFILE is destroyed.
// registerptr and fixptr cost one hash lookup; the pointer file adds no framing of its
// own: the file is exactly the values its users write.
class UT_PTRFILE : public UT_STREAM {
public:
  // A closed pointer file for reading (UT_READ) or writing (UT_WRITE); open it as a stream.
  explicit UT_PTRFILE(UT_ACCESS access);
  // Closes the file if open and frees the fix table.
  ~UT_PTRFILE() override;

  // Writes p's identity as an unsigned 32-bit value; returns what writeulong returns
  // (0 also when no identity could be given).
  int writeptr(const void *p);
  // Reads an unsigned 32-bit value into p; returns what readulong returns.
  int readptr(void *&p);
  // States that the object written with identity oldaddr now lives at newaddr, and
  // patches every field waiting for it. A second registration of oldaddr with another
  // address is reported and wins for the fields fixed afterwards.
  void registerptr(void *oldaddr, void *newaddr);
  // Asks for the field at ref, which holds an identity, to get the new address: at once
  // when it is known, else when it is registered. A null field is left alone.
  void fixptr(void **ref);
  // The next field still waiting for a target, as an integer, or 0 when the scan is
  // over; the call after a 0 starts a new scan.
  intptr_t checkptrs();
  // Forgets every registration and waiting field.
  void flush_fixtable();

private:
  UT_PTRFILE_IMP *imp;
};

#endif
