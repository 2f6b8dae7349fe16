#include "storage/ConfigurationFile.h"

#include "control/Sonarel.h"
#include "persist/CalendarDate.h"
#include "persist/TextConversions.h"
#include "persist/Xmlparse.h"
#include "players/Players.h"
#include "storage/FileElements.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

namespace storage {

namespace {

    constexpr std::string_view kVersion = "1.0.0";

    // An attribute's number, truncated toward zero; out-of-range numbers saturate, so that they stay out
    // of range instead of turning into arbitrary values.
    std::int32_t TruncatedNumber(std::string_view text)
    {
        const double value = std::trunc(persist::NumberFromText(text));
        if (std::isnan(value))
            return 0;
        if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
            return std::numeric_limits<std::int32_t>::min();
        if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
            return std::numeric_limits<std::int32_t>::max();
        return static_cast<std::int32_t>(value);
    }

    // "%f": six decimals, and always a '.' whatever the locale of the process, because the reader only
    // understands '.'.
    std::string AmplifyText(float amplify)
    {
        char buffer[64];
        const auto [end, error] = std::to_chars(
            buffer, buffer + sizeof buffer, static_cast<double>(amplify), std::chars_format::fixed, 6);
        if (error != std::errc())
            return "0.000000";
        return std::string(buffer, end);
    }

    // "%d-%d-%d": no zero padding.
    std::string DateText(const persist::CalendarDate& date)
    {
        return std::to_string(static_cast<int>(date.Year())) + "-"
            + std::to_string(static_cast<int>(date.Month())) + "-"
            + std::to_string(static_cast<int>(date.Day()));
    }

    // Bit d + 1 stands for day d (0 = Sunday).
    int WeekMask(const players::SchedulePolicy& policy)
    {
        int mask = 0;
        for (std::size_t day = 0; day < policy.Week.size(); ++day) {
            if (policy.Week[day])
                mask |= 1 << (day + 1);
        }
        return mask;
    }

    // Days off are child elements of Program, which readers of the plain format step over:
    // <Off Date="2026-12-25" Yearly="1"/>.
    bool AddDaysOff(persist::CXmlparse& xml, const players::SchedulePolicy& policy)
    {
        if (policy.DaysOff.empty())
            return true;
        if (!xml.EnterElement())
            return false;
        bool added = true;
        for (const players::DayOff& off : policy.DaysOff) {
            added = xml.AddElement("Off") && xml.SetAttribute("Date", off.Date.Text())
                && xml.SetAttribute("Yearly", off.Yearly ? "1" : "0");
            if (!added)
                break;
        }
        return xml.LeaveElement() && added;
    }

    bool AddProgram(persist::CXmlparse& xml, const players::SchedulePolicy& policy)
    {
        if (!xml.AddElement("Program") || !xml.SetAttribute("Type", std::to_string(policy.Type)))
            return false;
        const bool attributes = policy.Type == players::POLICY_WEEKLY
            ? xml.SetAttribute("Week", std::to_string(WeekMask(policy)))
            : xml.SetAttribute("BeginDate", DateText(policy.BeginDate))
                && xml.SetAttribute("EndDate", DateText(policy.EndDate));
        return attributes && AddDaysOff(xml, policy);
    }

    void ReadDaysOff(persist::CXmlparse& xml, players::SchedulePolicy& policy)
    {
        if (!xml.EnterElement())
            return;
        policy.DaysOff.clear();
        while (xml.FindElement("Off")) {
            const persist::CalendarDate date(xml.GetAttribute("Date"));
            // A date that does not read is left out rather than taken for today.
            if (date.Valid())
                policy.DaysOff.push_back(
                    players::DayOff { date, TruncatedNumber(xml.GetAttribute("Yearly")) == 1 });
        }
        xml.LeaveElement();
    }

    // A step that fails skips the rest of this player only.
    void AddPlayer(persist::CXmlparse& xml, int player, const players::PlayerSlot& slot)
    {
        const players::PlayerSetting& setting = slot.Setting;
        if (!xml.AddElement("Player") || !xml.SetAttribute("ID", std::to_string(player))
            || !xml.SetAttribute("Name", setting.Name) || !xml.SetAttribute("Device", setting.Device)
            || !xml.SetAttribute("Volume", std::to_string(setting.Volume))
            || !xml.SetAttribute("Balance", std::to_string(setting.Balance))
            || !xml.SetAttribute("Amplify", AmplifyText(setting.Amplify))
            || !xml.SetAttribute("Timer", slot.TimerWanted ? "1" : "0")
            || !xml.SetAttribute("Duck", std::to_string(setting.DuckDb))
            || !xml.SetAttribute("Loudness", setting.EvenLoudness ? "1" : "0") || !xml.EnterElement())
            return;
        if (AddProgram(xml, slot.Policy))
            (void)AddFileElements(xml, slot.List);
        xml.LeaveElement();
    }

