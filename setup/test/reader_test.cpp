// Setup and Uninstall under Wine as a screen reader meets them: each window's
// tree is read from this process with AccessibleObjectFromWindow (the
// frame's and the visible page's, cross-process, through the windows' own
// IAccessible), and every control a reader would show (every child not
// INVISIBLE) must be in the step's table with its role, its name and the
// states that matter (checked, unavailable, read-only; focusable for every
// control that takes the keyboard), and every row of the table must be
// there. The wizard moves by the readers' default action only ("nextbtn",
// the check boxes and options, "prebtn" once, "finishbtn"): no mouse, no
// key. The progress bars' values are followed through an out-of-context
// WinEvent hook while the work runs (the large payload keeps Setup's
// progress pages up long enough to be read; the removal, whose first step
// takes the whole folder, is held on its page by the test programs'
// checkpoint gate, checkpoint_gate_driver.h, while the page is read). Each
// field of the user and location pages is given the keyboard by the reader
// (accSelect) and the native edit window that then holds it must be read
// with the field's name.
// The library's rules for each state: duilib/reader_test.cpp (Reader.*).
//
// With VELT_ACCESSIBILITY_DOC set to a file, every step read also goes there
// as a Markdown table (tools/accessibility-doc.sh makes
// docs/accessibility.md from it).
#include <gtest/gtest.h>

#include "checkpoint_gate_driver.h"
#include "com_ptr.h"
#include "clean_machine_fixture.h"
#include "fake_installation.h"
#include "install_record.h"
#include "product.h"
#include "test_support.h"
#include "wait_until.h"
#include "wizard_driver.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "message_pump.h"

using namespace testing_support;

namespace {

constexpr DWORD kPage = 15000;

struct Child {
    LONG id = 0;
    LONG role = 0;
    LONG state = 0;
    std::wstring name, value, keys;
};

struct AccTree {
    std::wstring name;
    LONG role = 0;
    std::vector<Child> children;
};

std::wstring Text(BSTR b)
{
    std::wstring s = b ? b : L"";
    SysFreeString(b);
    return s;
}

LONG Long(IAccessible* acc, LONG id, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*))
{
    VARIANT out;
    VariantInit(&out);
    return SUCCEEDED((acc->*get)(ChildId(id), &out)) && out.vt == VT_I4 ? out.lVal : -1;
}

std::wstring String(IAccessible* acc, LONG id, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*))
{
    BSTR b = nullptr;
    return (acc->*get)(ChildId(id), &b) == S_OK ? Text(b) : std::wstring();
}

bool Open(HWND hwnd, ComPtr<IAccessible>& acc)
{
    return hwnd && SUCCEEDED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                        acc.OutVoid()));
}

// The window's tree as a reader reads it; empty name and no role when the
// window gave no object.
AccTree Read(HWND hwnd)
{
    AccTree tree;
    ComPtr<IAccessible> acc;
    if (!Open(hwnd, acc))
        return tree;
    tree.name = String(acc.Get(), CHILDID_SELF, &IAccessible::get_accName);
    tree.role = Long(acc.Get(), CHILDID_SELF, &IAccessible::get_accRole);
    long count = 0;
    acc->get_accChildCount(&count);
    for (LONG id = 1; id <= count; ++id) {
        Child c;
        c.id = id;
        c.role = Long(acc.Get(), id, &IAccessible::get_accRole);
        c.state = Long(acc.Get(), id, &IAccessible::get_accState);
        c.name = String(acc.Get(), id, &IAccessible::get_accName);
        c.value = String(acc.Get(), id, &IAccessible::get_accValue);
        c.keys = String(acc.Get(), id, &IAccessible::get_accKeyboardShortcut);
        tree.children.push_back(c);
    }
    return tree;
}

// Presses the visible child of that name by its default action.
bool DoDefault(HWND hwnd, const std::wstring& name)
{
    ComPtr<IAccessible> acc;
    if (!Open(hwnd, acc))
        return false;
    for (const Child& c : Read(hwnd).children) {
        if (c.name == name && !(c.state & STATE_SYSTEM_INVISIBLE))
            return acc->accDoDefaultAction(ChildId(c.id)) == S_OK;
    }
    return false;
}

