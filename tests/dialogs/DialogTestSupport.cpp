#include "DialogTestSupport.h"

#include <QPixmap>
#include <QWidget>

namespace dlgtest {

bool SaveScreenshot(QWidget* window, const QString& name)
{
    const QString path = QStringLiteral(TESSALY_BUILD_DIR "/dialog-") + name + QStringLiteral(".png");
    return window->grab().save(path);
}

} // namespace dlgtest
