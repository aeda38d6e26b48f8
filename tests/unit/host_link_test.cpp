// The connection to the host client: finding its windows, reading and typing, a host
// that stops answering for a while, and the waits between actions.
#include "app_fixture.h"
#include "host/bridge.h"
#include "idling/announce.h"
#include "platform/pause.h"

namespace pw {
namespace {

using fake::FakeHost;
using fake::FakePlatform;
using fake::Message;
using testing::App;

constexpr double kBound = kHostAnswerMs / 1000.0;
constexpr double kProbe = kSilentProbeMs / 1000.0;

Hwnd AddRoomLike(FakePlatform& p, Hwnd mdi, std::vector<const char*> parts, bool top = true) {
    Hwnd w = top ? p.AddWindowOnTop(mdi, "AOL Child", "Room") : p.AddWindow(mdi, "AOL Child", "Room");
    for (const char* cls : parts)
        p.AddWindow(w, cls);
    return w;
}

TEST(Discovery, NothingRunningIsNoError) {
    FakePlatform p;
    HostLink link(p, kLineStart);
    EXPECT_EQ(FindHostFrame(p), 0u);
    EXPECT_EQ(FindChatRoom(p), 0u);
    EXPECT_EQ(FindChatInput(p), 0u);
    EXPECT_EQ(link.GetText(0), "");
    EXPECT_EQ(link.GetScreenName(), "");
    EXPECT_EQ(link.SendChat("abc"), HostLink::Sent::Unsent);
    link.RunKeyword("abc");
    link.MinimizeHost();
    EXPECT_TRUE(p.messages.empty());
}

TEST(Discovery, TopmostRoomWinsAndItsPartsMustBeDirectChildren) {
    FakePlatform p;
    FakeHost host(p, true, false);
    // A room with one rich control has no input box.
    Hwnd single =
        AddRoomLike(p, host.mdi, {"RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox", "_AOL_Static"});
    EXPECT_EQ(FindChatRoom(p), single);
    EXPECT_EQ(FindChatInput(p), 0u);
    Hwnd lower = host.OpenRoom("Lobby");
    Hwnd upper = host.OpenRoom("Second");
    EXPECT_EQ(FindChatRoom(p), upper);
    EXPECT_EQ(FindChatInput(p), host.input);
    // Documents above the rooms that lack a part (or hold it only as a grandchild) are skipped.
    AddRoomLike(p, host.mdi, {"RICHCNTL", "RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox"});
    Hwnd nested = AddRoomLike(p, host.mdi, {"RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox"});
    p.AddWindow(p.FindChildWindow(nested, 0, "_AOL_Icon"), "_AOL_Static");
    EXPECT_EQ(FindChatRoom(p), upper);
    p.RemoveWindow(upper);
    EXPECT_EQ(FindChatRoom(p), lower);
}

TEST(Discovery, ScreenNameFromTheWelcomeCaption) {
    struct Case {
        const char* caption;
        const char* name;
    } cases[] = {
        {"Welcome, Name1!", "Name1"},   {"Welcome, Name1! Hi!", "Name1"}, {"Welcome, !", ""},
        {"Hello. Welcome, Name1!", ""}, {"welcome, Name1!", ""},          {"Welcome, NoBang", "NoBang"},
    };
    for (auto& c : cases) {
        FakePlatform p;
        FakeHost host(p, false);
        HostLink link(p, kLineStart);
        p.AddWindow(host.mdi, "AOL Child", c.caption);  // below the room, not the topmost document
        EXPECT_EQ(link.GetScreenName(), c.name) << c.caption;
    }
}

// A host that stops answering: the first message waits the full bound, the next ones
// only probe, and a read tells "no answer" from "no text" and from "no window".
TEST(HostLink, ReadsAreBoundedAndTellNoAnswerFromNoText) {
    FakePlatform p;
    FakeHost host(p);
    HostLink link(p, kLineStart);
    p.At(host.room).lyingLength = 1LL << 40;
    EXPECT_EQ(link.GetText(host.room), "Lobby 1");
    ASSERT_EQ(p.messages.size(), 2u);
    EXPECT_LE(p.messages[1].code, kMaxHostText + 1);  // the buffer offered, whatever the length said

    host.Stall(5);
    double start = p.now;
    EXPECT_EQ(link.ReadText(host.room), std::nullopt);
    EXPECT_NEAR(p.now - start, kBound, 1e-9);
    p.now += kBound;  // the host is left alone as long as it was waited for
    start = p.now;
    EXPECT_EQ(link.ReadText(host.room), std::nullopt);
    EXPECT_NEAR(p.now - start, kProbe, 1e-9);
    EXPECT_TRUE(link.Silent());
    EXPECT_EQ(link.GetText(host.room), "");
    EXPECT_EQ(link.ReadText(0), "");
    p.now += 5;
    EXPECT_EQ(link.ReadText(host.room), "Lobby 1");
    EXPECT_EQ(link.SilentFor(), 0);
    Hwnd room = host.room;
    host.CloseRoom();
    EXPECT_EQ(link.ReadText(room), "");
}

TEST(HostLink, ScreenNameSearchSharesOneWait) {
    for (bool welcomeAnswers : {false, true}) {
        SCOPED_TRACE(welcomeAnswers);
        FakePlatform p;
        FakeHost host(p);
        HostLink link(p, kLineStart);
        for (int i = 0; i < 20; ++i) {
            p.AddWindowOnTop(host.mdi, "AOL Child", "Doc");
            p.At(p.AddWindow(host.mdi, "AOL Child", "Doc")).silentUntil = p.now + 100;
        }
        if (!welcomeAnswers) host.Stall(100);
        const double start = p.now;
        EXPECT_EQ(link.ReadScreenName(),
                  welcomeAnswers ? std::optional<std::string>("Tester") : std::nullopt);
        EXPECT_LE(p.now - start, kBound + 0.01);
    }
}

// A line goes out as ANSI text then Enter; what the user was typing comes back after it.
TEST(HostLink, SendChatTypesTheLineThenPutsBackTheUsersText) {
    FakePlatform p;
    FakeHost host(p);
    HostLink link(p, kLineStart);
    p.At(host.input).text = "half typed";
    p.messages.clear();
    std::string putBack;
    EXPECT_EQ(link.SendChat("a\xC2\xB7"
                            "b",
                            &putBack),
              HostLink::Sent::Posted);
    const std::vector<Message> sent = {{Message::SetText, host.input,
                                        "a\xB7"
                                        "b"},
                                       {Message::Char, host.input, {}, 13},
                                       {Message::SetText, host.input, "half typed"}};
    std::vector<Message> writes;
    for (const Message& m : p.messages)
        if (m.kind != Message::GetTextLength && m.kind != Message::GetText) writes.push_back(m);
    EXPECT_EQ(writes, sent);
    EXPECT_EQ(host.posts, std::vector<std::string>{"a\xC2\xB7"
                                                   "b"});
    EXPECT_EQ(putBack, "half typed");
    EXPECT_EQ(p.At(host.input).text, "half typed");
    // A line of the program's own left in the box is not the user's text.
    p.At(host.input).text = std::string(kLineStart) + "idle";
    link.SendChat("x", &putBack);
    EXPECT_EQ(putBack, "");
    EXPECT_EQ(p.At(host.input).text, "");
}

TEST(HostLink, RunKeywordTypesIntoTheAddressBoxOnly) {
    FakePlatform p;
    FakeHost host(p);
    HostLink link(p, kLineStart);
    p.messages.clear();
    link.RunKeyword("aol://x");
    std::vector<Message> expected = {{Message::SetText, host.address, "", 0},
                                     {Message::SetText, host.address, "aol://x", 0},
                                     {Message::Char, host.address, {}, 32},
                                     {Message::Char, host.address, {}, 13}};
    EXPECT_EQ(p.messages, expected);
}

// The two boxes a silent host brings: at a start, and after 20 s of silence while idle.
TEST(SilentHost, StartAsksToTryAgainAndALongSilenceEndsThePeriod) {
    for (bool inRoom : {true, false}) {
        App a(true, inRoom);
        a.host.Stall(100);
        const double start = a.p.now;
        a.Click(a.main.picStartUp);
        ASSERT_EQ(a.p.boxes.size(), 1u);
        EXPECT_EQ(a.p.boxes[0].text, "America Online is not responding. Please try again.");
        EXPECT_LE(a.p.boxes[0].at - start, kBound + 0.05);
        EXPECT_TRUE(a.host.links.empty());
        EXPECT_FALSE(a.main.Timer1.Enabled());
    }
    App a;
    a.Click(a.main.picStartUp);
    a.p.RunFor(10);
    const double stalled = a.p.now;
    a.host.Stall(1000);
    a.p.RunFor(30);
    ASSERT_EQ(a.p.boxes.size(), 1u);
    EXPECT_EQ(a.p.boxes[0].text,
              "America Online is not responding.\r\nYou have been forced to cancel your idle state.\r\n"
              "Please restart when America Online responds again.");
    EXPECT_EQ(a.p.boxes[0].title, "Haulted!");
    EXPECT_EQ(a.p.boxes[0].style, 16);
    // Twenty seconds, one fresh full wait for the verdict, and the stop's pause.
    EXPECT_GE(a.p.boxes[0].at - stalled, 20);
    EXPECT_LT(a.p.boxes[0].at - stalled, 20 + 2 * kBound + 1 + 2);
    EXPECT_FALSE(a.main.Timer1.Enabled());
    EXPECT_EQ(a.Idle(), "00/00/00");
}

// How long Pause(s) lasts when called at a given clock reading, and whether it pumped.
struct PauseRun {
    double lasted;
    int pumps;
};
PauseRun RunPause(double at, int seconds) {
    FakePlatform p;
    p.pumpCost = 0.001;
    p.now = at;
    Pause(p, seconds);
    return {p.now - at, p.pumps};
}

TEST(Pause, StartsFromTheRoundedSecondAndCrossesMidnight) {
    EXPECT_NEAR(RunPause(100.4, 1).lasted, 0.6, 0.01);
    EXPECT_NEAR(RunPause(100.6, 1).lasted, 1.4, 0.01);
    EXPECT_NEAR(RunPause(100.5, 1).lasted, 0.5, 0.01);  // ties go to the even second
    EXPECT_NEAR(RunPause(101.5, 1).lasted, 1.5, 0.01);
    EXPECT_EQ(RunPause(100.3, 0).pumps, 0);
    EXPECT_NEAR(RunPause(100.6, 0).lasted, 0.4, 0.01);
    EXPECT_EQ(RunPause(100.6, -5).pumps, 0);
    EXPECT_NEAR(RunPause(86399.2, 2).lasted, 1.8, 0.02);
    EXPECT_NEAR(RunPause(86399.7, 1).lasted, 1.3, 0.02);
}

}  // namespace
}  // namespace pw
