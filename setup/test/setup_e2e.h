// What Setup's end-to-end tests share besides the driver (which also walks
// Setup to Page4) and the fake installation: starting Setup (or one of its
// test programs) from the build's folder, the installation's finish and
// Setup's end, the quit question, the native edit fields and pixels of a
// running Setup, and a clean machine.
//
// Everything runs against Wine's real registry, file system and shell; the
// fixtures clean the product's real locations before and after.
#pragma once

#include "fake_installation.h"
#include "test_support.h"
#include "wizard_driver.h"

#include <windows.h>

#include <string>
#include <vector>

namespace setup_test {

using testing_support::WizardDriver;

// Something that must not happen within a short while (the program has had
// ample time to react to posted input by then).
constexpr DWORD kNoReaction = 1500;

// Starts `exe` (a program beside the test program) and waits for its frame;
// false when it did not appear.
bool StartSetup(WizardDriver& run, const wchar_t* exe = L"Setup.exe");
std::wstring FrameClass(HWND frame);
// Page4's "nextbtn", then waits for Page7 and for Page6 to hide.
bool InstallAndWaitForFinish(WizardDriver& run);
// Clicks "finishbtn" on Page7 (first clearing "runnowbtn" unless `launch`)
// and waits for Setup's end with exit code 0.
bool Finish(WizardDriver& run, bool launch = false);
// Answers the quit question of a window with Yes or No.
bool AnswerQuitQuestion(WizardDriver& run, int id);
// Waits for exit and returns true when the code was 0.
bool EndsWithZero(const WizardDriver& run, DWORD ms = 30000);

// The text of the native edit field under a control of a page.
std::wstring EditText(WizardDriver& run, const std::wstring& page, const std::wstring& control);
// The screen's pixels in a control's rectangle (0x00RRGGBB, row by row),
// once the program waits for input; empty when the control is unknown.
struct Pixels {
    int width = 0;
    std::vector<DWORD> rgb;
    bool operator!=(const Pixels& other) const { return rgb != other.rgb; }
};
Pixels ControlPixels(WizardDriver& run, const std::wstring& page, const std::wstring& control);
// The pixel at the centre of a control on screen (0xFFFFFFFF when unknown).
DWORD CentrePixel(WizardDriver& run, const std::wstring& page, const std::wstring& control);
// How many columns hold a pixel unlike the background (text), -1 when unknown.
int InkedColumns(const Pixels& pixels);

// The earlier, installer-package edition's uninstall entry (the cleanup's
// trace that decides the root; the rest: LegacyCleanup.* in engine_test.cpp).
std::wstring LegacyEntryPath();

// Removes the default installation and every trace of the product (records,
// the earlier edition's entries, autostart values, shortcuts) before and
// after a test.
class CleanMachine {
public:
    CleanMachine() { Clean(); }
    ~CleanMachine() { Clean(); }
    CleanMachine(const CleanMachine&) = delete;
    CleanMachine& operator=(const CleanMachine&) = delete;

private:
    static void Clean();
};

} // namespace setup_test
