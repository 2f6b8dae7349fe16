#pragma once

// Small shared pieces of a skinned window's item handling: an item's rect in Qt terms, and whether
// it draws a check or radio box in front of its text.

#include "skin/SkinItem.h"

#include <QRect>

[[nodiscard]] inline QRect ToQRect(const SkinRect& rect)
{
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

[[nodiscard]] inline bool IsBoxItem(const SkinItem& item)
{
    return (item.style & (ITEMSTYLE_CHECKBOX | ITEMSTYLE_RADIOBOX)) != 0;
}
