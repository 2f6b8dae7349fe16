#pragma once

#include <QFontMetrics>
#include <QString>

// Shortens text to width by leaving out a piece of its middle, marked with an ellipsis, and keeps
// the end that tells similar names apart: the parenthesised groups that close it ("USB Audio …
// (sink-name)", also "… (sink-name) (not connected)") stay whole when they leave a quarter of the
// width to the beginning; otherwise a third goes to the beginning and the rest to the end. Text that fits is
// returned as it is.
[[nodiscard]] QString ElideKeepingEnd(const QString& text, const QFontMetrics& metrics, int width);
