#include "hostsim/event_log.h"

#include "hostsim/text.h"

namespace hostsim {

EventLog::EventLog() : start_(std::chrono::steady_clock::now()) {}

bool EventLog::Open(const std::string& path) {
    // Append-only access: every write lands at the end even if another writer shares the file.
    file_.Reset(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_.valid();
}

void EventLog::Write(std::string_view event, std::string_view target, std::string_view payload) {
    if (!file_.valid()) return;
    std::string line = std::to_string(ElapsedMs());
    line.append("\t").append(event).append("\t").append(target).append("\t").append(payload).append("\n");
    // One unbuffered write per line: readers never see half a line, and nothing waits in a buffer.
    DWORD written = 0;
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void EventLog::WriteBytes(std::string_view event, std::string_view target, std::string_view bytes) {
    Write(event, target, EscapeBytes(bytes));
}

std::uint64_t EventLog::ElapsedMs() const {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace hostsim
