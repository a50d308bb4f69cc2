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
    // What the page shows: the bar's right edge, the status, the cancel
    // button (enabled, visible, its normal image) and whether the page
    // itself is shown.
    auto shows = [&] {
        const bool shown = (GetWindowLongW(page.GetHWND(), GWL_STYLE) & WS_VISIBLE) != 0;
        return std::to_wstring(bar->GetPos().right) + L" " + status->GetText().GetData() +
               (cancel->IsEnabled() ? L" enabled" : L" disabled") + (cancel->IsVisible() ? L" visible " : L" hidden ") +
               cancel->GetNormalImage() + (shown ? L" shown" : L" hidden");
    };
    const std::wstring before = L"15 VELT电子日历正在卸载中。。。 enabled visible  shown";
    ASSERT_EQ(shows(), before);

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
    EXPECT_EQ(shows(), before);
    skinshot::PumpPending();
    EXPECT_EQ(shows(), L"488 第二步 disabled hidden file='x.png' hidden");

    // Now this thread pumps while it waits: the worker's changes show when
    // it has ended.
    ASSERT_TRUE(RunPumping([&] {
        bar->SetAttribute(L"width", L"158");
        status->SetText(L"done");
        cancel->SetVisible(true);
        page.ShowWindow(true, false);
    }));
    EXPECT_EQ(shows(), L"172 done disabled visible file='x.png' shown");
    // Step by step to the end, as the uninstall worker does.
    ASSERT_TRUE(RunPumping([&] {
        for (int width : {316, 474}) bar->SetAttribute(L"width", std::to_wstring(width).c_str());
        page.ShowWindow(false);
    }));
    EXPECT_EQ(shows(), L"488 done disabled visible file='x.png' hidden");
}
