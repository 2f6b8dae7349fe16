#pragma once

#include "players/PlayList.h"
#include "players/PlayListObserver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Records every notification as a line of text, in order.
class RecordingObserver : public players::PlayListObserver {
public:
    void RowsAboutToBeInserted(int first, int last) override { Add("aboutToInsert", first, last); }
    void RowsInserted(int first, int last) override { Add("inserted", first, last); }
    void RowsAboutToBeRemoved(int first, int last) override { Add("aboutToRemove", first, last); }
    void RowsRemoved(int first, int last) override { Add("removed", first, last); }
    void RowsChanged(int first, int last) override { Add("changed", first, last); }
    void RegroupNeeded() override { calls.emplace_back("regroup"); }

    std::vector<std::string> calls;

private:
    void Add(const char* what, int first, int last)
    {
        calls.push_back(std::string(what) + " " + std::to_string(first) + "-" + std::to_string(last));
    }
};

// Appends a row at a stored begin time and fails the test when it is not placed.
inline void Place(
    players::PlayList& list, const std::string& path, std::int64_t durationMs, const char* begin)
{
    ASSERT_EQ(list.AppendFileAt(path, durationMs, begin), players::AppendResult::Appended)
        << path << " at " << begin;
}

// "begin-end segment" of every row, to compare whole lists at a glance.
inline std::vector<std::string> Layout(const players::PlayList& list)
{
    std::vector<std::string> rows;
    for (const players::PlayListEntry& row : list.Rows())
        rows.push_back(row.File + " " + row.BeginTime + "-" + row.EndTime + " " + row.Segment);
    return rows;
}
