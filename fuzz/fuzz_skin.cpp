// Fuzz target for the skin: any bytes are read as a skin package, every catalogue entry and the
// colour scheme are looked up and extracted, the whole package is loaded into a skin, and a
// scheme entry, when there is one, is parsed and queried.
//
// Checked beyond memory safety: the three ways of extracting an entry agree, a load reports
// one of its defined results, and a successful load has every catalogue image.

#include "SchemeQueries.h"
#include "skin/KVSkin.h"
#include "skin/SkinPackage.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_skin: %s\n", what);
        std::abort();
    }
}

class SizeImage final : public SkinImage {
public:
    explicit SizeImage(std::size_t size)
        : m_size(static_cast<int>(size % 1000))
    {
    }
    [[nodiscard]] int Width() const override { return m_size; }
    [[nodiscard]] int Height() const override { return m_size; }

private:
    int m_size;
};

class SizeDecoder final : public IImageDecoder {
public:
    [[nodiscard]] std::unique_ptr<SkinImage> Decode(std::span<const std::uint8_t> bytes) override
    {
        if (bytes.size() % 7 == 0)
            return nullptr;
        return std::make_unique<SizeImage>(bytes.size());
    }
};

// One scratch file per process, rewritten for every input; removed at exit.
const std::string& ScratchPath()
{
    static const std::string path = [] {
        // Memory-backed unless told otherwise: the file is rewritten for every input.
        const char* folder = std::getenv("TMPDIR");
        if ((folder == nullptr || *folder == '\0') && access("/dev/shm", W_OK) == 0)
            folder = "/dev/shm";
        std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/fuzz_skin-XXXXXX";
        const int fd = mkstemp(pattern.data());
        Check(fd >= 0, "cannot make a scratch file");
        close(fd);
        static const std::string removeAtExit = pattern;
        std::atexit([] { unlink(removeAtExit.c_str()); });
        return pattern;
    }();
    return path;
}

void WriteScratch(const std::uint8_t* data, std::size_t size)
{
    const int fd = open(ScratchPath().c_str(), O_WRONLY | O_TRUNC);
    Check(fd >= 0, "cannot open the scratch file");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = write(fd, data + done, size - done);
        Check(count > 0, "cannot write the scratch file");
        done += static_cast<std::size_t>(count);
    }
    close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteScratch(data, size);
    const std::string& path = ScratchPath();

    SkinPackage package;
    Check(package.Open(path), "cannot open the scratch file for reading");
    (void)package.HasValidHeader();
    // Validation and loading below look up every catalogue entry; these are extracted all three ways.
    CKVSkin names(std::make_unique<SizeDecoder>());
    const std::string_view entries[] = { names.GetImageFileName(names.FirstImageId()),
        names.GetImageFileName(CKVSkin::IMAGE_PRODUCT), names.GetSchemeFileName() };
    for (const std::string_view name : entries) {
        const bool present = package.HasEntry(name);
        std::vector<std::uint8_t> bytes;
        std::string text;
        std::size_t length = 0;
        const bool asStream = package.ExtractToStream(name, &bytes);
        const bool asBuffer = package.ExtractToBuffer(name, &text, &length);
        Check(asStream == asBuffer, "stream and buffer extraction disagree");
        Check(!asStream || present, "an entry was extracted that is not there");
        if (asStream) {
            Check(!bytes.empty() && length == bytes.size() && text.size() == length,
                "extracted sizes disagree");
            Check(std::memcmp(bytes.data(), text.data(), length) == 0, "extracted bytes disagree");
        }
    }

    std::string scheme;
    if (package.ExtractToBuffer("kvskin.xml", &scheme, nullptr)) {
        CKVSkin skin(std::make_unique<SizeDecoder>());
        (void)skin.ParseScheme(scheme);
        QueryScheme(skin);
    }
    package.Close();

    CKVSkin skin(std::make_unique<SizeDecoder>());
    const bool valid = skin.ValidatePackage(path);
    const int result = skin.LoadSkin(path);
    Check(result == SKINLOAD_OK || result == SKINLOAD_EXTRACT_FAILED || result == SKINLOAD_INVALID_PACKAGE,
        "an undefined load result");
    Check(valid == (result != SKINLOAD_INVALID_PACKAGE), "validation and load disagree");
    if (result == SKINLOAD_OK) {
        for (int id = skin.FirstImageId(); id != -1; id = skin.NextImageId(id))
            Check(skin.GetImage(id) != nullptr, "a loaded skin lacks an image");
        Check(skin.LoadSkin(path) == SKINLOAD_ALREADY_LOADED, "a second load was not recognised");
        QueryScheme(skin);
    }
    return 0;
}
