// skinpack OUTPUT FILE...
//
// Packs the files into the skin package OUTPUT, in the order given, each under its file name
// (the path's last component). The package is written completely or not at all.

#include "SkinPackageWriter.h"

#include "persist/AtomicFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        return false;
    bytes = std::move(content).str();
    return true;
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: skinpack OUTPUT FILE...\n");
        return 2;
    }
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::vector<SkinPackageEntry> entries;
    for (auto input = arguments.begin() + 1; input != arguments.end(); ++input) {
        SkinPackageEntry entry;
        entry.name = BaseName(*input);
        if (!ReadWholeFile(*input, entry.bytes)) {
            std::fprintf(stderr, "skinpack: cannot read %s\n", input->c_str());
            return 1;
        }
        entries.push_back(std::move(entry));
    }
    std::string package;
    std::string error;
    if (!BuildSkinPackage(entries, package, error)) {
        std::fprintf(stderr, "skinpack: %s\n", error.c_str());
        return 1;
    }
    if (!persist::WriteFileAtomically(arguments.front(), package)) {
        std::fprintf(stderr, "skinpack: cannot write %s\n", arguments.front().c_str());
        return 1;
    }
    return 0;
}
