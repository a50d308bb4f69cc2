// What the three workers (installation, repair, removal) ask of the page they
// run on, and the checkpoints of an installation, named once.
//
// A worker engine runs on its own thread and reaches its page only through
// WorkerHooks; the page implements them (progress_page.h), the engine tests
// record them. The calls come from the worker thread.
//
// Checkpoints: the installation stops at these, in this order (AfterEntry
// once after every payload entry, entry = its index); at each the page may
// hold it while the user is asked whether to quit, and tells it whether to
// stop. The removal passes one, BeforeRemoval, before its first step, and
// never stops there (its page does not hold its worker; it exists for the
// observer below). The repair has none.
#pragma once

#include <string>

enum class Checkpoint {
    AfterRecord,       // the install record is written
    AfterFolder,       // the installation directory exists
    AfterFolderAgain,  // the same point once more (the installation has always stopped there twice)
    BeforeExtraction,  // the payload is open, nothing written yet
    AfterEntry,        // entry `entry` is written and the bar moved
    AfterManifest,     // the install manifest is written
    AfterAutostart,    // the shortcuts and the autostart value are made
    AtFinish,          // the bar is full; the finish page comes next
    BeforeRemoval,     // the removal: nothing removed yet, the bar as its page starts it
};

class WorkerHooks {
public:
    virtual ~WorkerHooks() = default;
    // The bar's full width W, or -1 when the page has no bar.
    virtual int BarMaxWidth() = 0;
    // Sets the bar's width; 0 or less hides the bar.
    virtual void SetBarWidth(int width) = 0;
    // Waits while the user is being asked whether to quit; true when the
    // worker is to stop (the user said yes). `entry` is the entry's index for
    // AfterEntry, -1 otherwise.
    virtual bool PassCheckpoint(Checkpoint at, int entry) = 0;
    // An error message owned by the page (caption "错误"); returns when
    // dismissed.
    virtual void ShowError(const std::wstring& text) = 0;
};

// Test programs only: an observer that every checkpoint reaches first, on
// the worker thread (a test holds the worker there, or times it). The
// shipped programs register none. Set once, before any worker starts.
class CheckpointObserver {
public:
    virtual ~CheckpointObserver() = default;
    virtual void Reached(Checkpoint at, int entry) = 0;
};
void SetCheckpointObserver(CheckpointObserver* observer);
CheckpointObserver* RegisteredCheckpointObserver();
