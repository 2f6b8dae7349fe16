#pragma once

namespace players {

// Told about every change of a PlayList, so that a view can follow it row by row instead of
// reloading. The "about to" calls come before the rows change and the others after, which is the
// order an item model needs. Row numbers are inclusive ranges. Every call has an empty default.
class PlayListObserver {
public:
    virtual ~PlayListObserver() = default;

    virtual void RowsAboutToBeInserted(int /*first*/, int /*last*/) { }
    virtual void RowsInserted(int /*first*/, int /*last*/) { }
    virtual void RowsAboutToBeRemoved(int /*first*/, int /*last*/) { }
    virtual void RowsRemoved(int /*first*/, int /*last*/) { }
    // Texts, path, selection or check box of existing rows changed.
    virtual void RowsChanged(int /*first*/, int /*last*/) { }
    // The segment numbering was rebuilt: the rows should be grouped by segment again.
    virtual void RegroupNeeded() { }
};

} // namespace players