const wchar_t* RoleName(LONG role)
{
    switch (role) {
    case ROLE_SYSTEM_PUSHBUTTON: return L"push button";
    case ROLE_SYSTEM_CHECKBUTTON: return L"check box";
    case ROLE_SYSTEM_RADIOBUTTON: return L"option";
    case ROLE_SYSTEM_STATICTEXT: return L"text";
    case ROLE_SYSTEM_TEXT: return L"field";
    case ROLE_SYSTEM_PROGRESSBAR: return L"progress bar";
    case ROLE_SYSTEM_GRAPHIC: return L"picture";
    case ROLE_SYSTEM_CLIENT: return L"window";
    default: return L"?";
    }
}

std::wstring StateNames(LONG s)
{
    std::wstring out;
    const std::pair<LONG, const wchar_t*> names[] = {
        {STATE_SYSTEM_FOCUSED, L"focused"},   {STATE_SYSTEM_FOCUSABLE, L"focusable"},
        {STATE_SYSTEM_CHECKED, L"checked"},   {STATE_SYSTEM_UNAVAILABLE, L"unavailable"},
        {STATE_SYSTEM_READONLY, L"read-only"}, {STATE_SYSTEM_PROTECTED, L"protected"}};
    for (const auto& [bit, name] : names)
        if (s & bit)
            out += (out.empty() ? L"" : L", ") + std::wstring(name);
    return out;
}

// The states a row tells; focusable is expected of every control that takes
// the keyboard and is available.
constexpr LONG kTold = STATE_SYSTEM_CHECKED | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_READONLY | STATE_SYSTEM_FOCUSABLE;

LONG Expected(LONG role, LONG states)
{
    const bool keys = role == ROLE_SYSTEM_PUSHBUTTON || role == ROLE_SYSTEM_CHECKBUTTON ||
                      role == ROLE_SYSTEM_RADIOBUTTON || role == ROLE_SYSTEM_TEXT;
    return states | (keys && !(states & STATE_SYSTEM_UNAVAILABLE) ? STATE_SYSTEM_FOCUSABLE : 0);
}

struct Row {
    const wchar_t* name;  // a trailing '*' matches any rest
    LONG role;
    LONG states;  // among checked, unavailable, read-only
};

bool NameMatches(const std::wstring& name, const std::wstring& want)
{
    if (!want.empty() && want.back() == L'*')
        return name.compare(0, want.size() - 1, want, 0, want.size() - 1) == 0;
    return name == want;
}

