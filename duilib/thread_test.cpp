// Threads: nothing deadlocks when the interface thread is blocked outright
// (the worker's calls never wait for it); and a worker moves the progress
// bar, changes text, shows and hides controls and windows while the
// interface thread waits for it with a message-pumping wait. The layout is
// Progress.xml of duilib/test_skin/.
#include "dui_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

using duitest::TestWindow;

namespace {

// Runs `body` on another thread while this one dispatches its messages;
// true once it has ended (and what it left queued is handled).
template <typename Body>
bool RunPumping(Body body)
{
    std::future<void> done = std::async(std::launch::async, body);
    const bool ended = skinshot::PumpUntil(
        [&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000);
    skinshot::PumpPending();
    return ended;
}

} // namespace

// A progress page shown inside its hidden frame, as the programs' workers
// find it.
TEST(Threads, NothingDeadlocksWhileTheInterfaceThreadIsBlockedAndAWorkerChangesThePageWhileItPumps)
{
    ASSERT_TRUE(duitest::UseSkin(L"DuiTest.dat"));
    TestWindow frame(L"Progress.xml"), page(L"Progress.xml");
    ASSERT_NE(frame.Open(), nullptr);
    ASSERT_NE(page.Open(frame.GetHWND(), 5, 31, 506, 360, true), nullptr);
    CControlUI *bar = page.Find(L"progressbar"), *status = page.Find(L"status");
    auto* cancel = page.Find<CButtonUI>(L"cancelbtn", L"Button");
    ASSERT_TRUE(bar && status && cancel);
    ASSERT_EQ(bar->GetPos().right, 15);
    // The page's own shown state.
    auto shown = [&] { return (GetWindowLongW(page.GetHWND(), GWL_STYLE) & WS_VISIBLE) != 0; };
    ASSERT_TRUE(shown());

    std::atomic<int> steps(0);
    CStdString seen;
    std::future<void> worker = std::async(std::launch::async, [&] {
        for (int width = 2; width <= 474; ++width, ++steps) bar->SetAttribute(L"width", std::to_wstring(width).c_str());
        seen = status->GetText();
        status->SetText(L"第二步");
        cancel->SetEnabled(false);
        cancel->SetVisible(false);
        cancel->SetNormalImage(L"file='x.png'");
        page.ShowWindow(false);
        frame.PostMessage(WM_NULL);
    });
    // The interface thread does not dispatch anything while it waits.
    ASSERT_EQ(worker.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(steps.load(), 473);
    EXPECT_EQ(seen, L"VELT电子日历正在卸载中。。。");
    // Nothing was applied yet: it all waits for this thread.
    EXPECT_EQ(bar->GetPos().right, 15);
    EXPECT_TRUE(cancel->IsVisible());
    EXPECT_TRUE(shown());
    skinshot::PumpPending();
    EXPECT_EQ(bar->GetPos().right, 14 + 474);
    EXPECT_EQ(status->GetText(), L"第二步");
    EXPECT_FALSE(cancel->IsEnabled());
    EXPECT_FALSE(cancel->IsVisible());
    EXPECT_STREQ(cancel->GetNormalImage(), L"file='x.png'");
    EXPECT_FALSE(shown());

    // Now this thread pumps while it waits: the worker's changes show when
    // it has ended.
    ASSERT_TRUE(RunPumping([&] {
        bar->SetAttribute(L"width", L"158");
        status->SetText(L"done");
        cancel->SetVisible(true);
        page.ShowWindow(true, false);
    }));
    EXPECT_EQ(duitest::Pos(bar), "14,122,172,136");
    EXPECT_EQ(status->GetText(), L"done");
    EXPECT_TRUE(cancel->IsVisible());
    EXPECT_TRUE(shown());
    // Step by step to the end, as the uninstall worker does.
    ASSERT_TRUE(RunPumping([&] {
        for (int width : {316, 474}) bar->SetAttribute(L"width", std::to_wstring(width).c_str());
        page.ShowWindow(false);
    }));
    EXPECT_EQ(bar->GetPos().right, 14 + 474);
    EXPECT_FALSE(shown());
}
