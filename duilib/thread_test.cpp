// Threads: a worker moves the progress bar, changes text, shows and hides
// controls and windows while the interface thread waits for it with a
// message-pumping wait; and nothing deadlocks when the interface thread is
// blocked outright (the worker's calls never wait for it).
#include "dui_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

using duitest::SkinArchive;
using duitest::TestWindow;

namespace {

const char kProgress[] = R"(<Window size="506,360"><VerticalLayout name="root" bkcolor="#FFFFFFFF">
  <Label name="status" float="true" pos="30,103,400,123" text="VELT电子日历正在卸载中。。。" />
  <HorizontalLayout float="true" pos="14,122,0,0" width="474" height="14" bordercolor="#FFACCFF5" bordersize="1" bkcolor="#FFFFFFFF">
    <HorizontalLayout name="progressbar" bkcolor="#FF3080D0" width="1" maxwidth="474" />
    <HorizontalLayout />
  </HorizontalLayout>
  <Button name="cancelbtn" float="true" pos="433,326,0,0" width="65" height="24" />
</VerticalLayout></Window>)";

// The page's own shown state (its frame stays hidden in these tests).
bool Shown(HWND h) { return (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0; }

// Runs `body` on a new thread; the handle is closed by the destructor.
class Worker {
public:
    explicit Worker(std::function<void()> body) : m_body(std::move(body))
    {
        m_thread = CreateThread(NULL, 0, &Worker::Run, this, 0, NULL);
    }
    ~Worker()
    {
        if (m_thread) {
            WaitForSingleObject(m_thread, 10000);
            CloseHandle(m_thread);
        }
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    HANDLE Handle() const { return m_thread; }
    // Dispatches this thread's messages until the worker has ended, then
    // what the worker left queued.
    bool PumpUntilDone()
    {
        const bool done = testing_support::PumpUntil(
            [&] { return WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0; }, 10000);
        duitest::Pump();
        return done;
    }

private:
    static DWORD WINAPI Run(LPVOID self)
    {
        static_cast<Worker*>(self)->m_body();
        return 0;
    }
    std::function<void()> m_body;
    HANDLE m_thread = NULL;
};

} // namespace

TEST(Threads, WorkerMovesTheBarAndShowsAndHidesWhileTheInterfaceThreadPumps)
{
    SkinArchive skin({{"Progress.xml", kProgress}});
    TestWindow frame(L"Progress.xml");
    ASSERT_NE(frame.Open(), nullptr);
    TestWindow page(L"Progress.xml");
    ASSERT_NE(page.Open(frame.GetHWND(), 5, 31, 506, 360, true), nullptr);
    CControlUI* bar = page.Find(L"progressbar");
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetPos().right, 15);
    ASSERT_TRUE(Shown(page.GetHWND()));

    Worker worker([&] {
        bar->SetAttribute(L"width", L"158");
        page.Find(L"status")->SetText(L"done");
        page.Find(L"cancelbtn")->SetVisible(false);
        page.ShowWindow(false);
    });
    ASSERT_TRUE(worker.PumpUntilDone());
    EXPECT_EQ(bar->GetPos().left, 14);
    EXPECT_EQ(bar->GetPos().right, 14 + 158);
    EXPECT_EQ(page.Find(L"status")->GetText(), L"done");
    EXPECT_FALSE(page.Find(L"cancelbtn")->IsVisible());
    EXPECT_FALSE(Shown(page.GetHWND()));

    // Step by step to the end, as the uninstall worker does.
    Worker steps([&] {
        for (int width : {316, 474}) bar->SetAttribute(L"width", std::to_wstring(width).c_str());
        page.ShowWindow(true, false);
    });
    ASSERT_TRUE(steps.PumpUntilDone());
    EXPECT_EQ(bar->GetPos().right, 14 + 474);
    EXPECT_TRUE(Shown(page.GetHWND()));
}

TEST(Threads, NothingDeadlocksWhileTheInterfaceThreadIsBlocked)
{
    SkinArchive skin({{"Progress.xml", kProgress}});
    TestWindow frame(L"Progress.xml");
    ASSERT_NE(frame.Open(), nullptr);
    TestWindow page(L"Progress.xml");
    ASSERT_NE(page.Open(frame.GetHWND(), 5, 31, 506, 360, true), nullptr);
    CControlUI* bar = page.Find(L"progressbar");
    ASSERT_NE(bar, nullptr);

    std::atomic<int> steps(0);
    CStdString seen;
    Worker worker([&] {
        for (int width = 2; width <= 474; ++width) {
            bar->SetAttribute(L"width", std::to_wstring(width).c_str());
            ++steps;
        }
        seen = page.Find(L"status")->GetText();
        page.Find(L"status")->SetText(L"第二步");
        page.Find(L"cancelbtn")->SetEnabled(false);
        page.Find(L"cancelbtn")->SetVisible(false);
        static_cast<CButtonUI*>(page.Find(L"cancelbtn"))->SetNormalImage(L"file='x.png'");
        page.ShowWindow(false);
        frame.PostMessage(WM_NULL);
    });
    // The interface thread does not dispatch anything while it waits.
    ASSERT_EQ(WaitForSingleObject(worker.Handle(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(steps.load(), 473);
    EXPECT_EQ(seen, L"VELT电子日历正在卸载中。。。");
    // Nothing was applied yet: it all waits for this thread.
    EXPECT_EQ(bar->GetPos().right, 15);
    EXPECT_TRUE(page.Find(L"cancelbtn")->IsVisible());
    EXPECT_TRUE(Shown(page.GetHWND()));
    duitest::Pump();
    EXPECT_EQ(bar->GetPos().right, 14 + 474);
    EXPECT_EQ(page.Find(L"status")->GetText(), L"第二步");
    EXPECT_FALSE(page.Find(L"cancelbtn")->IsEnabled());
    EXPECT_FALSE(page.Find(L"cancelbtn")->IsVisible());
    EXPECT_STREQ(static_cast<CButtonUI*>(page.Find(L"cancelbtn"))->GetNormalImage(), L"file='x.png'");
    EXPECT_FALSE(Shown(page.GetHWND()));
}