// Appends the step's visible trees to %VELT_ACCESSIBILITY_DOC% as Markdown.
void Document(const std::wstring& step, const std::vector<AccTree>& trees)
{
    const wchar_t* path = _wgetenv(L"VELT_ACCESSIBILITY_DOC");
    if (!path || !*path)
        return;
    FILE* f = _wfopen(path, L"ab");
    if (!f)
        return;
    std::wstring out = L"\n### " + step + L"\n\nWindow: \"" + trees.back().name + L"\"\n\n";
    out += L"| role | name | states | keys | value |\n| --- | --- | --- | --- | --- |\n";
    for (const AccTree& tree : trees) {
        for (const Child& c : tree.children) {
            if (c.state & STATE_SYSTEM_INVISIBLE)
                continue;
            // One line a cell; what changes from run to run (the bar's
            // value, the free space, the user's name) is left out.
            std::wstring value = c.role == ROLE_SYSTEM_PROGRESSBAR ? L"0% to 100%" : c.value.substr(0, 40);
            if (c.role == ROLE_SYSTEM_TEXT && c.name == L"用户名：")
                value = L"(the user's name)";
            std::wstring name = c.name.substr(0, c.name.find_first_of(L"\r\n"));
            if (const size_t free = name.find(L"可用空间："); free != std::wstring::npos)
                name = name.substr(0, free) + L"可用空间：(the drive's)";
            for (std::wstring* cell : {&value, &name})
                std::replace_if(cell->begin(), cell->end(), [](wchar_t ch) { return ch == L'\r' || ch == L'\n' || ch == L'|'; }, L' ');
            out += std::wstring(L"| ") + RoleName(c.role) + L" | " + name + L" | " + StateNames(c.state) + L" | " +
                   c.keys + L" | " + value + L" |\n";
        }
    }
    const std::string bytes = ToUtf8(out);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// Reads the frame and the page (when given), as the reader sees them now,
// and compares what is visible with rows (the frame's controls first, those
// a page leaves uncovered). heading: the name of the window on top.
void Compare(const std::wstring& step, const std::vector<AccTree>& trees, const std::wstring& heading,
             std::initializer_list<Row> rows)
{
    SCOPED_TRACE(step);
    ASSERT_EQ(trees.back().role, ROLE_SYSTEM_CLIENT) << "no reader object";
    EXPECT_EQ(trees.back().name, heading);
    std::vector<Child> seen;
    for (const AccTree& tree : trees)
        for (const Child& c : tree.children)
            if (!(c.state & STATE_SYSTEM_INVISIBLE))
                seen.push_back(c);
    std::vector<bool> used(seen.size(), false);
    for (const Row& row : rows) {
        bool found = false;
        for (size_t i = 0; i < seen.size() && !found; ++i) {
            if (used[i] || !NameMatches(seen[i].name, row.name))
                continue;
            found = used[i] = true;
            EXPECT_EQ(seen[i].role, row.role) << ToUtf8(seen[i].name);
            EXPECT_EQ(seen[i].state & kTold, Expected(row.role, row.states))
                << ToUtf8(seen[i].name) << ": " << ToUtf8(StateNames(seen[i].state));
        }
        EXPECT_TRUE(found) << "not read: " << ToUtf8(row.name);
    }
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_TRUE(used[i]) << "read but not expected: " << ToUtf8(seen[i].name) << " (" << ToUtf8(RoleName(seen[i].role))
                             << ")";
    Document(step, trees);
}

void Check(const WizardDriver& run, const std::wstring& step, const std::wstring& page, const std::wstring& heading,
           std::initializer_list<Row> rows)
{
    std::vector<AccTree> trees = {Read(run.Frame())};
    if (!page.empty())
        trees.push_back(Read(run.Page(page)));
    Compare(step, trees, heading, rows);
}

// The reader's default action on a visible control of the page (or the
// frame, page empty), then the page that it shows.
bool PressTo(const WizardDriver& run, const std::wstring& page, const std::wstring& name, const std::wstring& next,
             DWORD ms = kPage)
{
    return DoDefault(page.empty() ? run.Frame() : run.Page(page), name) && run.WaitPageVisible(next, ms);
}

// The state of a visible control of the page (the frame when page is
// empty), -1 when not read.
LONG StateOf(const WizardDriver& run, const std::wstring& page, const std::wstring& name)
{
    for (const Child& c : Read(page.empty() ? run.Frame() : run.Page(page)).children)
        if (c.name == name && !(c.state & STATE_SYSTEM_INVISIBLE))
            return c.state;
    return -1;
}

// Gives the page's field of that name the keyboard as a reader does, then
// reads the window that holds it (the field's native edit window) as a
// reader would on its focus event: a text of that name.
void CheckFocusedField(const WizardDriver& run, const std::wstring& page, const std::wstring& name)
{
    SCOPED_TRACE(ToUtf8(name));
    ComPtr<IAccessible> tree;
    ASSERT_TRUE(Open(run.Page(page), tree));
    const std::vector<Child> children = Read(run.Page(page)).children;
    auto field = std::find_if(children.begin(), children.end(), [&](const Child& c) { return c.name == name; });
    ASSERT_NE(field, children.end());
    ASSERT_EQ(tree->accSelect(SELFLAG_TAKEFOCUS, ChildId(field->id)), S_OK);
    // The focus moves when the page's thread takes the posted request: until
    // then the keyboard may still be in the previous field's edit window.
    ComPtr<IAccessible> acc;
    std::wstring read;
    EXPECT_TRUE(WaitUntil(
        [&] {
            const HWND edit = run.KeyboardWindow();
            acc.Reset();
            read = edit && GetParent(edit) == run.Page(page) && Open(edit, acc)
                       ? String(acc.Get(), CHILDID_SELF, &IAccessible::get_accName)
                       : L"";
            return read == name;
        },
        kPage))
        << "the keyboard's window reads " << ToUtf8(read);
    ASSERT_TRUE(acc);
    EXPECT_EQ(Long(acc.Get(), CHILDID_SELF, &IAccessible::get_accRole), ROLE_SYSTEM_TEXT);
}

// The progress bar's values as its value-change events come (out of
// context, on this thread while it pumps), and the frame's and the progress
// page's trees read at the first event that came while the page showed.
std::vector<std::wstring> g_values;
HWND g_frame = nullptr;
std::wstring g_progressPage;  // made when its work starts
std::vector<AccTree> g_progressRead;

void CALLBACK OnValue(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD)
{
    // The calls below wait for the program in a modal loop that delivers the
    // next events meanwhile: those are skipped, so the values keep their order.
    static bool busy = false;
    if (busy)
        return;
    busy = true;
    ComPtr<IAccessible> acc;
    VARIANT id;
    VariantInit(&id);
    if (SUCCEEDED(AccessibleObjectFromEvent(hwnd, object, child, acc.Out(), &id)) &&
        Long(acc.Get(), id.lVal, &IAccessible::get_accRole) == ROLE_SYSTEM_PROGRESSBAR) {
        g_values.push_back(String(acc.Get(), id.lVal, &IAccessible::get_accValue));
        HWND page = FindWindowExW(g_frame, nullptr, nullptr, g_progressPage.c_str());
        if (g_progressRead.empty() && IsWindowVisible(page)) {
            std::vector<AccTree> trees = {Read(g_frame), Read(page)};
            if (IsWindowVisible(page))
                g_progressRead = trees;
        }
    }
    busy = false;
}

int Percent(const std::wstring& v) { return _wtoi(v.c_str()); }

// Follows the progress bar of a page of the program while its work runs:
// hooks the value changes of the process (out of context) from now on.
class Progress {
public:
    Progress(const WizardDriver& run, const wchar_t* page)
        : m_run(run),
          m_hook(SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, OnValue, run.ProcessId(),
                                 0, WINEVENT_OUTOFCONTEXT))
    {
        g_values.clear();
        g_progressRead.clear();
        g_frame = run.Frame();
        g_progressPage = page;
    }
    ~Progress() { UnhookWinEvent(m_hook); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Pumps until the page `next` shows; the values the events told must
    // not fall, and the bar must stand at 100% at the end. With rows, the
    // page as read while it showed must match them.
    void Follow(const wchar_t* next, const std::wstring& step, const std::wstring& heading,
                std::initializer_list<Row> rows)
    {
        SCOPED_TRACE(step);
        ASSERT_NE(m_hook, nullptr);
        ASSERT_TRUE(skinshot::PumpUntil([&] { return m_run.PageVisible(next); }, 120000)) << ToUtf8(next);
        ASSERT_FALSE(g_values.empty()) << "no value change of the progress bar";
        for (size_t i = 1; i < g_values.size(); ++i)
            EXPECT_LE(Percent(g_values[i - 1]), Percent(g_values[i])) << ToUtf8(g_values[i - 1]) << " then " << ToUtf8(g_values[i]);
        const AccTree done = Read(m_run.Page(g_progressPage));
        auto bar = std::find_if(done.children.begin(), done.children.end(),
                                [](const Child& c) { return c.role == ROLE_SYSTEM_PROGRESSBAR; });
        ASSERT_NE(bar, done.children.end());
        EXPECT_EQ(bar->value, L"100%");
        EXPECT_TRUE(bar->state & STATE_SYSTEM_INVISIBLE) << "the hidden page's bar is read as shown";
        if (rows.size() == 0)
            return;
        ASSERT_FALSE(g_progressRead.empty()) << "the progress page was never read while it showed";
        Compare(step, g_progressRead, heading, rows);
    }

private:
    const WizardDriver& m_run;
    HWINEVENTHOOK m_hook;
};

class ReaderWalk : public CleanMachineTest {
protected:
    ComScope m_com;
};

constexpr LONG kPush = ROLE_SYSTEM_PUSHBUTTON, kText = ROLE_SYSTEM_STATICTEXT, kCheck = ROLE_SYSTEM_CHECKBUTTON,
               kOption = ROLE_SYSTEM_RADIOBUTTON, kField = ROLE_SYSTEM_TEXT, kBar = ROLE_SYSTEM_PROGRESSBAR;
constexpr LONG kChecked = STATE_SYSTEM_CHECKED, kOff = STATE_SYSTEM_UNAVAILABLE, kRo = STATE_SYSTEM_READONLY;

#define FRAME_COVERED {L"最小化", kPush, 0}, {L"关闭", kPush, 0}
#define PAGE_BUTTONS(next) {L"上一步(B)", kPush, 0}, {next, kPush, 0}, {L"取消", kPush, 0}
// A frame's own screen has nothing before it.
#define FRAME_BUTTONS {L"上一步(B)", kPush, kOff}, {L"下一步(N)", kPush, 0}, {L"取消", kPush, 0}

// The removal from the window that asks for it (the frame when page is
// empty) to its end, in a test program (it has the checkpoint gate): the
// progress page read while the removal is held before its first step (its
// text `working`), the bar followed, the completion page read ("done"),
// "完成" by the reader, the program ended with 0 and the record under root
// gone. who: "Setup:" or "Uninstall:".
void RemoveByReader(const WizardDriver& run, const std::wstring& page, const std::wstring& who,
                    const wchar_t* working, const wchar_t* done, HKEY root)
{
    {
        CheckpointGateDriver gate(run.ProcessId(), static_cast<LONG>(Checkpoint::BeforeRemoval));
        ASSERT_TRUE(gate.Armed());
        Progress progress(run, L"Page10");
        ASSERT_TRUE(DoDefault(page.empty() ? run.Frame() : run.Page(page), L"下一步(N)"));
        ASSERT_TRUE(gate.WaitHeld(kPage));
        ASSERT_TRUE(run.WaitPageVisible(L"Page10", kPage));
        Check(run, who + L" Page10, removing", L"Page10", L"正在卸载",
              {FRAME_COVERED, {working, kText, 0}, {L"卸载进度", kBar, 0}, {L"取消", kPush, 0}});
        gate.Release();
        progress.Follow(L"Page11", who + L" removing", L"正在卸载", {});
    }
    Check(run, who + L" removed", L"Page11", L"卸载完成", {FRAME_COVERED, {done, kText, 0}, {L"完成", kPush, 0}});
    ASSERT_TRUE(DoDefault(run.Page(L"Page11"), L"完成"));
    DWORD code = 99;
    EXPECT_TRUE(run.WaitExit(30000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(RecordExists(root));
}

} // namespace

TEST_F(ReaderWalk, InstallThenUninstallByTheReader)
{
    WizardDriver run;
    // The large payload keeps the progress page up long enough to be read.
    ASSERT_TRUE(run.Start(ModuleDir() + L"\\SetupLargeTest.exe", kSetupSkinFileName));
    ASSERT_NE(run.WaitFrame(kSetupWindowTitle, 30000), nullptr);

    Check(run, L"Setup: first screen", L"", L"欢迎使用 VELT电子日历安装向导",
          {{L"最小化", kPush, 0}, {L"关闭", kPush, 0}, {L"本向导将在您的计算机上安装 VELT电子日历。", kText, 0},
           {L"VELT电子日历是一款简洁的桌面月历：显示整月日期并标出今天，", kText, 0},
           {L"可以按月或按年翻看。", kText, 0}, {L"建议您在继续之前关闭其他所有应用程序。", kText, 0},
           {L"单击“下一步(N)”继续，单击“取消”退出安装向导。", kText, 0}, FRAME_BUTTONS});
    ASSERT_TRUE(PressTo(run, L"", L"下一步(N)", L"Page1"));
    Check(run, L"Setup: Page1, welcome", L"Page1", L"欢迎安装 VELT电子日历",
          {FRAME_COVERED, {L"安装向导将依次引导您完成以下步骤：", kText, 0}, {L"1. 阅读并接受许可协议；", kText, 0},
           {L"2. 填写用户信息，选择为所有用户还是仅为自己安装；", kText, 0},
           {L"3. 选择安装位置和要创建的快捷方式；", kText, 0}, {L"4. 复制文件、创建快捷方式，完成安装。", kText, 0},
           {L"单击“下一步(N)”继续，单击“上一步(B)”返回。", kText, 0}, PAGE_BUTTONS(L"下一步(N)")});
    ASSERT_TRUE(PressTo(run, L"Page1", L"下一步(N)", L"Page2"));
    Check(run, L"Setup: Page2, licence", L"Page2", L"许可协议",
          {FRAME_COVERED, {L"请滚动查看协议的全部内容。", kText, 0}, {L"许可协议", kField, kRo},
           {L"我接受许可协议中的条款", kCheck, kChecked}, PAGE_BUTTONS(L"下一步(N)")});
    // Declining by the reader: the box is read unchecked and "nextbtn" unavailable.
    ASSERT_TRUE(DoDefault(run.Page(L"Page2"), L"我接受许可协议中的条款"));
    EXPECT_TRUE(WaitUntil([&] { return (StateOf(run, L"Page2", L"下一步(N)") & kTold) == kOff; }, kPage));
    EXPECT_EQ(StateOf(run, L"Page2", L"我接受许可协议中的条款") & kTold, STATE_SYSTEM_FOCUSABLE);
    ASSERT_TRUE(DoDefault(run.Page(L"Page2"), L"我接受许可协议中的条款"));
    ASSERT_TRUE(WaitUntil([&] { return (StateOf(run, L"Page2", L"下一步(N)") & kTold) == STATE_SYSTEM_FOCUSABLE; }, kPage));
    ASSERT_TRUE(PressTo(run, L"Page2", L"下一步(N)", L"Page3"));
    Check(run, L"Setup: Page3, user information", L"Page3", L"用户信息",
          {FRAME_COVERED, {L"用户名：", kField, 0}, {L"单位：", kField, 0}, {L"为以下用户安装 VELT电子日历：", kText, 0},
           {L"所有使用此计算机的用户", kOption, kChecked}, {L"仅限我自己", kOption, 0}, PAGE_BUTTONS(L"下一步(N)")});
    for (const wchar_t* field : {L"用户名：", L"单位："})
        CheckFocusedField(run, L"Page3", field);
    ASSERT_TRUE(PressTo(run, L"Page3", L"下一步(N)", L"Page4"));
    Check(run, L"Setup: Page4, location and options", L"Page4", L"选择安装位置",
          {FRAME_COVERED, {L"安装向导将把 VELT电子日历安装到下面的文件夹中。", kText, 0},
           {L"若要安装到其他文件夹，请单击“浏览(R)...”另选一个文件夹。", kText, 0}, {L"安装文件夹", kField, 0},
           {L"浏览(R)...", kPush, 0}, {L"所需空间：*", kText, 0}, {L"附加快捷方式：", kText, 0},
           {L"创建桌面快捷方式", kCheck, kChecked}, {L"创建快速启动栏快捷方式", kCheck, kChecked},
           PAGE_BUTTONS(L"安装(I)")});
    CheckFocusedField(run, L"Page4", L"安装文件夹");

    // The installation: the bar's value rises to 100% as events tell.
    {
        Progress progress(run, L"Page6");
        ASSERT_TRUE(DoDefault(run.Page(L"Page4"), L"安装(I)"));
        progress.Follow(L"Page7", L"Setup: Page6, installing", L"正在安装",
                        {FRAME_COVERED, {L"正在安装 VELT电子日历，请稍候……", kText, 0}, {L"安装进度", kBar, 0},
                         {L"取消", kPush, 0}});
    }

    Check(run, L"Setup: Page7, finished", L"Page7", L"安装完成",
          {FRAME_COVERED, {L"安装向导已完成 VELT电子日历的安装。", kText, 0}, {L"立即运行 VELT电子日历", kCheck, kChecked},
           {L"单击“完成”按钮退出安装向导。", kText, 0}, {L"完成", kPush, 0}});
    ASSERT_TRUE(DoDefault(run.Page(L"Page7"), L"立即运行 VELT电子日历"));
    ASSERT_TRUE(WaitUntil([&] { return (StateOf(run, L"Page7", L"立即运行 VELT电子日历") & kChecked) == 0; }, kPage));
    ASSERT_TRUE(DoDefault(run.Page(L"Page7"), L"完成"));
    DWORD code = 99;
    ASSERT_TRUE(run.WaitExit(30000, &code));
    EXPECT_EQ(code, 0u);
    const std::wstring dir = RecordString(RecordRoot(1), kValueInstallLocation);
    ASSERT_FALSE(dir.empty());

    // The installed Uninstall, as its test program (the same with the checkpoint gate).
    ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\UninstallGateTest.exe").c_str(),
                          (dir + L"\\" + kUninstallerFileName).c_str(), FALSE));
    WizardDriver uninstall;
    ASSERT_TRUE(uninstall.Start(dir + L"\\" + kUninstallerFileName, kUninstallSkinFileName));
    ASSERT_NE(uninstall.WaitFrame(kUninstallWindowTitle, 30000, L"Page9Wnd.xml"), nullptr);
    Check(uninstall, L"Uninstall: confirmation", L"", L"卸载 VELT电子日历",
          {{L"最小化", kPush, 0}, {L"关闭", kPush, 0}, {L"卸载向导将从您的计算机中删除*", kText, 0},
           {L"单击“下一步(N)”开始卸载*", kText, 0}, {L"下一步(N)", kPush, 0}, {L"取消", kPush, 0}});
    RemoveByReader(uninstall, L"", L"Uninstall:", L"VELT电子日历正在卸载中。。。", L"VELT电子日历已经成功卸载*",
                   RecordRoot(1));
}

