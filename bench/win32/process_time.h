// Seconds since this process was created, for the start-up figures of the program and
// of its floor, measured the same way.
#pragma once

#include <windows.h>

inline double FileTimeSeconds(const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
}

inline double SecondsSinceCreation() {
    FILETIME now, created, exited, kernel, user;
    GetSystemTimePreciseAsFileTime(&now);
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return FileTimeSeconds(now) - FileTimeSeconds(created);
}
