#include "players/PlayList.h"

#include "persist/TextConversions.h"
#include "players/PlayListObserver.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace players {

namespace {

    // Lengths beyond two days end after midnight whatever the begin; capping them keeps the seconds
    // within 32 bits.
    constexpr std::int64_t maxSeconds = std::int64_t { 2 } * 24 * 60 * 60;

    std::string SegmentText(int segment)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "Segment %d", segment);
        return buffer;
    }

    // The file name of a path. The path separator is '/' here.
    std::string FileNameOf(std::string_view path)
    {
        const std::size_t slash = path.rfind('/');
        return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
    }

    // Whether a row beginning at begin directly follows (one second after) a row ending at end.
    bool Follows(const persist::TimeOfDay& end, const persist::TimeOfDay& begin)
    {
        const persist::TimeOfDay next = end.PlusSeconds(1);
        return !next.NextDay() && next == begin;
    }

} // namespace

persist::TimeOfDay PlayList::BeginTimeOf(int row) const
{
    return IsRow(row) ? persist::TimeOfDay(Row(row).BeginTime) : persist::TimeOfDay();
}

persist::TimeOfDay PlayList::EndTimeOf(int row) const
{
    return IsRow(row) ? persist::TimeOfDay(Row(row).EndTime) : persist::TimeOfDay();
}

int PlayList::SegmentOf(int row) const
{
    if (!IsRow(row))
        return 1;
    std::string_view text = Row(row).Segment;
    constexpr std::string_view word = "Segment";
    if (text.substr(0, word.size()) == word)
        text.remove_prefix(word.size());
    return std::max(1, persist::IntegerFromText(persist::TrimWhiteSpace(text)));
}

persist::TimeOfDay PlayList::EarliestBeginOf(int row) const
{
    return EndTimeOf(row - 1).PlusSeconds(1);
}

bool PlayList::AppendFile(std::string path, std::int64_t durationMs)
{
    const persist::TimeOfDay begin = LastEndTime().PlusSeconds(1);
    return AppendRow(std::move(path), durationMs, begin, begin.Text());
}

AppendResult PlayList::AppendFileAt(
    std::string path, std::int64_t durationMs, std::string_view beginText, std::string missingReason)
{
    persist::TimeOfDay begin = LastEndTime().PlusSeconds(1);
    std::string text = begin.Text();
    if (!beginText.empty()) {
        const persist::TimeOfDay stored(beginText);
        if (!stored.Valid())
            return AppendResult::InvalidBegin;
        if (!(stored < LastEndTime())) {
            begin = stored;
            text = beginText;
        }
    }
    return AppendRow(std::move(path), durationMs, begin, std::move(text), std::move(missingReason))
        ? AppendResult::Appended
        : AppendResult::PastMidnight;
}

bool PlayList::AppendRow(std::string path, std::int64_t durationMs, const persist::TimeOfDay& begin,
    std::string beginText, std::string missingReason)
{
    durationMs = std::max<std::int64_t>(durationMs, 1000);
    persist::TimeOfDay end = begin;
    end.AddSeconds(static_cast<std::uint32_t>(std::min(durationMs / 1000, maxSeconds)));
    if (end.NextDay())
        return false;

    PlayListEntry entry;
    entry.File = FileNameOf(path);
    entry.Duration = persist::DurationText(durationMs);
    entry.BeginTime = std::move(beginText);
    entry.EndTime = end.Text();
    int segment = 1;
    if (!m_rows.empty()) {
        const int previous = RowCount() - 1;
        segment = SegmentOf(previous) + (Follows(EndTimeOf(previous), begin) ? 0 : 1);
    }
    entry.Segment = SegmentText(segment);
    entry.Path = std::move(path);
    entry.MissingReason = std::move(missingReason);

    const int row = RowCount();
    if (m_observer)
        m_observer->RowsAboutToBeInserted(row, row);
    m_rows.push_back(std::move(entry));
    ++m_revision;
    if (m_observer)
        m_observer->RowsInserted(row, row);
    return true;
}

bool PlayList::SetBeginTime(int row, const persist::TimeOfDay& newBegin)
{
    if (!IsRow(row))
        return false;
    if (newBegin.Hour() >= 24 || newBegin.Minute() >= 60 || newBegin.Second() >= 60)
        return false;
    // A fresh value: a next-day flag carried in by the caller must not count against the first row.
    persist::TimeOfDay next(newBegin.Hour(), newBegin.Minute(), newBegin.Second());
    if (next < EarliestBeginOf(row) || next == BeginTimeOf(row))
        return false;

    int lastChanged = row - 1;
    int removeFrom = -1;
    for (int i = row; i < RowCount(); ++i) {
        PlayListEntry& entry = MutableRow(i);
        entry.BeginTime = next.Text();
        next.AddTime(entry.Duration);
        if (next.NextDay()) {
            removeFrom = i;
            break;
        }
        const persist::TimeOfDay oldEnd(entry.EndTime);
        const persist::TimeOfDay nextBegin = BeginTimeOf(i + 1);
        entry.EndTime = next.Text();
        next.AddSecond();
        lastChanged = i;
        // The following row moves along when it was contiguous with this one or overlapped it, or
        // when this row now reaches into it. A row ending at 23:59:59 pushes every later row past
        // midnight; the wrapped time must not be compared as an early time of the same day.
        const bool wasJoined = oldEnd.PlusSeconds(1) >= nextBegin;
        if (!wasJoined && !next.NextDay() && next < nextBegin)
            break;
    }
    if (lastChanged >= row)
        NotifyChanged(row, lastChanged);
    if (removeFrom >= 0)
        RemoveFrom(removeFrom);
    RenumberSegments();
    return true;
}

