// What Setup's end-to-end tests share besides the driver (which also walks
// Setup to Page4) and the fake installation: starting Setup (or one of its
// test programs) from the build's folder, the installation's finish and
// Setup's end, the native edit fields and pixels
// of a running Setup, a clean machine, and an earlier edition of the product
// laid out as its installer package left it.
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

// Starts `exe` (a program beside the test program) with `workDir` as its
// current directory and waits for its frame; false when it did not appear.
bool StartSetup(WizardDriver& run, const wchar_t* exe = L"Setup.exe", const std::wstring& workDir = L"");
std::wstring FrameClass(HWND frame);
// Page4's "nextbtn", then waits for Page7 (or for `until` to show).
bool InstallAndWaitForFinish(WizardDriver& run, DWORD ms = 60000);
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
// once the program waits for input.
std::vector<DWORD> ControlPixels(WizardDriver& run, const std::wstring& page, const std::wstring& control);
// The pixel at the centre of a control on screen.
DWORD CentrePixel(WizardDriver& run, const std::wstring& page, const std::wstring& control);
// How many columns of a control's rectangle hold a pixel unlike its background (text).
int InkedColumns(WizardDriver& run, const std::wstring& page, const std::wstring& control);

// The product's default installation directory (Program Files + "QRVL\\VELT电子日历").
std::wstring DefaultDir();

// Removes the default installation and every trace of the product (records,
// autostart values, shortcuts) before and after a test.
class CleanMachine {
public:
    CleanMachine();
    ~CleanMachine();
    CleanMachine(const CleanMachine&) = delete;
    CleanMachine& operator=(const CleanMachine&) = delete;
};

// The earlier, installer-package edition under one root, with its program
// folder below `location`, its shortcuts, autostart value, uninstall entry and
// product registration; and neighbours of each that must stay.
class EarlierEdition {
public:
    EarlierEdition(HKEY root, const std::wstring& location);
    ~EarlierEdition();
    EarlierEdition(const EarlierEdition&) = delete;
    EarlierEdition& operator=(const EarlierEdition&) = delete;
    // Every trace of it is gone; every neighbour is still there.
    void ExpectRemoved() const;

private:
    HKEY m_root;
    std::wstring m_location;
    std::wstring m_programsLink, m_programsNeighbour;
};

} // namespace setup_test
