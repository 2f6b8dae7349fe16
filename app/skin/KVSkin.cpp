#include "skin/KVSkin.h"

#include <array>

namespace {

struct CatalogueEntry {
    int id;
    std::string_view name;
};

// The entry names are part of the package format that skins are made for; "shedule" is spelt
// as the packages spell it.
constexpr std::array<CatalogueEntry, CKVSkin::IMAGE_COUNT> kCatalogue { {
    { CKVSkin::IMAGE_CLOSE, "btn_close.png" },
    { CKVSkin::IMAGE_MAXIMIZE, "btn_max.png" },
    { CKVSkin::IMAGE_RESTORE, "btn_max_hot.png" },
    { CKVSkin::IMAGE_MINIMIZE, "btn_min.png" },
    { CKVSkin::IMAGE_MAINMENU, "btn_mainmenu.png" },
    { CKVSkin::IMAGE_LOGO, "prog_logo.png" },
    { CKVSkin::IMAGE_SCHEDULE_POLICY, "shedule_policy.png" },
    { CKVSkin::IMAGE_EXPORT_LIST, "export_list.png" },
    { CKVSkin::IMAGE_IMPORT_LIST, "import_list.png" },
    { CKVSkin::IMAGE_PLAYER_SETTING, "player_setting.png" },
    { CKVSkin::IMAGE_START_ALL_TIMERS, "start_alltimer.png" },
    { CKVSkin::IMAGE_STOP_ALL_TIMERS, "stop_alltimer.png" },
    { CKVSkin::IMAGE_PLAY, "btn_play.png" },
    { CKVSkin::IMAGE_PAUSE, "btn_pause.png" },
    { CKVSkin::IMAGE_STOP, "btn_stop.png" },
    { CKVSkin::IMAGE_TIMER, "state_timer.png" },
    { CKVSkin::IMAGE_PREVIOUS_FILE, "pre_file.png" },
    { CKVSkin::IMAGE_NEXT_FILE, "next_file.png" },
    { CKVSkin::IMAGE_CHECKBOX, "checkbox_normal.png" },
    { CKVSkin::IMAGE_CHECKBOX_CHECKED, "checkbox_checked.png" },
    { CKVSkin::IMAGE_RADIOBOX, "radiobox_normal.png" },
    { CKVSkin::IMAGE_RADIOBOX_CHECKED, "radiobox_checked.png" },
    { CKVSkin::IMAGE_PRODUCT, "product.png" },
} };

} // namespace

int CKVSkin::CheckBoxImageId(int state) const
{
    return state == STATE_CHECKED ? IMAGE_CHECKBOX_CHECKED : IMAGE_CHECKBOX;
}

int CKVSkin::RadioBoxImageId(int state) const
{
    return state == STATE_CHECKED ? IMAGE_RADIOBOX_CHECKED : IMAGE_RADIOBOX;
}

std::string_view CKVSkin::GetImageFileName(int imageId) const
{
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.id == imageId)
            return entry.name;
    }
    return {};
}

int CKVSkin::NextImageId(int imageId) const
{
    return imageId < IMAGE_COUNT ? imageId + 1 : -1;
}

int CKVSkin::ObjIdFromName(int /*wndId*/, std::string_view /*name*/) const
{
    return 0;
}
