#include "fake_host.h"

namespace pw::fake {

FakeHost::FakeHost(FakePlatform& platform, bool signedOn, bool inRoom) : p(platform) {
    frame = p.AddWindow(0, "AOL Frame25", "America Online");
    Hwnd bar = p.AddWindow(frame, "AOL Toolbar");
    Hwnd inner = p.AddWindow(bar, "_AOL_Toolbar");
    Hwnd combo = p.AddWindow(inner, "_AOL_Combobox");
    address = p.AddWindow(combo, "Edit");
    mdi = p.AddWindow(frame, "MDIClient");
    if (signedOn) welcome = p.AddWindow(mdi, "AOL Child", "Welcome, Tester!");
    if (inRoom) OpenRoom("Lobby 1");
    p.At(address).onChar = [this](unsigned ch) {
        if (ch != 13) return;
        links.push_back(p.At(address).text);
        if (roomOnAttempt && static_cast<int>(links.size()) == roomOnAttempt)
            OpenRoom("pellowick " + std::to_string(links.size() - 1));
    };
}

Hwnd FakeHost::OpenRoom(const std::string& caption) {
    room = p.AddWindowOnTop(mdi, "AOL Child", caption);
    p.AddWindow(room, "RICHCNTL");
    input = p.AddWindow(room, "RICHCNTL");
    for (const char* cls : {"_AOL_Listbox", "_AOL_Icon", "_AOL_Combobox", "_AOL_Static"})
        p.AddWindow(room, cls);
    Hwnd box = input;
    p.At(input).onChar = [this, box](unsigned ch) {
        if (ch != 13) return;
        // Like the host client: Enter posts the box's text and empties the box.
        posts.push_back(p.TextFromAnsi(p.At(box).text));
        p.At(box).text.clear();
        if (onPost) onPost(posts.back());
    };
    return room;
}

void FakeHost::Stall(double seconds) {
    std::function<void(Hwnd)> stall = [&](Hwnd w) {
        p.At(w).silentUntil = p.now + seconds;
        for (Hwnd child : p.At(w).children)
            stall(child);
    };
    stall(frame);
}

void FakeHost::CloseRoom() {
    p.RemoveWindow(room);
    room = input = 0;
}

}  // namespace pw::fake
