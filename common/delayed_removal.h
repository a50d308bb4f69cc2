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
// What it removes (DelayedRemoval):
//   WholeTree        "rd /s/q" on the directory: only for a directory that the
//                    installation created (see install_removal.h), for
//                    Uninstall's self-removal and Setup's rollback alike;
//                    then the folders the installation created above it,
//                    innermost first, each with a plain "rd" that takes only
//                    an empty folder;
//   UninstallerOnly  "Uninstall.exe", "Uninstall.DAT" and "DuiLibu.dll"
//                    inside it, then the directory itself if it is empty.
// A directory that IsProtectedPath refuses is never removed: the whole tree
// is refused, and from such a directory only Uninstall's three files go.
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
// '%', '!' or '"' is ever handed to it (IsSafeForCommand). Every path in the
// command is quoted, the lock's too ("if exist" takes a quoted path under
// Windows and Wine alike); ExitLock places the lock where its path is safe.
// For a directory that is not safe, StartDelayedRemoval starts nothing: it
// removes at once, with plain file calls, what is not in use (the tree for
// WholeTree; Uninstall's three files, then the folder if empty, for
// UninstallerOnly) and leaves the rest.
//
// The interpreter runs in the system folder, whatever the caller's current
// directory is. Nothing is reported to the user.
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
// seconds before removing. With keepFolder, UninstallerOnly leaves the
// directory itself even when empty. Empty when the lock or the directory is
// not safe for the command.
// `parents` are the emptied parents to remove after a WholeTree removal.
std::wstring DelayedRemovalParameters(const std::wstring& lockPath, const std::wstring& directory,
                                      DelayedRemoval what, bool keepFolder = false,
                                      int tries = kDelayedRemovalTries,
                                      const std::vector<std::wstring>& parents = {});

// Starts the command hidden (ShellExecuteW "open" "cmd.exe", SW_HIDE) for
// `directory`, waiting for the current exit lock. True when it was started.
// False, with nothing removed, when the directory is not a full path or
// WholeTree is asked for a protected directory; false after the immediate
// removal described above when the directory is not safe for the command;
// false when the shell could not start it.
// With WholeTree, `createdParents` folders above the directory that the
// installation created go too when they are empty (CreatedParentFolders,
// install_removal.h: never a protected one; one whose path is not safe for
// the command is left).
bool StartDelayedRemoval(const std::wstring& directory, DelayedRemoval what, int tries = kDelayedRemovalTries,
                         int createdParents = 0);
