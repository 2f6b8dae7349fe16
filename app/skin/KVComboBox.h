#pragma once

#include <QComboBox>
#include <QRgb>

#include <memory>

class QStyledItemDelegate;

// A combo box with its own look: a light face with a framed drop arrow, a dark blue frame while it
// has the focus, and a drop-down list whose highlighted entry is yellow with black text, all in
// 9-point "Times New Roman". It repaints when the focus comes or goes; the wheel works as usual.
class CKVComboBox : public QComboBox {
    Q_OBJECT

public:
    // The box's six colours.
    static constexpr QRgb COLOUR_TEXT = 0xFF333333;
    static constexpr QRgb COLOUR_FRAME = 0xFFC0C0C0;
    static constexpr QRgb COLOUR_BUTTON = 0xFFCECECE;
    static constexpr QRgb COLOUR_FOCUS = 0xFF144678;
    static constexpr QRgb COLOUR_FACE = 0xFFDCDCDC;
    static constexpr QRgb COLOUR_HIGHLIGHT = 0xFFF0DB50;
    // Width of the drop arrow's button.
    static constexpr int BUTTON_WIDTH = 18;

    explicit CKVComboBox(QWidget* parent = nullptr);
    CKVComboBox(const CKVComboBox&) = delete;
    CKVComboBox& operator=(const CKVComboBox&) = delete;
    ~CKVComboBox() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::unique_ptr<QStyledItemDelegate> m_delegate;
};
