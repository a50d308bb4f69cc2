// What a screen reader reads of a frame and the page on it (Frame.xml with
// Page.xml as its child window), through the windows' own IAccessible as
// AccessibleObjectFromWindow hands it out: roles, names from "accname", the
// tooltip or the text; states kept true as things change (focus, disabled,
// checked, hidden, covered by the page, the window hidden); the progress
// bar's value; the default action pressed on the window's thread, not in
// the call; WinEvents for values and states; and the object of a destroyed
// window disconnected; a field's native edit window read as the field.
// Setup and Uninstall read cross-process, page by page:
// setup/test/reader_test.cpp.
#include "dui_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <oleacc.h>

using duitest::TestWindow;
using skinshot::PumpUntil;
using testing_support::ChildId;

namespace {

struct Reader {
    IAccessible* acc = NULL;
    explicit Reader(HWND hwnd)
    {
        AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&acc));
    }
    ~Reader()
    {
        if (acc) acc->Release();
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // The child id of the child of that name, 0 when none.
    LONG Find(const std::wstring& name) const
    {
        long n = 0;
        acc->get_accChildCount(&n);
        for (LONG id = 1; id <= n; ++id)
            if (Name(id) == name) return id;
        return 0;
    }
    std::wstring Text(HRESULT hr, BSTR b) const
    {
        std::wstring s = (hr == S_OK && b) ? b : L"";
        SysFreeString(b);
        return s;
    }
    std::wstring Name(LONG id) const
    {
        BSTR b = NULL;
        HRESULT hr = acc->get_accName(ChildId(id), &b);
        return Text(hr, b);
    }
    std::wstring Value(const std::wstring& name) const
    {
        BSTR b = NULL;
        HRESULT hr = acc->get_accValue(ChildId(Find(name)), &b);
        return Text(hr, b);
    }
    LONG Role(const std::wstring& name) const
    {
        VARIANT v;
        return SUCCEEDED(acc->get_accRole(ChildId(Find(name)), &v)) ? v.lVal : -1;
    }
    LONG State(const std::wstring& name) const
    {
        VARIANT v;
        return SUCCEEDED(acc->get_accState(ChildId(name.empty() ? CHILDID_SELF : Find(name)), &v)) ? v.lVal : -1;
    }
    bool Has(const std::wstring& name, LONG bits) const { return (State(name) & bits) == bits; }
};

struct Event {
    DWORD event;
    HWND hwnd;
    LONG child;
    bool operator==(const Event& o) const { return event == o.event && hwnd == o.hwnd && child == o.child; }
};
std::vector<Event> g_events;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD)
{
    if (object == OBJID_CLIENT) g_events.push_back({event, hwnd, child});
}

} // namespace

