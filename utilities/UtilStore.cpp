// UtilStore: the abstract keyed store; only its destructor has a body.
#include "UtilStore.h"

UT_STORE::~UT_STORE() {}
