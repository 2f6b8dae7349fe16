#pragma once

// A time's local time of day as "hh:mm:ss", as play lists store a row's begin time. Header-only, so
// that the benchmarks that build on the tests' helpers need no library for it.

#include <cstdio>
#include <ctime>
#include <string>

inline std::string ClockText(std::time_t time)
{
    std::tm local {};
    localtime_r(&time, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}