TEST(Reader, FrameAndPageAreReadAsTheyAre)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
    TestWindow frame(L"Frame.xml");
    HWND f = frame.Open(NULL, 60, 40, 517, 397, true);
    ASSERT_NE(f, nullptr);
    TestWindow page(L"Page.xml");
    HWND p = page.Open(f, 5, 34, 506, 360, true);
    ASSERT_NE(p, nullptr);
    page.Manager().AddCheckButton(page.Find(L"prebtn"));
    Reader fr(f), pr(p);
    ASSERT_TRUE(fr.acc && pr.acc);

    // Roles and names: a tooltip ("关闭") and "accname" ("最小化") name
    // picture buttons; the page's option of no group is a check box.
    struct {
        const Reader* r;
        const wchar_t* name;
        LONG role;
    } const rows[] = {
        {&fr, L"最小化", ROLE_SYSTEM_PUSHBUTTON}, {&fr, L"关闭", ROLE_SYSTEM_PUSHBUTTON},
        {&fr, L"VELT电子日历", ROLE_SYSTEM_STATICTEXT}, {&fr, L"进度", ROLE_SYSTEM_PROGRESSBAR},
        {&pr, L"字段", ROLE_SYSTEM_TEXT}, {&pr, L"检查", ROLE_SYSTEM_CHECKBUTTON},
        {&pr, L"一", ROLE_SYSTEM_RADIOBUTTON}, {&pr, L"二", ROLE_SYSTEM_RADIOBUTTON},
        {&pr, L"上一步(B)", ROLE_SYSTEM_CHECKBUTTON},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.role);
        EXPECT_EQ(row.r->Role(row.name), row.role);
    }
    BSTR keys = NULL;
    ASSERT_EQ(pr.acc->get_accKeyboardShortcut(ChildId(pr.Find(L"下一步(N)")), &keys), S_OK);
    EXPECT_STREQ(keys, L"Alt+N");
    SysFreeString(keys);

    // States: the frame's controls under the page are invisible, its caption
    // buttons not; the selected option is checked; focus and availability
    // follow the manager.
    EXPECT_TRUE(fr.Has(L"下一步(N)", STATE_SYSTEM_INVISIBLE));
    EXPECT_FALSE(fr.Has(L"关闭", STATE_SYSTEM_INVISIBLE));
    EXPECT_TRUE(pr.Has(L"一", STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSABLE));
    EXPECT_FALSE(pr.Has(L"二", STATE_SYSTEM_CHECKED));
    EXPECT_FALSE(pr.Has(L"上一步(B)", STATE_SYSTEM_CHECKED));
    page.Find(L"prebtn")->SetChecked(true);
    EXPECT_TRUE(pr.Has(L"上一步(B)", STATE_SYSTEM_CHECKED));
    page.Manager().SetFocus(page.Find(L"nextbtn"));
    EXPECT_TRUE(pr.Has(L"下一步(N)", STATE_SYSTEM_FOCUSED));
    page.Find(L"nextbtn")->SetEnabled(false);
    EXPECT_EQ(pr.State(L"下一步(N)") & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED),
              STATE_SYSTEM_UNAVAILABLE);
    page.Find(L"nextbtn")->SetEnabled(true);

    // Values and their events: the bar in percent of its "maxwidth".
    g_events.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_VALUECHANGE, NULL, OnEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    EXPECT_EQ(fr.Value(L"进度"), L"0%");
    frame.Find(L"progressbar")->SetAttribute(L"width", L"237");
    EXPECT_EQ(fr.Value(L"进度"), L"50%");
    page.Find(L"prebtn")->SetChecked(false);
    const Event value{EVENT_OBJECT_VALUECHANGE, f, fr.Find(L"进度")},
        state{EVENT_OBJECT_STATECHANGE, p, pr.Find(L"上一步(B)")};
    auto seen = [](const Event& e) { return std::count(g_events.begin(), g_events.end(), e) > 0; };
    EXPECT_TRUE(PumpUntil([&] { return seen(value) && seen(state); }, 3000));
    UnhookWinEvent(hook);
    EXPECT_EQ(pr.Value(L"字段"), L"");
    page.Find(L"e")->SetText(L"abc");
    EXPECT_EQ(pr.Value(L"字段"), L"abc");

    // The default action is a click, run once the window dispatches.
    page.ClearNotes();
    EXPECT_EQ(pr.acc->accDoDefaultAction(ChildId(pr.Find(L"下一步(N)"))), S_OK);
    EXPECT_EQ(page.Count(L"click"), 0);
    EXPECT_TRUE(PumpUntil([&] { return page.Count(L"click", page.Find(L"nextbtn")) == 1; }, 3000));
    EXPECT_EQ(pr.acc->accDoDefaultAction(ChildId(pr.Find(L"VELT电子日历"))), DISP_E_MEMBERNOTFOUND);

    // The page hidden: its controls are invisible, the frame's show again.
    ShowWindow(p, SW_HIDE);
    EXPECT_TRUE(pr.Has(L"下一步(N)", STATE_SYSTEM_INVISIBLE));
    EXPECT_TRUE(pr.Has(L"", STATE_SYSTEM_INVISIBLE));
    EXPECT_FALSE(fr.Has(L"下一步(N)", STATE_SYSTEM_INVISIBLE));
    CoUninitialize();
}

