#pragma once

#include <string_view>

// The maker's addresses that the program uses, in one place.

// The version document that the update check reads.
inline constexpr std::string_view UPDATE_VERSION_URL
    = "https://www.velloran.example/update/tessaly/version.xml";
// Where the setup program of the newest version is downloaded; opened with the default handler.
inline constexpr std::string_view UPDATE_DOWNLOAD_URL = "https://www.velloran.example/download/tessaly/";
// The maker's web address, sent as the HTTP user agent of the update check.
inline constexpr std::string_view UPDATE_AGENT = "https://www.velloran.example/";
