// pellowick against a hostsim that stops answering for a few seconds and then goes
// on: a busy host is not a host that left.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

#include "host/bridge.h"
#include "platform/pause.h"
#include "tests/win32/hostsim_process.h"
#include "tests/win32/tools/test_platform.h"
#include "ui/frm_main.h"

#include <windows.h>

namespace pw {
namespace {

using test::Has;
using test::HostSimProcess;
using test::Payloads;
using Clock = std::chrono::steady_clock;

// A hostsim with a stall file, and pellowick's main window over it, idle.
class HostStall : public testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        stallFile_ = ToUtf8(temp) + "pw_stall_" + std::to_string(GetCurrentProcessId());
        DeleteFileW(ToUtf16(stallFile_).c_str());
        host_ = std::make_unique<HostSimProcess>(std::vector<std::string>{"--stall-file", stallFile_});
        p_.programFolder = root_ = "C:\\pw_stall_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryW(ToUtf16(root_).c_str(), nullptr);
        main_ = std::make_unique<FrmMain>(p_);
        // Hold the timer ticks' durations: no tick may wait long on a silent host.
        main_->Timer1.Tick.Wrap([this](const auto& tick) {
            auto start = Clock::now();
            tick();
            longestTick_ =
                std::max(longestTick_, std::chrono::duration<double>(Clock::now() - start).count());
        });
        if (!StartsByClick()) return;
        main_->Controller().picStartUp_Click();
        ASSERT_TRUE(main_->Timer1.Enabled());
        ASSERT_TRUE(host_->WaitForLog(Has("POST"), 10));
    }
    virtual bool StartsByClick() const { return true; }
    void TearDown() override {
        main_.reset();
        host_.reset();
        DeleteFileW(ToUtf16(stallFile_).c_str());
        DeleteFileW(ToUtf16(root_ + "\\pwick.dat").c_str());
        RemoveDirectoryW(ToUtf16(root_).c_str());
    }
    // The host stops answering for `ms`, from about now.
    void Stall(unsigned ms) {
        const std::wstring staged = ToUtf16(stallFile_ + ".tmp");
        test::WriteWholeFile(staged, std::to_string(ms));
        MoveFileExW(staged.c_str(), ToUtf16(stallFile_).c_str(), MOVEFILE_REPLACE_EXISTING);
        ASSERT_TRUE(host_->WaitForLog(Has("STALL"), 10));
    }

    // Runs the event loop until `done`, for at most `seconds`.
    bool RunUntil(const std::function<bool()>& done, double seconds) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (!done() && Clock::now() < end) {
            p_.PumpEvents();
            p_.WaitForEvents(0.05);
        }
        return done();
    }
    std::size_t Posts() { return Payloads(host_->Log(), "POST").size(); }

    test::TestPlatform p_;
    std::string stallFile_, root_;
    std::unique_ptr<HostSimProcess> host_;
    std::unique_ptr<FrmMain> main_;
    double longestTick_ = 0;
};

TEST_F(HostStall, FourSecondsWhileIdleLeaveNoTrace) {
    Stall(4000);
    Pause(p_, 8);  // the stall and a few seconds after it, ticking
    EXPECT_TRUE(host_->WaitForLog(Has("RESUME"), 1));
    EXPECT_TRUE(p_.boxes.empty());
    EXPECT_TRUE(main_->Timer1.Enabled());
    EXPECT_GE(CaptionValue(main_->lblSeconds.Caption()), 4);
    EXPECT_LT(longestTick_, kHostAnswerMs / 1000.0 + 1.5);
    EXPECT_EQ(Payloads(host_->Log(), "POST").size(), 1u);  // "now idle" only

    main_->Controller().picStopUp_Click();
    ASSERT_TRUE(host_->WaitForLog([](auto& log) { return Payloads(log, "POST").size() == 2; }, 10));
    EXPECT_NE(Payloads(host_->Log(), "POST").back().find("not idle"), std::string::npos);
}

TEST_F(HostStall, AStopDuringAStallPostsNotIdleAfterIt) {
    Stall(5000);
    main_->Controller().picStopUp_Click();
    EXPECT_FALSE(main_->Timer1.Enabled());
    ASSERT_TRUE(host_->WaitForLog([](auto& log) { return Payloads(log, "POST").size() == 2; }, 10));
    EXPECT_NE(Payloads(host_->Log(), "POST").back().find("not idle"), std::string::npos);
    EXPECT_TRUE(p_.boxes.empty());
}

// Automatic idle starts the period; the user comes back typing into the chat box.
class AutoIdleOverHost : public HostStall {
    bool StartsByClick() const override { return false; }
};

TEST_F(AutoIdleOverHost, TypingEndsThePeriodAndTheTextStays) {
    p_.lastInput = GetTickCount() - 301'000;  // away five minutes and a second
    main_->Auto().Choose(5);
    ASSERT_TRUE(RunUntil([&] { return main_->Timer1.Enabled() && Posts() == 1; }, 10));
    EXPECT_NE(Payloads(host_->Log(), "POST").back().find("now idle"), std::string::npos);

    const Hwnd input = FindChatInput(p_);
    ASSERT_TRUE(p_.SendSetText(input, "back ag", kHostAnswerMs));
    p_.lastInput = GetTickCount();
    ASSERT_TRUE(RunUntil([&] { return !main_->Timer1.Enabled() && Posts() == 2; }, 10));
    EXPECT_NE(Payloads(host_->Log(), "POST").back().find("not idle"), std::string::npos);
    RunUntil([&] { return !main_->Controller().Stopping(); }, 5);
    EXPECT_EQ(HostLink(p_, "").GetText(input), "back ag");
    EXPECT_TRUE(p_.boxes.empty());
}

}  // namespace
}  // namespace pw
