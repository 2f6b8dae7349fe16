#pragma once

#include <QMenu>

#include <memory>
#include <vector>

class CBaseSkin;

// A popup menu drawn in the skin's colours: a horizontal gradient from the default window's
// bkbegin to its bkend, the highlighted item in colour entry 13 (14 when the item is greyed),
// separators as lines, and its text in the skin's font.
class CMenuEx : public QMenu {
    Q_OBJECT

public:
    static constexpr int HIGHLIGHT_ENTRY = 13;
    static constexpr int HIGHLIGHT_GREY_ENTRY = 14;

    // The skin is not owned and must outlive the menu.
    explicit CMenuEx(CBaseSkin* skin, QWidget* parent = nullptr);
    CMenuEx(const CMenuEx&) = delete;
    CMenuEx& operator=(const CMenuEx&) = delete;
    ~CMenuEx() override;

    // A submenu with the same look, owned by this menu.
    CMenuEx* AddSubMenu(const QString& title);

    [[nodiscard]] QColor SkinColour(int which) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CBaseSkin* m_skin = nullptr;
    std::vector<std::unique_ptr<CMenuEx>> m_subMenus;
};
