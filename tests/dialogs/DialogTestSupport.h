#pragma once

#include "skin/KVSkin.h"
#include "support_qt/QtTestApplication.h"

#include <QApplication>
#include <QString>

class QWidget;

namespace dlgtest {

using qttest::App;
using qttest::DefaultSkin;

// Saves the window as dialog-<name>.png in the build directory; false when that fails.
bool SaveScreenshot(QWidget* window, const QString& name);

} // namespace dlgtest