void PlayList::MoveSelectedUp()
{
    for (int row = FirstSelectedRow(); row >= 0;) {
        // Found before the move, which may carry a selection into this row.
        const int nextSelected = NextSelectedRow(row);
        if (row > 0)
            (void)SwapWithNext(row - 1);
        row = nextSelected;
    }
}

void PlayList::MoveSelectedDown()
{
    for (int row = RowCount() - 2; row >= 0; --row) {
        if (IsSelected(row))
            (void)SwapWithNext(row);
    }
}

bool PlayList::SwapWithNext(int row)
{
    const int a = row;
    const int b = row + 1;
    if (!IsRow(a) || !IsRow(b) || !Follows(EndTimeOf(a), BeginTimeOf(b)))
        return false;

    PlayListEntry& first = MutableRow(a);
    PlayListEntry& second = MutableRow(b);
    persist::TimeOfDay firstEnd = BeginTimeOf(a);
    firstEnd.AddTime(second.Duration);
    persist::TimeOfDay secondBegin = firstEnd.PlusSeconds(1);
    persist::TimeOfDay secondEnd = secondBegin;
    secondEnd.AddTime(first.Duration);

    std::swap(first.File, second.File);
    std::swap(first.Duration, second.Duration);
    std::swap(first.Path, second.Path);
    std::swap(first.MissingReason, second.MissingReason);
    std::swap(first.Selected, second.Selected);
    first.EndTime = firstEnd.Text();
    second.BeginTime = secondBegin.Text();
    second.EndTime = secondEnd.Text();
    NotifyChanged(a, b);
    return true;
}

void PlayList::RenumberSegments()
{
    int segment = 1;
    int firstChanged = -1;
    int lastChanged = -1;
    for (int i = 0; i < RowCount(); ++i) {
        std::string text = SegmentText(segment);
        if (MutableRow(i).Segment != text) {
            MutableRow(i).Segment = std::move(text);
            if (firstChanged < 0)
                firstChanged = i;
            lastChanged = i;
        }
        if (!Follows(EndTimeOf(i), BeginTimeOf(i + 1)))
            ++segment;
    }
    if (firstChanged >= 0)
        NotifyChanged(firstChanged, lastChanged);
    if (m_observer)
        m_observer->RegroupNeeded();
}

void PlayList::RemoveSelected()
{
    for (int first = FirstSelectedRow(); first >= 0; first = FirstSelectedRow()) {
        int last = first;
        while (IsSelected(last + 1))
            ++last;
        RemoveRows(first, last);
    }
}

void PlayList::ClearAll()
{
    RemoveRows(0, RowCount() - 1);
}

void PlayList::TakeRows(PlayList& source)
{
    if (&source == this)
        return;
    ClearAll();
    if (source.Empty())
        return;
    const int last = source.RowCount() - 1;
    if (source.m_observer)
        source.m_observer->RowsAboutToBeRemoved(0, last);
    std::vector<PlayListEntry> rows;
    rows.swap(source.m_rows);
    ++source.m_revision;
    if (source.m_observer)
        source.m_observer->RowsRemoved(0, last);

    if (m_observer)
        m_observer->RowsAboutToBeInserted(0, last);
    m_rows = std::move(rows);
    ++m_revision;
    if (m_observer)
        m_observer->RowsInserted(0, last);
}

void PlayList::RemoveFrom(int row)
{
    RemoveRows(std::max(row, 0), RowCount() - 1);
}

void PlayList::RemoveRows(int first, int last)
{
    if (first > last || !IsRow(first) || !IsRow(last))
        return;
    if (m_observer)
        m_observer->RowsAboutToBeRemoved(first, last);
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
    ++m_revision;
    if (m_observer)
        m_observer->RowsRemoved(first, last);
}

void PlayList::SetSelected(int row, bool selected)
{
    if (!IsRow(row) || Row(row).Selected == selected)
        return;
    MutableRow(row).Selected = selected;
    NotifyChanged(row, row);
}

void PlayList::ClearSelection()
{
    for (int row = FirstSelectedRow(); row >= 0; row = NextSelectedRow(row))
        SetSelected(row, false);
}

int PlayList::NextSelectedRow(int after) const
{
    for (int row = std::max(after + 1, 0); row < RowCount(); ++row) {
        if (Row(row).Selected)
            return row;
    }
    return -1;
}

std::vector<int> PlayList::SelectedRows() const
{
    std::vector<int> rows;
    for (int row = FirstSelectedRow(); row >= 0; row = NextSelectedRow(row))
        rows.push_back(row);
    return rows;
}

void PlayList::SetChecked(int row, bool checked)
{
    if (!IsRow(row) || Row(row).Checked == checked)
        return;
    MutableRow(row).Checked = checked;
    NotifyChanged(row, row);
}

void PlayList::SetMissingReason(int row, std::string_view reason)
{
    if (!IsRow(row) || Row(row).MissingReason == reason)
        return;
    MutableRow(row).MissingReason = std::string(reason);
    NotifyChanged(row, row);
}

void PlayList::NotifyChanged(int first, int last)
{
    ++m_revision;
    if (m_observer)
        m_observer->RowsChanged(first, last);
}

} // namespace players
