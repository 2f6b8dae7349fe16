#pragma once

#include "skin/KVSkin.h"

#include <QApplication>
#include <QString>

class QWidget;

namespace dlgtest {

// The application object shared by every test, on the offscreen platform unless the environment
// chose another one.
QApplication& App();

// The default skin as the build packs it, decoded with Qt; loaded once.
CKVSkin& DefaultSkin();

// Saves the window as dialog-<name>.png in the build directory; false when that fails.
bool SaveScreenshot(QWidget* window, const QString& name);

} // namespace dlgtest