    void ReadSetting(const persist::CXmlparse& xml, players::PlayerSetting& setting)
    {
        if (std::string name = xml.GetAttribute("Name"); !name.empty())
            setting.Name = std::move(name);
        // Kept whether or not the device is there now: a USB adapter or the sound server may come up
        // after the program, and the player must then play there, never on another zone meanwhile.
        if (std::string device = xml.GetAttribute("Device"); !device.empty())
            setting.Device = std::move(device);
        // A missing Volume or Balance reads as 0, which is in range and therefore taken.
        if (const std::int32_t volume = TruncatedNumber(xml.GetAttribute("Volume"));
            volume >= 0 && volume <= 100)
            setting.Volume = volume;
        if (const std::int32_t balance = TruncatedNumber(xml.GetAttribute("Balance"));
            balance >= -10000 && balance <= 10000)
            setting.Balance = balance;
        if (const auto amplify = static_cast<float>(persist::NumberFromText(xml.GetAttribute("Amplify")));
            amplify >= 1.0f && amplify <= 10.0f)
            setting.Amplify = amplify;
        // Missing in files of other writers: off.
        if (const std::int32_t duck = TruncatedNumber(xml.GetAttribute("Duck")); players::IsDuckDb(duck))
            setting.DuckDb = duck;
        setting.EvenLoudness = TruncatedNumber(xml.GetAttribute("Loudness")) == 1;
    }

    // Reads the Program element among the current parent's children; without one the policy stays.
    void ReadPolicy(persist::CXmlparse& xml, players::SchedulePolicy& policy, std::time_t now)
    {
        if (!xml.FindElement("Program"))
            return;
        ReadDaysOff(xml, policy);
        if (TruncatedNumber(xml.GetAttribute("Type")) == players::POLICY_WEEKLY) {
            policy.Type = players::POLICY_WEEKLY;
            const std::string week = xml.GetAttribute("Week");
            if (!week.empty()) {
                const auto mask = static_cast<std::uint32_t>(TruncatedNumber(week));
                for (std::size_t day = 0; day < policy.Week.size(); ++day)
                    policy.Week[day] = ((mask >> (day + 1)) & 1U) != 0;
            }
            return;
        }
        // The range as stored, also when it has ended: a finished campaign must not play again. Only one
        // that would end before it begins is made one day long.
        policy.Type = players::POLICY_DATE_RANGE;
        const persist::CalendarDate begin = persist::CalendarDate::Parse(xml.GetAttribute("BeginDate"), now);
        persist::CalendarDate end = persist::CalendarDate::Parse(xml.GetAttribute("EndDate"), now);
        if (end < begin)
            end = begin;
        policy.BeginDate = begin;
        policy.EndDate = end;
    }

    void ReadPlayer(persist::CXmlparse& xml, players::Players& players, sonarel::ISonarel& control,
        persist::ILoadProgress& progress, std::time_t now, ConfigurationReadReport& report)
    {
        players::PlayerSlot* slot = players.Find(TruncatedNumber(xml.GetAttribute("ID")));
        if (slot == nullptr)
            return;
        ReadSetting(xml, slot->Setting);
        slot->TimerWanted = TruncatedNumber(xml.GetAttribute("Timer")) == 1;
        if (!xml.EnterElement())
            return;
        ReadPolicy(xml, slot->Policy, now);
        report.DroppedRows
            += ReadFileElements(xml, slot->List, control, progress, UnmeasuredRows::KeepWithStoredLength)
                   .Dropped;
        xml.LeaveElement();
    }

} // namespace

bool ReadConfiguration(const std::string& path, players::Players& players, sonarel::ISonarel& control,
    persist::ILoadProgress& progress, ConfigurationReadReport* report)
{
    return ReadConfiguration(path, players, control, progress, std::time(nullptr), report);
}

bool ReadConfiguration(const std::string& path, players::Players& players, sonarel::ISonarel& control,
    persist::ILoadProgress& progress, std::time_t now, ConfigurationReadReport* report)
{
    persist::CXmlparse xml;
    if (!xml.Load(path) || !xml.FindElement("KVConfig") || !xml.EnterElement())
        return false;
    ConfigurationReadReport found;
    while (xml.FindElement("Player"))
        ReadPlayer(xml, players, control, progress, now, found);
    xml.LeaveElement();
    if (report != nullptr)
        *report = found;
    return true;
}

bool WriteConfiguration(const std::string& path, const players::Players& players)
{
    persist::CXmlparse xml;
    if (!xml.AddElement("KVConfig") || !xml.SetAttribute("Version", kVersion) || !xml.EnterElement())
        return false;
    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        AddPlayer(xml, player, players.Slot(player));
    xml.LeaveElement();
    return xml.Save(path);
}

} // namespace storage
