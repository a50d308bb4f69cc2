// A stand-in wizard for the end-to-end driver's own tests: a frame and pages
// of the wizard's window class, built from the layouts of a skin archive
// beside the program, that logs what its controls report.
//
//   velt_wizard_test_app <skin> <title> <frame layout> <log>
//       [--page <name> <layout> <x> <y> <0|1 shown>]...
//       [--set <frame|page name> <control> <attribute> <value>]...
//
// A window program. The frame is a top-level window titled <title>, shown
// once every page exists; each page is its child window named <name> at x,y.
// Every "click", "return", "killfocus" and "textchanged" notification is
// appended to <log> as one UTF-8 line
// "<window> <type> <control> <control text>". The close command (Alt+F4) ends
// the program with exit code 0; exit code 2 for bad arguments, 3 when a
// window or layout could not be built.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "UIlib.h"
#include "skin_window.h"

namespace {

class LoggingWindow : public skinshot::CSkinWindow {
public:
    LoggingWindow(const std::wstring& layout, const std::wstring& name, const std::wstring& log)
        : CSkinWindow(layout), m_name(name), m_log(log)
    {
    }

    void Notify(TNotifyUI& msg) override
    {
        CSkinWindow::Notify(msg);
        const std::wstring type = msg.sType.GetData();
        if (type != L"click" && type != L"return" && type != L"killfocus" && type != L"textchanged")
            return;
        std::wstring line = m_name + L" " + type + L" ";
        if (msg.pSender) {
            line += msg.pSender->GetName().GetData();
            line += L" ";
            line += msg.pSender->GetText().GetData();
        }
        Append(line + L"\n");
    }

private:
    void Append(const std::wstring& line) const
    {
        const int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
        if (n <= 1)
            return;
        std::string utf8(n - 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], n, nullptr, nullptr);
        HANDLE file = CreateFileW(m_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        DWORD written = 0;
        WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        CloseHandle(file);
    }

    std::wstring m_name;
    std::wstring m_log;
};

// The argument vector of CommandLineToArgvW, freed on destruction.
class Arguments {
public:
    Arguments() : m_argv(CommandLineToArgvW(GetCommandLineW(), &m_argc)) {}
    ~Arguments()
    {
        if (m_argv)
            LocalFree(m_argv);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    int Count() const { return m_argv ? m_argc : 0; }
    std::wstring operator[](int i) const { return m_argv[i]; }

private:
    int m_argc = 0;
    LPWSTR* m_argv;
};

} // namespace

int main()
{
    Arguments args;
    const int n = args.Count();
    if (n < 5)
        return 2;
    CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
    CPaintManagerUI::SetResourceZip(args[1].c_str());
    const std::wstring log = args[4];

    // Shown once its pages exist, as a driver that found it may click them.
    LoggingWindow frame(args[3], L"frame", log);
    if (!frame.Open(nullptr, 60, 60, false))
        return 3;
    SetWindowTextW(frame.GetHWND(), args[2].c_str());
    std::vector<std::unique_ptr<LoggingWindow>> pages;
    for (int i = 5; i < n; ++i) {
        if (args[i] == L"--page" && i + 5 < n) {
            pages.push_back(std::make_unique<LoggingWindow>(args[i + 2], args[i + 1], log));
            LoggingWindow& page = *pages.back();
            if (!page.Open(frame.GetHWND(), _wtoi(args[i + 3].c_str()), _wtoi(args[i + 4].c_str()),
                           args[i + 5] == L"1"))
                return 3;
            SetWindowTextW(page.GetHWND(), args[i + 1].c_str());
            i += 5;
        } else if (args[i] == L"--set" && i + 4 < n) {
            skinshot::CSkinWindow* owner = &frame;
            for (auto& page : pages) {
                WCHAR name[64] = {};
                GetWindowTextW(page->GetHWND(), name, 64);
                if (args[i + 1] == name)
                    owner = page.get();
            }
            CControlUI* control = owner->Find(args[i + 2].c_str());
            if (!control)
                return 3;
            control->SetAttribute(args[i + 3].c_str(), args[i + 4].c_str());
            i += 4;
        } else {
            return 2;
        }
    }
    ShowWindow(frame.GetHWND(), SW_SHOW);
    CPaintManagerUI::MessageLoop();
    return 0;
}