TEST(Reader, TheObjectOfADestroyedWindowIsDisconnected)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
    IAccessible* kept = NULL;
    {
        TestWindow progress(L"Progress.xml");
        HWND w = progress.Open();
        ASSERT_NE(w, nullptr);
        Reader r(w);
        ASSERT_NE(r.acc, nullptr);
        long n = 0;
        EXPECT_EQ(r.acc->get_accChildCount(&n), S_OK);
        EXPECT_EQ(n, 2) << "the status line and the cancel button";
        kept = r.acc;
        kept->AddRef();
    }
    long n = 0;
    EXPECT_EQ(kept->get_accChildCount(&n), CO_E_OBJNOTCONNECTED);
    kept->Release();
    CoUninitialize();
}

TEST(Reader, AFieldsNativeWindowIsReadAsTheField)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
    IAccessible* kept = NULL;
    {
        TestWindow w(L"ReaderFields.xml");
        HWND hwnd = w.Open(NULL, 40, 40, 300, 200, true);
        ASSERT_NE(hwnd, nullptr);
        Reader tree(hwnd);
        ASSERT_NE(tree.acc, nullptr);
        // The field's name is the one of the window's tree; the password's
        // text is never told.
        struct {
            const wchar_t* field;
            const wchar_t* name;
            const wchar_t* keys;
            HRESULT valueResult;
            const wchar_t* value;
            LONG state;
        } const rows[] = {
            {L"name", L"用户名：", L"Alt+U", S_OK, L"张三", 0},
            {L"pw", L"密码", L"", E_ACCESSDENIED, L"", STATE_SYSTEM_PROTECTED},
        };
        // A reader hears of the focus once, from the edit window: a marker
        // sent after the move shows that every event of the move has come.
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_SELECTION, NULL, OnEvent,
                                             GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
        ASSERT_NE(hook, nullptr);
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << row.state);
            HWND edit = w.Find<CEditUI>(row.field, L"Edit")->GetNativeWindow();
            g_events.clear();
            ASSERT_EQ(tree.acc->accSelect(SELFLAG_TAKEFOCUS, ChildId(tree.Find(row.name))), S_OK);
            EXPECT_TRUE(PumpUntil([&] { return GetFocus() == edit; }, 3000));
            const Event marker{EVENT_OBJECT_SELECTION, hwnd, 4242};
            NotifyWinEvent(marker.event, marker.hwnd, OBJID_CLIENT, marker.child);
            EXPECT_TRUE(PumpUntil([&] { return std::count(g_events.begin(), g_events.end(), marker) > 0; }, 3000));
            const Event focus{EVENT_OBJECT_FOCUS, edit, CHILDID_SELF};
            EXPECT_EQ(std::count_if(g_events.begin(), g_events.end(),
                                    [](const Event& e) { return e.event == EVENT_OBJECT_FOCUS; }),
                      1);
            EXPECT_EQ(std::count(g_events.begin(), g_events.end(), focus), 1);
            Reader r(edit);
            ASSERT_NE(r.acc, nullptr);
            EXPECT_EQ(r.Name(CHILDID_SELF), row.name);
            BSTR b = NULL;
            HRESULT hr = r.acc->get_accKeyboardShortcut(ChildId(CHILDID_SELF), &b);
            EXPECT_EQ(r.Text(hr, b), row.keys);
            b = NULL;
            hr = r.acc->get_accValue(ChildId(CHILDID_SELF), &b);
            EXPECT_EQ(hr, row.valueResult);
            EXPECT_EQ(r.Text(hr, b), row.value);
            VARIANT role;
            ASSERT_EQ(r.acc->get_accRole(ChildId(CHILDID_SELF), &role), S_OK);
            EXPECT_EQ(role.lVal, ROLE_SYSTEM_TEXT);
            EXPECT_EQ(r.State(L"") & (STATE_SYSTEM_PROTECTED | STATE_SYSTEM_FOCUSED), row.state | STATE_SYSTEM_FOCUSED);
            if (kept) kept->Release();
            kept = r.acc;
            kept->AddRef();
        }
        UnhookWinEvent(hook);
    }
    BSTR b = NULL;
    EXPECT_EQ(kept->get_accName(ChildId(CHILDID_SELF), &b), CO_E_OBJNOTCONNECTED);
    kept->Release();
    CoUninitialize();
}