TEST_F(ReaderWalk, MaintenanceByTheReader)
{
    InstallOptions options;
    options.recordRoot = 0;
    FakeInstallation install(options);
    ASSERT_TRUE(install.Ok());
    WizardDriver run;
    ASSERT_TRUE(run.Start(ModuleDir() + L"\\SetupLargeTest.exe", kSetupSkinFileName));
    ASSERT_NE(run.WaitFrame(kSetupWindowTitle, 30000), nullptr);
    const auto choice = [&](const wchar_t* step, LONG fix, LONG removal) {
        Check(run, step, L"", L"修复或卸载 VELT电子日历",
              {{L"最小化", kPush, 0}, {L"关闭", kPush, 0}, {L"修复", kOption, fix},
               {L"重新写入全部程序文件*", kText, 0}, {L"卸载", kOption, removal},
               {L"从您的计算机中删除 VELT电子日历*", kText, 0}, {L"选择一项操作，然后单击“下一步(N)”。", kText, 0},
               FRAME_BUTTONS});
    };
    choice(L"Setup: maintenance choice", 0, kChecked);
    ASSERT_TRUE(PressTo(run, L"", L"下一步(N)", L"Page9"));
    Check(run, L"Setup: confirm the removal", L"Page9", L"卸载 VELT电子日历",
          {FRAME_COVERED, {L"安装向导将从您的计算机中删除 VELT电子日历，包括它的全部", kText, 0},
           {L"程序文件、快捷方式和开机自动运行项。", kText, 0}, {L"您自己放入安装文件夹中的文件将保留在原处。", kText, 0},
           {L"单击“下一步(N)”开始卸载，单击“上一步(B)”返回。", kText, 0}, PAGE_BUTTONS(L"下一步(N)")});
    // Back, the repair chosen by the reader, and on.
    ASSERT_TRUE(DoDefault(run.Page(L"Page9"), L"上一步(B)"));
    ASSERT_TRUE(run.WaitPageHidden(L"Page9", kPage));
    ASSERT_TRUE(DoDefault(run.Frame(), L"修复"));
    ASSERT_TRUE(WaitUntil([&] { const LONG s = StateOf(run, L"", L"修复"); return s >= 0 && (s & kChecked); }, kPage));
    choice(L"Setup: maintenance choice, repair chosen", kChecked, 0);
    {
        Progress progress(run, L"Page12");
        ASSERT_TRUE(DoDefault(run.Frame(), L"下一步(N)"));
        progress.Follow(L"Page13", L"Setup: Page12, repairing", L"正在修复",
                        {FRAME_COVERED, {L"正在修复 VELT电子日历，请稍候……", kText, 0}, {L"修复进度", kBar, 0},
                         {L"取消", kPush, 0}});
    }
    Check(run, L"Setup: repaired", L"Page13", L"修复完成",
          {FRAME_COVERED, {L"VELT电子日历已经成功修复*", kText, 0}, {L"完成", kPush, 0}});
    ASSERT_TRUE(DoDefault(run.Page(L"Page13"), L"完成"));
    DWORD code = 99;
    EXPECT_TRUE(run.WaitExit(30000, &code));
    EXPECT_EQ(code, 0u);

    // The removal, chosen at start.
    WizardDriver removal;
    ASSERT_TRUE(removal.Start(ModuleDir() + L"\\SetupLargeTest.exe", kSetupSkinFileName));
    ASSERT_NE(removal.WaitFrame(kSetupWindowTitle, 30000), nullptr);
    ASSERT_TRUE(PressTo(removal, L"", L"下一步(N)", L"Page9"));
    RemoveByReader(removal, L"Page9", L"Setup:", L"正在卸载 VELT电子日历，请稍候……",
                   L"VELT电子日历已经成功卸载，单击“完成”按钮退出安装向导。", RecordRoot(0));
}
