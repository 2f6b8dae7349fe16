#pragma once

#include <QComboBox>
#include <QString>

#include <memory>

class CBaseSkin;
class QStyledItemDelegate;

// A combo box with its own look in the skin's field colours and font: a face with a framed drop
// arrow, the focus colour on its frame while it has the focus, and a drop-down list whose
// highlighted entry takes the highlight colours. It repaints when the focus comes or goes; the
// wheel works as usual.
//
// Names are shown whole where there is room for them: the drop-down list is as wide as its longest
// entry, and the closed box leaves out the middle of a text that does not fit, keeping its end
// (ElideKeepingEnd), with the whole text as its tip.
class CKVComboBox : public QComboBox {
    Q_OBJECT

public:
    // Width of the drop arrow's button.
    static constexpr int BUTTON_WIDTH = 18;

    // The skin is not owned and must outlive the box.
    explicit CKVComboBox(CBaseSkin* skin, QWidget* parent = nullptr);
    CKVComboBox(const CKVComboBox&) = delete;
    CKVComboBox& operator=(const CKVComboBox&) = delete;
    ~CKVComboBox() override;

    // The current text as the closed box shows it.
    [[nodiscard]] const QString& DisplayedText() const { return m_displayed; }

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    [[nodiscard]] QRect TextRect() const;
    // Shortens the current text to the box and sets the tip.
    void UpdateDisplayedText();

    CBaseSkin* m_skin = nullptr;
    std::unique_ptr<QStyledItemDelegate> m_delegate;
    QString m_displayed;
};
