#pragma once

#include <string>
#include <vector>

// One entry of a skin package: its name inside the package and its bytes.
struct SkinPackageEntry {
    std::string name;
    std::string bytes;
};

// Builds the bytes of a skin package holding the entries in the given order, so the same input
// always gives the same package. The unused header words are 0 and every name field is padded
// with NULs.
//
// Refuses, with a message in error, what the reader could not find again or read: an empty name,
// a name of 64 bytes or more (the field needs its NUL), a name holding a NUL, two names that
// differ only in letter case (lookups ignore case, so the second could never be found), and
// more entries or bytes than the format's 32-bit fields hold.
[[nodiscard]] bool BuildSkinPackage(
    const std::vector<SkinPackageEntry>& entries, std::string& package, std::string& error);
