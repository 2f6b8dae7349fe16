#pragma once

#include "skin/KVSkin.h"

#include <QApplication>

namespace qttest {

// The application object shared by every test of a binary, on the offscreen platform unless the
// environment chose another one. It lives until the tests have run.
QApplication& App();

// The default skin as the build packs it, decoded with Qt; loaded once.
CKVSkin& DefaultSkin();

} // namespace qttest
