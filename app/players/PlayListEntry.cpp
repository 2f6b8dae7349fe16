#include "players/PlayListEntry.h"

namespace players {

const std::string& PlayListEntry::ColumnText(int column) const
{
    switch (column) {
    case COLUMN_FILE:
        return File;
    case COLUMN_DURATION:
        return Duration;
    case COLUMN_BEGIN_TIME:
        return BeginTime;
    case COLUMN_END_TIME:
        return EndTime;
    case COLUMN_SEGMENT:
        return Segment;
    default:
        break;
    }
    static const std::string none;
    return none;
}

} // namespace players
