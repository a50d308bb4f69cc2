// The command lines of Setup and Uninstall: what the administrator asked for.
//
// ParseCommandLine(text, program) reads the whole line as GetCommandLineW
// gives it (the program's own path first, quoted or not) and returns the
// options. Options are separated by blanks and read in any case:
//   /S              the unattended run: no window at any moment
//   /LOG=<file>     a UTF-8 log of every step; the file may be quoted
//                   (/LOG="C:\a b\x.log" or "/LOG=C:\a b\x.log")
//   /?              the usage (usage_text below), in a message box
// and, for Setup only:
//   /D=<folder>     the installation folder: the rest of the line, blanks
//                   and all, unquoted, as installers of this kind read it
//                   (so it comes last)
//   /CURRENTUSER    for the current user only ("only me")
//   /NODESKTOP      no desktop shortcut
//   /NOQUICKLAUNCH  no Quick Launch shortcut
//   /RUN            start the calendar at the end
//   /REPAIR, /UNINSTALL  in maintenance: what the unattended run does
// `ok` is false, and `error` says why, for a word that is no option of the
// program, an option given a value it takes none for (or none where it
// needs one), an empty /D= or /LOG=, or /REPAIR with /UNINSTALL. The
// options named are set as read even then.
#pragma once

#include <string>

enum class CommandProgram { Setup, Uninstall };

struct CommandOptions {
    bool ok = true;
    std::wstring error;  // the offending word and why, when !ok

    bool silent = false;
    bool help = false;
    std::wstring logFile;  // empty: no log
    // Setup's
    std::wstring installDir;  // /D=, as given; empty: the default folder
    bool currentUser = false;
    bool noDesktop = false;
    bool noQuickLaunch = false;
    bool run = false;
    bool repair = false;
    bool uninstall = false;
};

CommandOptions ParseCommandLine(const std::wstring& text, CommandProgram program);

// The usage shown for /? (one line per option, in Chinese like every text the
// programs show).
std::wstring UsageText(CommandProgram program);
