// The delayed removal command: a hidden "cmd.exe" that waits until this
// process has ended and then removes an installation directory.
//
// How the wait works: at start the program takes its exit lock, a file in the
// temporary folder that it keeps open without sharing (and marked
// delete-on-close) for its whole life. The command tries, a bounded number of
// times, to delete that file, pinging the loopback address 127.0.0.1 once
// between tries as a one-second pause (nothing leaves the machine); the file
// can only go once the process has ended. Only then does the command remove
// the directory; if the process is still alive after about two minutes it
// gives up and removes nothing.
//
// What it removes (RemovalScope):
//   WholeTree      "rd /s/q" on the directory: only for a directory that the
//                  installation created (see install_removal.h);
//   UninstallerOnly "Uninstall.exe", "Uninstall.DAT" and "DuiLibu.dll" inside
//                  it, then the directory itself only if it is empty.
// A directory that IsProtectedPath refuses is never removed: the whole tree
// is refused, and from such a directory only Uninstall's three files go.
//
// Functions return false when nothing was started; nothing is reported.
#pragma once

#include <windows.h>

#include <string>

enum class DelayedRemoval { WholeTree, UninstallerOnly };

// Holds the process's exit lock; one object per process, alive from the
// program's start to its end (the handle is closed by the system at exit).
class ExitLock {
public:
    ExitLock() = default;
    ~ExitLock();
    ExitLock(const ExitLock&) = delete;
    ExitLock& operator=(const ExitLock&) = delete;
    // Creates "%TEMP%\\VELTExit-<pid>-<tick>.lock"; false when it cannot.
    // Makes the lock the one that StartDelayedRemoval waits for.
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

// The parameters given to "cmd.exe" (after "/c"): see above. With an empty
// lockPath the command only pauses about two seconds before removing. With
// keepFolder, UninstallerOnly leaves the directory itself even when empty.
std::wstring DelayedRemovalParameters(const std::wstring& lockPath, const std::wstring& directory,
                                      DelayedRemoval what, bool keepFolder = false);

// Starts the command hidden (ShellExecuteW "open" "cmd.exe", SW_HIDE) for
// `directory`, waiting for the current exit lock. False when the directory is
// not a full path, when WholeTree is asked for a protected directory, or when
// the shell could not start it.
bool StartDelayedRemoval(const std::wstring& directory, DelayedRemoval what);
