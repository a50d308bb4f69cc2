// The delayed removal command: a hidden "cmd.exe" that waits until this
// process has ended and then removes an installation directory.
//
// How the wait works: at start the program takes its exit lock, a file that it
// keeps open without sharing and marked delete-on-close for its whole life, so
// that the file exists exactly as long as the process. The command looks for
// the lock a bounded number of times (kDelayedRemovalTries), pinging the
// loopback address 127.0.0.1 once between looks as a one-second pause (nothing
// leaves the machine). Once the lock has gone it pauses one second more, for
// the process's last modules, and removes; then it pauses and removes again,
// kDelayedRemovalRounds rounds in all, for a file that a slow teardown (or a
// scanner) still held a moment longer: repeating a removal that has already
// succeeded does nothing. Every removal step carries its own "lock gone" test,
// so a lock still there after the last look removes nothing.
//
// What it removes: only what a plain file call could not remove because it
// was in use. StartDelayedRemoval first removes by handles, never through a
// link (install_removal.h, no_follow.h), what it is asked for:
//   WholeTree        the directory with everything in it: only for a
//                    directory that the installation created, for
//                    Uninstall's self-removal and Setup's rollback alike;
//   UninstallerOnly  "Uninstall.exe", "Uninstall.DAT" and "DuiLibu.dll"
//                    inside it, and the files below it that the caller
//                    names as left in use by an earlier removal.
// The running program's own three files in its own folder are not tried:
// they are in use. The command then names each file that stayed, one by
// one in every round, and checks it again just before: it is deleted only
// while it is no folder ("if not exist "F\*" del /f /q "F""), so a folder or
// a folder link put at its name is never emptied. After the last round's
// files come the folders that should end empty, each with a plain "rd",
// which takes only an
// empty folder and a folder link as a link: the folders of the files that
// stayed, deepest first, and the directory itself (for UninstallerOnly only
// when it is not protected), and after a WholeTree removal the folders the
// installation created above it, innermost first. When nothing stayed the
// folders go at once and no interpreter is started. A directory that
// IsProtectedPath refuses is never removed: the whole tree is refused, and
// from such a directory only Uninstall's three files go; a directory that is
// not a plain folder (missing, or a link in its place) is not touched.
//
// How the interpreter reads the command: every "for" and every "if" stands
// alone inside its own parentheses, and no body holds a "&". Windows' cmd
// gives a for or if body the rest of the line, "&" chains included, up to the
// parenthesis that closes an enclosing group; Wine's cmd ends a for body (and
// an if inside parentheses) at the first "&". With the groups both readings
// mean the same. Wine's cmd runs nothing for a for body written "@(...)", so
// the body is "@if ...". "/d" keeps the machine's AutoRun commands out,
// "/v:off" turns delayed expansion off.
//
// Paths the interpreter would rewrite: inside double quotes cmd still expands
// %name% (and !name! where delayed expansion is on), so no path that holds
// '%', '!' or '"' is ever handed to it (IsSafeForCommand): such a file stays.
// Every path in the command is quoted, the lock's too ("if exist" takes a
// quoted path under Windows and Wine alike); ExitLock places the lock where
// its path is safe. The command stays within the interpreter's line length:
// files beyond it stay.
//
// The interpreter is "cmd.exe" of the system folder, by its full path
// (CreateProcessW: hidden, no console, no handles inherited), and runs in the
// system folder, whatever the caller's current directory is. Nothing is
// reported to the user.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum class DelayedRemoval { WholeTree, UninstallerOnly };

// Looks for the lock about once a second: about two minutes in all.
inline constexpr int kDelayedRemovalTries = 120;
// Pause-and-remove rounds once the lock has gone: about three seconds.
inline constexpr int kDelayedRemovalRounds = 3;

// Holds the process's exit lock; one object per process, alive from the
// program's start to its end (the handle is closed by the system at exit).
class ExitLock {
public:
    ExitLock() = default;
    ~ExitLock();
    ExitLock(const ExitLock&) = delete;
    ExitLock& operator=(const ExitLock&) = delete;
    // Creates "VELTExit-<pid>-<tick>.lock" in the first of these folders whose
    // path is safe for the command and where the file can be made: the
    // temporary folder, its short form, the Windows folder's "Temp". False
    // when none works. Makes the lock the one that StartDelayedRemoval waits
    // for.
    bool Acquire();
    const std::wstring& Path() const { return m_path; }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::wstring m_path;
};

// Takes an exit lock that stays held until the process ends (the handle is
// never closed here, so the system releases it only after the program's last
// code and modules are gone). The entries of both programs call it first.
bool HoldExitLockUntilExit();

// True when the interpreter would take `path` literally inside double quotes:
// it holds no '%', '!' or '"' (and is not empty).
bool IsSafeForCommand(const std::wstring& path);

// The parameters given to "cmd.exe": see above. `tries` is the number of looks
// for the lock. With an empty lockPath the command only pauses about two
// seconds before removing. `files` are deleted each after its check, then
// `folders` removed with a plain "rd", in the order given. Empty when the lock
// is not safe for the command or nothing safe is left to remove; a file or
// folder that is not safe, or that no longer fits the line, is left out.
std::wstring DelayedRemovalParameters(const std::wstring& lockPath, const std::vector<std::wstring>& files,
                                      const std::vector<std::wstring>& folders, int tries = kDelayedRemovalTries);

// Removes what it can of `directory` now (see above) and starts the command,
// waiting for the current exit lock, for what stayed in use. True when
// nothing stayed or the command was started for all that stayed. False, with
// nothing removed, when the directory is not a full path, not a plain folder,
// or WholeTree is asked for a protected directory; false when a file that
// stayed could not be handed to the command (its path unsafe, the line full)
// or the command could not be started.
// With WholeTree, `createdParents` folders above the directory that the
// installation created go too when they are empty (CreatedParentFolders,
// install_removal.h: never a protected one; one whose path is not safe for
// the command is left). `stayed` names files below the directory that an
// earlier removal left because another program held them; with
// UninstallerOnly they are tried once more now (RemoveFilesBelow) and what
// still stays goes to the command with the rest (WholeTree meets them
// anyway). *handed, when given, receives every file the started command
// names, in the order it names them (left untouched when none was started).
bool StartDelayedRemoval(const std::wstring& directory, DelayedRemoval what, int tries = kDelayedRemovalTries,
                         int createdParents = 0, const std::vector<std::wstring>& stayed = {},
                         std::vector<std::wstring>* handed = nullptr);
