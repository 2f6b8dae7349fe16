#pragma once

#include "skin/SkinItem.h"

#include <QString>

class CBaseDialog;
class CBaseWnd;
class QWidget;

// Building blocks shared by the editing dialogs: skinned panes and the items placed on them.
namespace dialogpanes {

// Creates window as a pane of dialog; a height of 0 lets it take the remaining space.
[[nodiscard]] bool AddPaneWindow(
    CBaseDialog& dialog, CBaseWnd& window, int id, const QString& name, int anchor, int height);
// A right-aligned label that starts a new row.
[[nodiscard]] SkinItem Label(int id, const QString& text, int width);
// A place for an embedded control, right of the previous item.
[[nodiscard]] SkinItem Holder(int id, QWidget* child, int width);
// A push button; right-aligned ones fill the bar from its right edge.
[[nodiscard]] SkinItem Button(int id, const QString& text, bool right);
// A check or radio box of the given style.
[[nodiscard]] SkinItem Box(int id, const QString& text, int style, bool newRow, int width);

} // namespace dialogpanes
