#pragma once

#include <QProxyStyle>

class CBaseSkin;

// Check boxes of item views (a list's rows) drawn as the skin's check box pictures, as in the
// skinned dialogs; everything else as the platform draws it. The skin must outlive the style, and
// the style every widget it is set on.
class SkinCheckStyle final : public QProxyStyle {
public:
    explicit SkinCheckStyle(const CBaseSkin& skin);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override;

private:
    const CBaseSkin& m_skin;
};
