// UtilIfile: the public handles of the indexed segmented file. Each owns its
// implementation object (UtilIfileimp) and forwards every operation to it; a handle whose
// implementation could not be allocated refuses every operation.
#include "UtilIfile.h"
#include "UtilIfileimp.h"

#include <new>

// Forwards to the implementation, or yields `none` when there is none.
#define UT_IFILE_FORWARD(call, none) return imp ? imp->call : none

UT_IFILEDIR::UT_IFILEDIR(char *name, long offset, long size, long type, long data)
    : imp(new (std::nothrow) UT_IFILEDIR_IMP(name, offset, size, type, data)) {}

UT_IFILEDIR::~UT_IFILEDIR() { delete imp; }

char *UT_IFILEDIR::getname() { return imp ? imp->name : nullptr; }
long UT_IFILEDIR::gettype() { return imp ? imp->type : 0; }
long UT_IFILEDIR::getdata() { return imp ? imp->data : 0; }

UT_IFILESEGINFO::UT_IFILESEGINFO() : imp(new (std::nothrow) UT_IFILESEGINFO_IMP()) {}

UT_IFILESEGINFO::~UT_IFILESEGINFO() { delete imp; }

char *UT_IFILESEGINFO::getname() const { return imp ? imp->name : nullptr; }
long UT_IFILESEGINFO::getsize() { return imp ? imp->size : 0; }
long UT_IFILESEGINFO::gettype() { return imp ? imp->type : 0; }
long UT_IFILESEGINFO::getdata() { return imp ? imp->data : 0; }

void UT_IFILESEGINFO::setdata(long data) {
  if (imp)
    imp->data = static_cast<int32_t>(data);
}

UT_IFILE::UT_IFILE() : imp(new (std::nothrow) UT_IFILE_IMP()) {}

UT_IFILE::~UT_IFILE() { delete imp; }

int UT_IFILE::create(const char *fname) { UT_IFILE_FORWARD(create(fname), 0); }
int UT_IFILE::load(const char *fname) { UT_IFILE_FORWARD(load(fname), 0); }
int UT_IFILE::unload() { UT_IFILE_FORWARD(unload(), 0); }

UT_STREAM *UT_IFILE::putdataseg(char *name, long type, long data) {
  UT_IFILE_FORWARD(putdataseg(name, type, data), nullptr);
}

int UT_IFILE::enddataseg() { UT_IFILE_FORWARD(enddataseg(), 0); }

UT_STREAM *UT_IFILE::getdataseg(char *name, long type, UT_IFILESEGINFO *info) {
  UT_IFILE_FORWARD(getdataseg(name, type, info), nullptr);
}

int UT_IFILE::getseginfo(char *name, UT_IFILESEGINFO &info) {
  UT_IFILE_FORWARD(getseginfo(name, info), 0);
}

int UT_IFILE::getseginfo(long index, UT_IFILESEGINFO &info) {
  UT_IFILE_FORWARD(getseginfo(index, info), 0);
}

int UT_IFILE::getnextseginfo(UT_IFILESEGINFO &info) { UT_IFILE_FORWARD(getnextseginfo(info), 0); }

void UT_IFILE::resetseginfo() {
  if (imp)
    imp->resetseginfo();
}

short UT_IFILE::getnumsegs() { UT_IFILE_FORWARD(getnumsegs(), 0); }

UT_IFILEDIR *UT_IFILE::newfdir(char *name, long type, long data) {
  UT_IFILE_FORWARD(newfdir(name, type, data), nullptr);
}

void UT_IFILE::setfilecache(unsigned char on) {
  if (imp)
    imp->setfilecache(on);
}

const char *UT_IFILE::getfname() const { UT_IFILE_FORWARD(getfname(), nullptr); }
unsigned char UT_IFILE::getversion() { UT_IFILE_FORWARD(getversion(), 0); }
unsigned char UT_IFILE::getrevision() { UT_IFILE_FORWARD(getrevision(), 0); }
unsigned char UT_IFILE::getdataversion() { UT_IFILE_FORWARD(getdataversion(), 0); }
unsigned char UT_IFILE::getdatarevision() { UT_IFILE_FORWARD(getdatarevision(), 0); }

void UT_IFILE::setdataversion(unsigned char v) {
  if (imp)
    imp->setdataversion(v);
}

void UT_IFILE::setdatarevision(unsigned char r) {
  if (imp)
    imp->setdatarevision(r);
}

UT_ACCESS UT_IFILE::getaccess() { UT_IFILE_FORWARD(getaccess(), UT_READ); }

void UT_IFILE::version_mismatch(unsigned char found) {
  if (imp)
    imp->version_mismatch(found);
}

void UT_IFILE::revision_mismatch(unsigned char found) {
  if (imp)
    imp->revision_mismatch(found);
}

void UT_IFILE::openerror() {
  if (imp)
    imp->openerror();
}
