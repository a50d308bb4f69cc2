// screenshot_tool: builds windows from the layouts of a skin archive, the way
// the wizard shows them, and writes a PNG of what they look like.
//
// Usage:
//   screenshot_tool --controls <archive> <layout> [<width> <height>]
//                               lists every named control of the layout, one
//                               line each on standard output:
//                               "<name> <left> <top> <right> <bottom>", in the
//                               client coordinates of the layout's own window
//                               (width and height: the window's size when the
//                               layout declares none; default 100 by 100)
//   screenshot_tool <archive> <layout> <out.png> [options]
//     --page <layout> <x> <y>   also a child page window at x,y of the first
//                               window's client area (repeatable; later pages
//                               lie on top)
//     --set <control> <attribute> <value>
//                               applies a layout attribute before the picture
//                               is taken (e.g. --set progressbar width 316)
//     --state <control> <normal|hot|pushed|disabled>
//                               shows a control hot or pushed by moving the
//                               real mouse over it (and pressing the button),
//                               or disabled
//     --screen                  takes the picture from the screen instead of
//                               from the windows' own rendering
//     --dpi <n>                 lays the layouts out at a display scaling of
//                               n DPI (default: the display's); page places
//                               and --set widths and heights stay in layout
//                               units (96 DPI) and are scaled with them
// Without --screen the windows paint themselves into the picture, pages
// composed over the first window, and pixels outside the first window's
// region (its round corners) are transparent.
//
// Exit status: 0 the PNG was written (or the controls listed); 1 bad usage; 2 a window or its layout
// could not be built; 3 a named control does not exist or did not take the
// state; 4 the picture could not be taken or written.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "UIlib.h"
#include "control_list.h"
#include "image.h"
#include "pointer.h"
#include "skin_window.h"

using namespace skinshot;

