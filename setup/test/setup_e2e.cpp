#include "setup_e2e.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "image.h"
#include "product.h"

#include <shlobj.h>
#include <shlwapi.h>

using namespace testing_support;

namespace setup_test {

bool StartSetup(WizardDriver& run, const wchar_t* exe)
{
    return run.Start(ModuleDir() + L"\\" + exe, kSetupSkinFileName) &&
           run.WaitFrame(kSetupWindowTitle, 30000) != nullptr;
}

std::wstring FrameClass(HWND frame)
{
    WCHAR name[64] = {};
    GetClassNameW(frame, name, 64);
    return name;
}

bool InstallAndWaitForFinish(WizardDriver& run)
{
    return run.Click(L"Page4", L"nextbtn") && run.WaitPageVisible(L"Page7", 60000) &&
           run.WaitPageHidden(L"Page6", 10000);
}

bool EndsWithZero(const WizardDriver& run, DWORD ms)
{
    DWORD code = 99;
    return run.WaitExit(ms, &code) && code == 0;
}

bool Finish(WizardDriver& run, bool launch)
{
    // The click on "runnowbtn" is handled before the one on "finishbtn":
    // posted input to one window keeps its order.
    return (launch || run.Click(L"Page7", L"runnowbtn")) && run.Click(L"Page7", L"finishbtn") && EndsWithZero(run);
}

bool AnswerQuitQuestion(WizardDriver& run, int id)
{
    const MessageBoxSeen seen = run.WaitMessageBox(10000, kCaptionNotice, kMsgQuitQuestion);
    return seen.box && WizardDriver::Answer(seen, id);
}

std::wstring EditText(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    RECT rect = {};
    if (!run.ControlScreenRect(page, control, &rect))
        return L"<no control>";
    WCHAR text[1024] = {};
    SendMessageTimeoutW(WindowFromPoint({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}), WM_GETTEXT,
                        1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

Pixels ControlPixels(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    RECT rect = {};
    skinshot::Image shot;
    Pixels pixels;
    if (!run.ControlScreenRect(page, control, &rect))
        return pixels;
    run.WaitIdle(5000);
    if (!skinshot::CaptureScreen(rect, &shot))
        return pixels;
    pixels.width = shot.width;
    for (uint32_t pixel : shot.pixels)
        pixels.rgb.push_back(pixel & 0xFFFFFF);
    return pixels;
}

DWORD CentrePixel(WizardDriver& run, const std::wstring& page, const std::wstring& control)
{
    const Pixels pixels = ControlPixels(run, page, control);
    if (pixels.rgb.empty())
        return 0xFFFFFFFF;
    const size_t height = pixels.rgb.size() / pixels.width;
    return pixels.rgb[height / 2 * pixels.width + pixels.width / 2];
}

int InkedColumns(const Pixels& pixels)
{
    if (pixels.rgb.empty())
        return -1;
    // The background is the colour most pixels have; ink is any pixel that
    // differs from it clearly, the thin anti-aliased strokes of small
    // Chinese glyphs included.
    std::map<DWORD, int> counts;
    for (DWORD p : pixels.rgb)
        ++counts[p];
    const DWORD background =
        std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    std::vector<bool> inked(pixels.width);
    for (size_t i = 0; i < pixels.rgb.size(); ++i) {
        int difference = 0;
        for (int shift : {16, 8, 0})
            difference += std::abs(static_cast<int>((pixels.rgb[i] >> shift) & 0xFF) -
                                   static_cast<int>((background >> shift) & 0xFF));
        if (difference > 48)
            inked[i % pixels.width] = true;
    }
    return static_cast<int>(std::count(inked.begin(), inked.end(), true));
}

std::wstring LegacyEntryPath()
{
    return std::wstring(kUninstallParentKey) + L"\\" + kLegacyProductCode;
}

void CleanMachine::Clean()
{
    CleanProductTraces();
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        SHDeleteKeyW(root, LegacyEntryPath().c_str());
    RemoveTree(DefaultInstallDir());
    RemoveDirectoryW(ShellPath(CSIDL_PROGRAM_FILES, L"QRVL").c_str());
}

} // namespace setup_test
