// The event log: one line per thing the host client saw or did, for tests to read
// while the program runs.
//
// Line format: <ms since start> TAB <event> TAB <target> TAB <payload> LF.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "hostsim/win_util.h"

namespace hostsim {

class EventLog {
  public:
    EventLog();  // the clock starts here; until Open, events are dropped
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Appends to the file at path (created when missing); false with GetLastError set.
    bool Open(const std::string& path);

    // payload is written as given ("-" when the event has none).
    void Write(std::string_view event, std::string_view target, std::string_view payload);
    // The payload is bytes received from outside: it is escaped first.
    void WriteBytes(std::string_view event, std::string_view target, std::string_view bytes);

    std::uint64_t ElapsedMs() const;

  private:
    std::chrono::steady_clock::time_point start_;
    UniqueHandle file_;
};

}  // namespace hostsim