namespace {

struct PageRequest {
    std::wstring layout;
    int x = 0;
    int y = 0;
};

struct SetRequest {
    std::wstring control, attribute, value;
};

struct Options {
    std::wstring archive, layout, output;
    std::vector<PageRequest> pages;
    std::vector<SetRequest> sets;
    std::wstring stateControl, state;
    bool screen = false;
    UINT dpi = 0;
};

// The argument vector of CommandLineToArgvW, freed on destruction.
class Arguments {
public:
    Arguments() : m_argv(::CommandLineToArgvW(::GetCommandLineW(), &m_argc)) {}
    ~Arguments() {
        if (m_argv != nullptr) ::LocalFree(m_argv);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    int Count() const { return m_argv != nullptr ? m_argc : 0; }
    std::wstring operator[](int i) const { return m_argv[i]; }

private:
    int m_argc = 0;
    LPWSTR* m_argv;
};

bool ParseNumber(const std::wstring& text, int* value) {
    wchar_t* end = nullptr;
    long v = wcstol(text.c_str(), &end, 10);
    if (text.empty() || end == nullptr || *end != L'\0') return false;
    *value = static_cast<int>(v);
    return true;
}

bool Parse(const Arguments& args, Options* opt) {
    int n = args.Count();
    if (n < 4) return false;
    opt->archive = args[1];
    opt->layout = args[2];
    opt->output = args[3];
    for (int i = 4; i < n; ++i) {
        std::wstring a = args[i];
        if (a == L"--page" && i + 3 < n) {
            PageRequest page;
            page.layout = args[i + 1];
            if (!ParseNumber(args[i + 2], &page.x) || !ParseNumber(args[i + 3], &page.y)) return false;
            opt->pages.push_back(page);
            i += 3;
        } else if (a == L"--set" && i + 3 < n) {
            opt->sets.push_back({args[i + 1], args[i + 2], args[i + 3]});
            i += 3;
        } else if (a == L"--state" && i + 2 < n) {
            opt->stateControl = args[i + 1];
            opt->state = args[i + 2];
            i += 2;
            if (opt->state != L"normal" && opt->state != L"hot" && opt->state != L"pushed" &&
                opt->state != L"disabled") {
                return false;
            }
        } else if (a == L"--screen") {
            opt->screen = true;
        } else if (a == L"--dpi" && i + 1 < n) {
            int dpi = 0;
            if (!ParseNumber(args[++i], &dpi) || dpi < 48 || dpi > 960) return false;
            opt->dpi = static_cast<UINT>(dpi);
        } else {
            return false;
        }
    }
    return true;
}

void Usage() {
    fwprintf(stderr,
             L"usage: screenshot_tool --controls <archive> <layout> [<width> <height>]\n"
             L"       screenshot_tool <archive> <layout> <out.png> [--page <layout> <x> <y>]...\n"
             L"       [--set <control> <attribute> <value>]... [--state <control> normal|hot|pushed|disabled]\n"
             L"       [--screen] [--dpi <n>]\n");
}

// The control of that name, looked for in the topmost page first.
CControlUI* FindInWindows(const std::vector<CSkinWindow*>& windows, const std::wstring& name, CSkinWindow** owner) {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        CControlUI* control = (*it)->Find(name.c_str());
        if (control != nullptr) {
            *owner = *it;
            return control;
        }
    }
    return nullptr;
}

UINT ButtonState(CControlUI* control) {
    auto* button = static_cast<CButtonUI*>(control->GetInterface(L"Button"));
    return button != nullptr ? button->GetButtonState() : 0;
}

// Puts the control into the requested look with real input; false when it
// did not take it.
bool ForceState(CSkinWindow& owner, CControlUI* control, const std::wstring& state, bool* pressed) {
    if (state == L"disabled") {
        control->SetEnabled(false);
        return PumpUntil([&] { return !control->IsEnabled(); }, 2000, CPaintManagerUI::TranslateMessage);
    }
    if (state == L"normal") return true;
    if (!MoveMouseTo(owner.GetHWND(), CenterOf(control->GetPos()))) return false;
    if (!PumpUntil([&] { return (ButtonState(control) & UISTATE_HOT) != 0; }, 2000,
                   CPaintManagerUI::TranslateMessage))
        return false;
    if (state == L"pushed") {
        if (!PressLeft()) return false;
        *pressed = true;
        return PumpUntil([&] { return (ButtonState(control) & UISTATE_PUSHED) != 0; }, 2000,
                         CPaintManagerUI::TranslateMessage);
    }
    return true;
}

int Run(const Options& opt) {
    wchar_t full[MAX_PATH] = {};
    wchar_t* filePart = nullptr;
    if (::GetFullPathNameW(opt.archive.c_str(), MAX_PATH, full, &filePart) == 0 || filePart == nullptr) return 2;
    if (::GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) {
        fwprintf(stderr, L"screenshot_tool: no archive %ls\n", full);
        return 2;
    }
    std::wstring name = filePart;
    *filePart = L'\0';
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath(full);
    CPaintManagerUI::SetResourceZip(name.c_str());

    ParkMouse();
    CSkinWindow frame(opt.layout);
    if (!frame.Open(nullptr, 40, 40, true, {100, 100}, opt.dpi)) {
        fwprintf(stderr, L"screenshot_tool: layout %ls could not be built\n", opt.layout.c_str());
        return 2;
    }
    std::vector<std::unique_ptr<CSkinWindow>> pages;
    std::vector<CSkinWindow*> windows = {&frame};
    for (const PageRequest& request : opt.pages) {
        pages.push_back(std::make_unique<CSkinWindow>(request.layout));
        if (!pages.back()->Open(frame.GetHWND(), frame.Manager().Scale(request.x), frame.Manager().Scale(request.y),
                                true, {100, 100}, opt.dpi)) {
            fwprintf(stderr, L"screenshot_tool: layout %ls could not be built\n", request.layout.c_str());
            return 2;
        }
        windows.push_back(pages.back().get());
    }
    ::SetForegroundWindow(frame.GetHWND());
    PumpMessages(200);

    for (const SetRequest& set : opt.sets) {
        CSkinWindow* owner = nullptr;
        CControlUI* control = FindInWindows(windows, set.control, &owner);
        if (control == nullptr) {
            fwprintf(stderr, L"screenshot_tool: no control %ls\n", set.control.c_str());
            return 3;
        }
        std::wstring value = set.value;
        int length = 0;
        if ((set.attribute == L"width" || set.attribute == L"height") && ParseNumber(value, &length))
            value = std::to_wstring(owner->Manager().Scale(length));
        control->SetAttribute(set.attribute.c_str(), value.c_str());
    }
    PumpMessages(100);

    bool pressed = false;
    int status = 0;
    if (!opt.stateControl.empty()) {
        CSkinWindow* owner = nullptr;
        CControlUI* control = FindInWindows(windows, opt.stateControl, &owner);
        if (control == nullptr || !ForceState(*owner, control, opt.state, &pressed)) {
            fwprintf(stderr, L"screenshot_tool: control %ls did not become %ls\n", opt.stateControl.c_str(),
                     opt.state.c_str());
            status = 3;
        }
    }
    PumpMessages(200);

    Image picture;
    if (status == 0) {
        bool taken = false;
        if (opt.screen) {
            for (CSkinWindow* w : windows) ::UpdateWindow(w->GetHWND());
            PumpMessages(100);
            RECT rc;
            ::GetWindowRect(frame.GetHWND(), &rc);
            taken = CaptureScreen(rc, &picture);
        } else {
            taken = RenderWindow(frame.Manager(), &picture);
            for (auto& page : pages) {
                Image part;
                if (!::IsWindowVisible(page->GetHWND()) || !RenderWindow(page->Manager(), &part)) continue;
                POINT at = {0, 0};
                ::MapWindowPoints(page->GetHWND(), frame.GetHWND(), &at, 1);
                Paste(picture, part, at.x, at.y);
            }
            if (taken) MaskWithWindowRegion(picture, frame.GetHWND());
        }
        if (!taken || !WritePng(opt.output, picture)) {
            fwprintf(stderr, L"screenshot_tool: could not write %ls\n", opt.output.c_str());
            status = 4;
        }
    }

    // Let go of the mouse away from every button, so nothing is clicked.
    ParkMouse();
    if (pressed) ReleaseLeft();
    PumpMessages(50);
    return status;
}

// --controls <archive> <layout> [<width> <height>]: prints the listing;
// returns the exit status.
int ListControls(const Arguments& args) {
    const int n = args.Count();
    SIZE size = {100, 100};
    if (n != 4 && n != 6) return 1;
    if (n == 6) {
        int cx = 0, cy = 0;
        if (!ParseNumber(args[4], &cx) || !ParseNumber(args[5], &cy) || cx <= 0 || cy <= 0) return 1;
        size = {cx, cy};
    }
    std::vector<NamedControl> controls;
    if (!ListNamedControls(args[2], args[3], size, &controls)) {
        fwprintf(stderr, L"screenshot_tool: layout %ls of %ls could not be built\n", args[3].c_str(), args[2].c_str());
        return 2;
    }
    for (const NamedControl& c : controls) {
        wprintf(L"%ls %ld %ld %ld %ld\n", c.name.c_str(), static_cast<long>(c.rect.left), static_cast<long>(c.rect.top),
                static_cast<long>(c.rect.right), static_cast<long>(c.rect.bottom));
    }
    fflush(stdout);
    return 0;
}

} // namespace

int main() {
    Arguments args;
    if (args.Count() >= 2 && args[1] == L"--controls") {
        const int status = ListControls(args);
        if (status == 1) Usage();
        return status;
    }
    Options opt;
    if (!Parse(args, &opt)) {
        Usage();
        return 1;
    }
    return Run(opt);
}
