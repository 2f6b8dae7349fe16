#pragma once

#include "skin/SkinItem.h"

#include <QString>

#include <functional>

class CBaseDialog;
class CBaseWnd;
class QDialog;
class QWidget;

// Building blocks shared by the editing dialogs: skinned panes and the items placed on them.
namespace dialogpanes {

// Creates window as a pane of dialog; a height of 0 lets it take the remaining space.
[[nodiscard]] bool AddPaneWindow(
    CBaseDialog& dialog, CBaseWnd& window, int id, const QString& name, int anchor, int height);
// Space around an item.
struct ItemMargins {
    int Left = 0;
    int Right = 0;
    int Top = 0;
    int Bottom = 0;
};

// An item with that id, layout, rectangle and margins, everything else as a new item has it.
[[nodiscard]] SkinItem Placed(int id, int layout, const SkinRect& rect, const ItemMargins& margins);
// A right-aligned label that starts a new row.
[[nodiscard]] SkinItem Label(int id, const QString& text, int width);
// A place for an embedded control, right of the previous item.
[[nodiscard]] SkinItem Holder(int id, QWidget* child, int width);
// A push button; right-aligned ones fill the bar from its right edge.
[[nodiscard]] SkinItem Button(int id, const QString& text, bool right);
// A check or radio box of the given style.
[[nodiscard]] SkinItem Box(int id, const QString& text, int style, bool newRow, int width);

// The item ids of Cancel and OK on an editing dialog's button bar.
inline constexpr int BAR_ITEM_CANCEL = 1;
inline constexpr int BAR_ITEM_OK = 2;

// Handles a click on a button bar's OK (runs onOk, which accepts the dialog once its input is sound)
// or Cancel (rejects the dialog). False for any other item, which the caller handles.
[[nodiscard]] bool ClickOkCancel(QDialog& dialog, int itemId, const std::function<void()>& onOk);

} // namespace dialogpanes
