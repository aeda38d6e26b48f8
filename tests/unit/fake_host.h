// A stand-in for the host client on the fake platform: its window classes and how it
// answers what pellowick types.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"

namespace pw::fake {

// The host client's usual window tree: frame › MDI client › Welcome + one chat room
// (transcript, input box and the other parts), and the toolbar chain to the address
// box. Enter in the input box posts its text; Enter in the address box records the link.
struct FakeHost {
    explicit FakeHost(FakePlatform& p, bool signedOn = true, bool inRoom = true);
    FakePlatform& p;
    Hwnd frame = 0, mdi = 0, welcome = 0, room = 0, input = 0, address = 0;
    std::vector<std::string> posts;  // UTF-8 lines posted to the room
    std::function<void(const std::string& line)> onPost;
    std::vector<std::string> links;  // ANSI texts run from the address box
    // Attempt number (1-based) at which a link opens a room; 0 never.
    int roomOnAttempt = 1;
    Hwnd OpenRoom(const std::string& caption);
    void CloseRoom();
    // The host's one thread stops answering for `seconds` of simulated time, from now.
    void Stall(double seconds);
};

}  // namespace pw::fake
