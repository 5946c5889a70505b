// The program's version and the date and time of its build, as the build
// system gives them (from SOURCE_DATE_EPOCH when that is set, so that a
// rebuild of the same sources gives the same program).
#include "editor/editor.h"
#include "buildstamp.h"

#ifndef KEL_VERSION
#define KEL_VERSION "unknown"
#endif
#ifndef KEL_BUILD_DATE
#define KEL_BUILD_DATE "unknown"
#endif
#ifndef KEL_BUILD_TIME
#define KEL_BUILD_TIME "unknown"
#endif

const char kelversion[] = KEL_VERSION;
const char kelbuilddate[] = KEL_BUILD_DATE;
const char kelbuildtime[] = KEL_BUILD_TIME;
