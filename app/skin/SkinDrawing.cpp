#include "skin/SkinDrawing.h"

#include <QFontDatabase>
#include <QLinearGradient>

#include <algorithm>
#include <cmath>
#include <map>

QColor ColourFromArgb(std::uint32_t argb)
{
    return QColor::fromRgba(static_cast<QRgb>(argb));
}

bool HasFontFamily(const QString& family)
{
    // Looked up for every drawn text; the platform's fonts do not change while the program runs.
    static std::map<QString, bool> known;
    const auto found = known.find(family);
    if (found != known.end())
        return found->second;
    const bool has = !family.isEmpty() && QFontDatabase::hasFamily(family);
    known.emplace(family, has);
    return has;
}

QFont FontFromSkin(const SkinFont& font, const QFont& fallback)
{
    QFont result = fallback;
    const QString face = QString::fromStdString(font.face);
    if (HasFontFamily(face))
        result.setFamily(face);
    if (font.pointSizeTenths > 0)
        result.setPointSizeF(font.pointSizeTenths / 10.0);
    result.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
    result.setItalic(font.italic);
    result.setUnderline(font.underline);
    result.setStrikeOut(font.strikeout);
    return result;
}

QBrush GradientBrush(const QRectF& rect, const QColor& begin, const QColor& end, int gradmode)
{
    QPointF from = rect.topLeft();
    QPointF to = rect.bottomLeft();
    switch (gradmode) {
    case GRADMODE_HORIZONTAL:
        to = rect.topRight();
        break;
    case GRADMODE_FORWARD_DIAGONAL:
        to = rect.bottomRight();
        break;
    case GRADMODE_BACKWARD_DIAGONAL:
        from = rect.topRight();
        to = rect.bottomLeft();
        break;
    default:
        break;
    }
    QLinearGradient gradient(from, to);
    gradient.setColorAt(0.0, begin);
    gradient.setColorAt(1.0, end);
    gradient.setSpread(QGradient::RepeatSpread);
    return QBrush(gradient);
}

namespace {

int Clamp255(double value)
{
    return std::clamp(static_cast<int>(std::lround(value)), 0, 255);
}

} // namespace

QImage ToneImage(const QImage& source, const QColor& keyLow, const QColor& keyHigh, ImageTone tone)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int lowR = keyLow.red();
    const int lowG = keyLow.green();
    const int lowB = keyLow.blue();
    const int highR = keyHigh.red();
    const int highG = keyHigh.green();
    const int highB = keyHigh.blue();
    constexpr double lift = 0.05 * 255.0;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            int r = qRed(pixel);
            int g = qGreen(pixel);
            int b = qBlue(pixel);
            if (r >= lowR && r <= highR && g >= lowG && g <= highG && b >= lowB && b <= highB) {
                line[x] = qRgba(r, g, b, 0);
                continue;
            }
            switch (tone) {
            case ImageTone::Normal:
                continue;
            case ImageTone::Grey: {
                const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
                r = Clamp255(luma);
                g = r;
                b = Clamp255(luma + lift);
                break;
            }
            case ImageTone::Bright:
                r = Clamp255(r * 1.05 + lift);
                g = Clamp255(g * 1.05 + lift);
                b = Clamp255(b * 1.05 + lift);
                break;
            }
            line[x] = qRgba(r, g, b, qAlpha(pixel));
        }
    }
    return image;
}
