// hostsim: a stand-in for the host chat client, for demos and end-to-end tests.
// It builds the host client's window tree, reacts to typed text and links as the host
// does, and logs every event so that a test can check what reached it.
#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "hostsim/event_log.h"
#include "hostsim/host_app.h"
#include "hostsim/options.h"
#include "hostsim/win_util.h"

namespace hostsim {
namespace {

// The arguments after the program name, in the ANSI code page.
std::vector<std::string> CommandLineArgs() {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i)
        args.emplace_back(__argv[i]);
    return args;
}

// "ready <frame handle>\n", written beside the target and renamed, so a reader never sees half of it.
bool WriteReadyFile(const std::string& path, HWND frame) {
    const std::string temp = path + ".tmp";
    const std::string text = "ready " + std::to_string(reinterpret_cast<std::uintptr_t>(frame)) + "\n";
    {
        UniqueHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.valid() ||
            !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size()) {
            return false;
        }
    }
    return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

int Run(HINSTANCE instance) {
    EventLog log;  // the clock for every logged time starts now
    const ParseResult parsed = ParseOptions(CommandLineArgs());
    if (!parsed.options) {
        PrintError("hostsim: " + parsed.error + "\n" + UsageText());
        return 2;
    }
    const Options& options = *parsed.options;
    if (!options.log_path.empty() && !log.Open(options.log_path)) {
        PrintError("hostsim: cannot open the log " + options.log_path + ": " + LastErrorText() + "\n");
        return 1;
    }
    log.Write("START", "app", std::to_string(GetCurrentProcessId()));

    HostApp app(options, log);
    std::string error;
    if (!app.Build(instance, error)) {
        PrintError("hostsim: " + error + "\n");
        return 1;
    }
    if (!options.ready_path.empty() && !WriteReadyFile(options.ready_path, app.frame())) {
        PrintError("hostsim: cannot write " + options.ready_path + ": " + LastErrorText() + "\n");
        return 1;
    }
    const int exit_code = app.RunMessageLoop();
    log.Write("EXIT", "app", "-");
    return exit_code;
}

}  // namespace
}  // namespace hostsim

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return hostsim::Run(instance);
    } catch (const std::bad_alloc&) {
        hostsim::PrintError("hostsim: out of memory\n");
        return 1;
    } catch (...) {
        hostsim::PrintError("hostsim: unexpected failure\n");
        return 1;
    }
}
