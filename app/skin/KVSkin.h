#pragma once

#include "skin/BaseSkin.h"

#include <string_view>

// The program's skin: its catalogue of 23 images and the ids the windows ask for.
class CKVSkin : public CBaseSkin {
public:
    // Image ids of the catalogue.
    static constexpr int IMAGE_CLOSE = 1;
    static constexpr int IMAGE_MAXIMIZE = 2;
    static constexpr int IMAGE_RESTORE = 3;
    static constexpr int IMAGE_MINIMIZE = 4;
    static constexpr int IMAGE_MAINMENU = 5;
    static constexpr int IMAGE_LOGO = 6;
    static constexpr int IMAGE_SCHEDULE_POLICY = 7;
    static constexpr int IMAGE_EXPORT_LIST = 8;
    static constexpr int IMAGE_IMPORT_LIST = 9;
    static constexpr int IMAGE_PLAYER_SETTING = 10;
    static constexpr int IMAGE_START_ALL_TIMERS = 11;
    static constexpr int IMAGE_STOP_ALL_TIMERS = 12;
    static constexpr int IMAGE_PLAY = 13;
    static constexpr int IMAGE_PAUSE = 14;
    static constexpr int IMAGE_STOP = 15;
    static constexpr int IMAGE_TIMER = 16;
    static constexpr int IMAGE_PREVIOUS_FILE = 17;
    static constexpr int IMAGE_NEXT_FILE = 18;
    static constexpr int IMAGE_CHECKBOX = 19;
    static constexpr int IMAGE_CHECKBOX_CHECKED = 20;
    static constexpr int IMAGE_RADIOBOX = 21;
    static constexpr int IMAGE_RADIOBOX_CHECKED = 22;
    static constexpr int IMAGE_PRODUCT = 23;
    static constexpr int IMAGE_COUNT = 23;

    // The item state flag that marks a checked check or radio box.
    static constexpr int STATE_CHECKED = 0x04;

    using CBaseSkin::CBaseSkin;

    // state is the item's checked bit (state flags & STATE_CHECKED): exactly STATE_CHECKED gives
    // the checked picture, anything else the unchecked one.
    [[nodiscard]] int CheckBoxImageId(int state) const override;
    [[nodiscard]] int RadioBoxImageId(int state) const override;
    [[nodiscard]] int AltTextColourIndex() const override { return 1; }
    [[nodiscard]] int ColourKeyLowIndex() const override { return 2; }
    [[nodiscard]] int ColourKeyHighIndex() const override { return 3; }
    [[nodiscard]] int CloseImageId() const override { return IMAGE_CLOSE; }
    [[nodiscard]] int MaximizeImageId() const override { return IMAGE_MAXIMIZE; }
    [[nodiscard]] int RestoreImageId() const override { return IMAGE_RESTORE; }
    [[nodiscard]] int MinimizeImageId() const override { return IMAGE_MINIMIZE; }
    [[nodiscard]] int MainMenuImageId() const override { return IMAGE_MAINMENU; }
    [[nodiscard]] int LogoImageId() const override { return IMAGE_LOGO; }
    [[nodiscard]] std::string_view GetImageFileName(int imageId) const override;
    [[nodiscard]] int FirstImageId() const override { return 1; }
    [[nodiscard]] int NextImageId(int imageId) const override;
    [[nodiscard]] int ObjIdFromName(int wndId, std::string_view name) const override;
};
