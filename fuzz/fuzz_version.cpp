// Fuzz target for what the update check reads from outside: the version document, whole and cut to
// the bytes the checker reads, and the history file's date.
//
// Checked beyond memory safety: a version read is two bytes per id and its text gives the same ids
// back; a history date prints as a text that reads back as the same date, and the seven-day rule
// holds around it.

#include "update/UpdateHistory.h"
#include "update/VersionDocument.h"
#include "update/VersionNumber.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_version: %s\n", what);
        std::abort();
    }
}

void CheckVersion(std::string_view document)
{
    const auto info = ParseVersionDocument(document, "Tessaly");
    if (!info)
        return;
    Check(info->MajorId >= 0 && info->MajorId <= 0xFFFF && info->MinorId >= 0 && info->MinorId <= 0xFFFF,
        "version id out of range");
    unsigned a = 0, b = 0, c = 0, d = 0;
    const std::string text = VersionText(info->MajorId, info->MinorId);
    Check(std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) == 4, "version text unreadable");
    Check(static_cast<std::int32_t>(a * 256 + b) == info->MajorId
            && static_cast<std::int32_t>(c * 256 + d) == info->MinorId,
        "version text does not give the ids back");
    const auto id = VersionIdFromText(std::to_string(info->MajorId));
    Check(id && *id == info->MajorId, "version id does not read back");
}

void CheckHistory(std::string_view text)
{
    const auto date = HistoryDateFromText(text);
    if (!date)
        return;
    const std::string printed = HistoryDateText(*date);
    Check(HistoryDateFromText(printed) == date, "history date does not read back");
    Check(!IsCheckDueOn(printed, *date, 7), "due on the day of the check");
    Check(!IsCheckDueOn(printed, *date + std::chrono::days(6), 7), "due after six days");
    Check(IsCheckDueOn(printed, *date + std::chrono::days(7), 7), "not due after seven days");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckVersion(input);
    if (input.size() > VERSION_DOCUMENT_BYTES)
        CheckVersion(input.substr(0, VERSION_DOCUMENT_BYTES));
    CheckHistory(input.substr(0, 100));
    return 0;
}
