#include "SkinTestSupport.h"
#include "skin/KVSkin.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace skintest;

namespace {

constexpr const char* kScheme = R"(<kvskin><wnd id="105" bkbegin="1,2,3"/></kvskin>)";

class SkinLoadTest : public ::testing::Test {
protected:
    std::string Package(const std::vector<SkinPackageEntry>& entries, std::string_view name = "test.skin")
    {
        const std::string path = m_dir.File(name);
        WritePackage(path, entries);
        return path;
    }
    // The entries of a complete package with one entry changed by edit.
    template <typename Edit> std::string PackageWith(Edit edit, std::string_view name = "edited.skin")
    {
        std::vector<SkinPackageEntry> entries = CompleteEntries(kScheme);
        edit(entries);
        return Package(entries, name);
    }

    TempDir m_dir;
    PngHeaderDecoder* m_decoder = nullptr;
    std::unique_ptr<CKVSkin> m_skin = MakeSkin(&m_decoder);
};

TEST_F(SkinLoadTest, ACompletePackageLoadsEveryImageAndTheScheme)
{
    const std::string path = Package(CompleteEntries(kScheme));
    EXPECT_TRUE(m_skin->ValidatePackage(path));
    ASSERT_EQ(m_skin->LoadSkin(path), SKINLOAD_OK);
    EXPECT_EQ(m_skin->LoadedPath(), path);
    for (int id = 1; id <= 23; ++id) {
        const SkinImage* image = m_skin->GetImage(id);
        ASSERT_NE(image, nullptr) << id;
        EXPECT_EQ(image->Width(), id) << "image " << id << " was decoded from its own entry";
        EXPECT_EQ(image->Height(), id + 100);
    }
    EXPECT_EQ(m_skin->GetImage(0), nullptr);
    EXPECT_EQ(m_skin->GetImage(24), nullptr);
    EXPECT_EQ(m_skin->GetSkinColour(105, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010203u);
}

TEST_F(SkinLoadTest, LoadingTheSamePathAgainDoesNothing)
{
    const std::string path = Package(CompleteEntries(kScheme));
    ASSERT_EQ(m_skin->LoadSkin(path), SKINLOAD_OK);
    const SkinImage* before = m_skin->GetImage(7);
    const int decoded = m_decoder->calls;
    EXPECT_EQ(m_skin->LoadSkin(path), SKINLOAD_ALREADY_LOADED);
    EXPECT_EQ(m_skin->GetImage(7), before);
    EXPECT_EQ(m_decoder->calls, decoded);
}

TEST_F(SkinLoadTest, InvalidPackagesChangeNothing)
{
    const std::string good = Package(CompleteEntries(kScheme), "good.skin");
    ASSERT_EQ(m_skin->LoadSkin(good), SKINLOAD_OK);
    const SkinImage* before = m_skin->GetImage(1);

    const std::string noScheme = PackageWith([](auto& entries) { entries.pop_back(); }, "noscheme.skin");
    const std::string noImage
        = PackageWith([](auto& entries) { entries.erase(entries.begin() + 22); }, "noimage.skin");
    const std::string wrongMagic = m_dir.File("magic.skin");
    std::string bytes = ReadBytes(good);
    bytes[0] = 0x77;
    WriteBytes(wrongMagic, bytes);
    const std::string truncated = m_dir.File("truncated.skin");
    WriteBytes(truncated, ReadBytes(good).substr(0, 2000));

    // A missing scheme is a package error, not an extraction error.
    for (const std::string& path : { noScheme, noImage, wrongMagic, truncated, m_dir.File("missing.skin") }) {
        EXPECT_FALSE(m_skin->ValidatePackage(path)) << path;
        EXPECT_EQ(m_skin->LoadSkin(path), SKINLOAD_INVALID_PACKAGE) << path;
    }
    EXPECT_EQ(m_skin->LoadSkin(m_dir.Path().string()), SKINLOAD_INVALID_PACKAGE) << "a folder";
    EXPECT_EQ(m_skin->GetImage(1), before);
    EXPECT_EQ(m_skin->LoadedPath(), good);
    EXPECT_EQ(m_skin->GetSkinColour(105, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010203u);
}

TEST_F(SkinLoadTest, AnEmptyImageEntryPassesValidationButFailsTheLoad)
{
    // Image 5 is empty: images 1 to 4 stay loaded, the rest and the scheme are not read.
    const std::string path = PackageWith([](auto& entries) { entries[4].bytes.clear(); });
    EXPECT_TRUE(m_skin->ValidatePackage(path));
    EXPECT_EQ(m_skin->LoadSkin(path), SKINLOAD_EXTRACT_FAILED);
    for (int id = 1; id <= 4; ++id)
        EXPECT_NE(m_skin->GetImage(id), nullptr) << id;
    for (int id = 5; id <= 23; ++id)
        EXPECT_EQ(m_skin->GetImage(id), nullptr) << id;
    EXPECT_EQ(m_skin->GetSkinColour(105, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF646464u);
}

TEST_F(SkinLoadTest, AnEmptySchemeFailsTheLoadAfterAllImages)
{
    const std::string path = PackageWith([](auto& entries) { entries.back().bytes.clear(); });
    EXPECT_TRUE(m_skin->ValidatePackage(path));
    EXPECT_EQ(m_skin->LoadSkin(path), SKINLOAD_EXTRACT_FAILED);
    for (int id = 1; id <= 23; ++id)
        EXPECT_NE(m_skin->GetImage(id), nullptr) << id;
}

TEST_F(SkinLoadTest, AFailedLoadIsNotTakenForTheLoadedPackage)
{
    const std::string good = Package(CompleteEntries(kScheme), "good.skin");
    const std::string broken = PackageWith([](auto& entries) { entries[0].bytes.clear(); });
    ASSERT_EQ(m_skin->LoadSkin(good), SKINLOAD_OK);
    ASSERT_EQ(m_skin->LoadSkin(broken), SKINLOAD_EXTRACT_FAILED);
    // The good package's images are gone, so asking for it again must load it, not report it loaded.
    EXPECT_EQ(m_skin->LoadSkin(good), SKINLOAD_OK);
    EXPECT_NE(m_skin->GetImage(23), nullptr);
    // Nothing is loaded yet at the start: an empty path is no package, not "already loaded".
    EXPECT_EQ(MakeSkin()->LoadSkin(""), SKINLOAD_INVALID_PACKAGE);
}

TEST_F(SkinLoadTest, NamesThatDifferOnlyInCaseLoad)
{
    const std::string path = PackageWith([](auto& entries) {
        for (SkinPackageEntry& entry : entries) {
            for (char& c : entry.name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    });
    EXPECT_EQ(m_skin->LoadSkin(path), SKINLOAD_OK);
    EXPECT_EQ(m_skin->GetSkinColour(105, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010203u);
}

TEST_F(SkinLoadTest, AnUndecodablePictureIsKeptAsANullImage)
{
    const std::string path = PackageWith([](auto& entries) { entries[9].bytes = "not a picture"; });
    ASSERT_EQ(m_skin->LoadSkin(path), SKINLOAD_OK);
    ASSERT_NE(m_skin->GetImage(10), nullptr);
    EXPECT_TRUE(m_skin->GetImage(10)->IsNull());
    EXPECT_FALSE(m_skin->GetImage(11)->IsNull());

    // A decoder that gives no object at all still leaves an image that draws nothing.
    class NoImageDecoder final : public IImageDecoder {
        std::unique_ptr<SkinImage> Decode(std::span<const std::uint8_t>) override { return nullptr; }
    };
    CKVSkin skin(std::make_unique<NoImageDecoder>());
    ASSERT_EQ(skin.LoadSkin(path), SKINLOAD_OK);
    ASSERT_NE(skin.GetImage(1), nullptr);
    EXPECT_TRUE(skin.GetImage(1)->IsNull());
}

TEST_F(SkinLoadTest, UnloadFreesTheImagesAndLeavesNoFileBehind)
{
    TempDir temp;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    setenv("TMPDIR", temp.Path().c_str(), 1);
    const std::string path = Package(CompleteEntries(kScheme));
    EXPECT_EQ(m_skin->LoadSkin(path), SKINLOAD_OK);
    m_skin->UnloadSkin();
    EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");

    for (int id = 1; id <= 23; ++id)
        EXPECT_EQ(m_skin->GetImage(id), nullptr);
    EXPECT_EQ(m_skin->LoadedPath(), "");
    // The scheme stays: only images are freed.
    EXPECT_EQ(m_skin->GetSkinColour(105, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010203u);
    EXPECT_EQ(m_skin->LoadSkin(path), SKINLOAD_OK);
}

TEST_F(SkinLoadTest, ALaterLoadOverlaysTheScheme)
{
    const std::string first = Package(CompleteEntries(R"(<kvskin><wnd id="105" bkbegin="1,2,3"/>)"
                                                      R"(<wnd id="106" bkbegin="4,5,6"/></kvskin>)"),
        "first.skin");
    const std::string second
        = Package(CompleteEntries(R"(<kvskin><wnd id="106" bkbegin="7,8,9"/></kvskin>)"), "second.skin");
    ASSERT_EQ(m_skin->LoadSkin(first), SKINLOAD_OK);
    ASSERT_EQ(m_skin->LoadSkin(second), SKINLOAD_OK);
    EXPECT_EQ(m_skin->GetSkinColour(105, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF010203u);
    EXPECT_EQ(m_skin->GetSkinColour(106, 0, SKINCOLOUR_WND_BKBEGIN), 0xFF070809u);
}

TEST(KVSkinCatalogueTest, TheImageIdsAndTheirEntryNames)
{
    const auto skin = MakeSkin();
    const std::vector<std::string_view> expected { "btn_close.png", "btn_max.png", "btn_max_hot.png",
        "btn_min.png", "btn_mainmenu.png", "prog_logo.png", "shedule_policy.png", "export_list.png",
        "import_list.png", "player_setting.png", "start_alltimer.png", "stop_alltimer.png", "btn_play.png",
        "btn_pause.png", "btn_stop.png", "state_timer.png", "pre_file.png", "next_file.png",
        "checkbox_normal.png", "checkbox_checked.png", "radiobox_normal.png", "radiobox_checked.png",
        "product.png" };
    std::vector<std::string_view> visited;
    for (int id = skin->FirstImageId(); id != -1; id = skin->NextImageId(id)) {
        ASSERT_LE(visited.size(), expected.size());
        EXPECT_EQ(id, static_cast<int>(visited.size()) + 1);
        visited.push_back(skin->GetImageFileName(id));
    }
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(skin->GetImageFileName(0), "");
    EXPECT_EQ(skin->GetImageFileName(24), "");
    EXPECT_EQ(skin->NextImageId(2147483647), -1);
    EXPECT_EQ(skin->GetSchemeFileName(), "kvskin.xml");

    EXPECT_EQ(skin->CheckBoxImageId(4), 20);
    EXPECT_EQ(skin->CheckBoxImageId(0), 19);
    EXPECT_EQ(skin->RadioBoxImageId(4), 22);
    EXPECT_EQ(skin->RadioBoxImageId(0x10), 21);
    EXPECT_EQ(skin->GetImageFileName(skin->CloseImageId()), "btn_close.png");
    EXPECT_EQ(skin->GetImageFileName(skin->RestoreImageId()), "btn_max_hot.png");
    EXPECT_EQ(skin->GetImageFileName(skin->LogoImageId()), "prog_logo.png");
}

} // namespace
