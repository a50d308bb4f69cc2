// The log of one run of Setup or Uninstall (/LOG=<file>): UTF-8 text with a
// byte order mark, one line per step, "yyyy-mm-dd hh:mm:ss.mmm  <text>"
// (local time) and CR LF.
//
// OpenRunLog(path): makes `path` full (GetFullPathNameW) and creates the file
// or empties an existing one. The programs run as administrator and the
// file is usually in a folder that anyone may write, so it is never written
// through a name that does not name itself (IsDisguisedPath: a link,
// junction or short name on the way), nor when the file opened is a link
// itself or has more than one name (a hard link to another file). Returns
// LogOpen::Opened, Refused (one of those: nothing was written) or Failed
// (it could not be created: a missing folder, no access).
//
// LogLine(text): appends a line when a log is open, else does nothing. Safe
// from any thread (the worker and the interface thread both write); each
// line goes to the file at once (no buffering of our own), so what happened
// before a crash is there. The log stays open until the process ends.
#pragma once

#include <string>

enum class LogOpen { Opened, Refused, Failed };

LogOpen OpenRunLog(const std::wstring& path);
void LogLine(const std::wstring& text);
bool RunLogOpen();
