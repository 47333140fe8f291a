// UtilVersionimp: the process-wide state behind Util_Version and its steps.
#ifndef UTILVERSIONIMP_H
#define UTILVERSIONIMP_H

#include "UtilVersion.h"

// Util_Version_Imp: static state only. The table is built when the library is loaded
// and destroyed when it is unloaded; `timestamp` is the install file's modification
// time at the last load (-1 before the first, so the first query loads). Paths are
// built in one shared 512-byte buffer: a path handed out is valid until the next one.
class Util_Version_Imp {
public:
  static const char *GetValue(const char *key, const char *date);
  // Opens $MYKORVAL/fileset.txt, else $KORVAL/fileset.txt; `path` is set to the last
  // path tried (untouched when neither variable is set). True when `stream` is open.
  static bool OpenInstallFile(UT_STREAM *&stream, const char *&path);
  // dir + "/" + file in the shared buffer; null when it does not fit.
  static char *CreateFilePath(const char *dir, const char *file);
  // True, remembering the file's time and path, when the file at `path` is newer than
  // the last load or is not the file loaded last.
  static bool FileOnDiskMoreRecent(const char *path);
  // Splits "date::key=value" (the line is cut at the "::"). The key and value buffers
  // must hold UT_STR::Len(line) + 1 bytes. False for a line without "::", without "="
  // after it, or with an empty key.
  static bool ParseLine(char *line, long &time, char *key, char *value);
  // Rebuilds the table from the stream.
  static void LoadInfo(UT_STREAM *stream);

  static Util_Version_Hash &hashtable();
  static long timestamp;
};

#endif
