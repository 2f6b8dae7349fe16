#include "control/gst/TagLibProbe.h"

#include <gst/gst.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/wavfile.h>
#include <taglib/xingheader.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

namespace sonarel::gst {

namespace {

    constexpr std::uint64_t NS_PER_SECOND = 1000000000;
    // Frames read to tell a constant bit rate from a variable one when there is no Xing header.
    constexpr int CBR_CHECK_FRAMES = 48;
    constexpr long long ID3V1_SIZE = 128;
    constexpr long long MIN_WAV_HEADER = 44;
    constexpr std::size_t ASF_HEADER_READ = std::size_t { 64 } * 1024;
    // WAVE_FORMAT_PCM, WAVE_FORMAT_IEEE_FLOAT, WAVE_FORMAT_EXTENSIBLE.
    constexpr int WAV_PCM = 1;
    constexpr int WAV_FLOAT = 3;
    constexpr int WAV_EXTENSIBLE = 0xFFFE;

    std::string Extension(const std::string& path)
    {
        const auto slash = path.find_last_of('/');
        const auto dot = path.find_last_of('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
            return {};
        }
        std::string extension = path.substr(dot + 1);
        std::transform(extension.begin(), extension.end(), extension.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return extension;
    }

    std::int64_t Scale(std::uint64_t value, std::uint64_t numerator, std::uint64_t denominator)
    {
        return static_cast<std::int64_t>(gst_util_uint64_scale(value, numerator, denominator));
    }

    TagLibProbeResult Measured(std::int64_t durationNs, int channels, int samplesPerSec, std::string kind)
    {
        TagLibProbeResult result;
        result.durationNs = durationNs;
        result.channels = static_cast<unsigned>(channels);
        result.samplesPerSec = static_cast<unsigned>(samplesPerSec);
        result.kind = std::move(kind);
        return result;
    }

    std::optional<TagLibProbeResult> ProbeWav(const std::string& path)
    {
        TagLib::RIFF::WAV::File file(path.c_str(), true, TagLib::AudioProperties::Average);
        const TagLib::RIFF::WAV::Properties* properties = file.isValid() ? file.audioProperties() : nullptr;
        if (properties == nullptr) {
            return std::nullopt;
        }
        const int format = properties->format();
        const int channels = properties->channels();
        const int rate = properties->sampleRate();
        const int bits = properties->bitsPerSample();
        const unsigned frames = properties->sampleFrames();
        if ((format != WAV_PCM && format != WAV_FLOAT && format != WAV_EXTENSIBLE) || channels <= 0
            || rate <= 0 || bits <= 0 || frames == 0) {
            return std::nullopt;
        }
        // A header that claims more audio than the file holds is measured by the discoverer.
        const long long audioBytes = static_cast<long long>(frames) * channels * ((bits + 7) / 8);
        if (audioBytes + MIN_WAV_HEADER > static_cast<long long>(file.length())) {
            return std::nullopt;
        }
        return Measured(Scale(frames, NS_PER_SECOND, static_cast<std::uint64_t>(rate)), channels, rate,
            "wav:" + std::to_string(format) + ":" + std::to_string(bits));
    }

    std::optional<TagLibProbeResult> ProbeFlac(const std::string& path)
    {
        TagLib::FLAC::File file(path.c_str(), true, TagLib::AudioProperties::Average);
        const TagLib::FLAC::Properties* properties = file.isValid() ? file.audioProperties() : nullptr;
        if (properties == nullptr || properties->sampleFrames() == 0 || properties->sampleRate() <= 0
            || properties->channels() <= 0) {
            return std::nullopt;
        }
        return Measured(Scale(properties->sampleFrames(), NS_PER_SECOND,
                            static_cast<std::uint64_t>(properties->sampleRate())),
            properties->channels(), properties->sampleRate(),
            "flac:" + std::to_string(properties->bitsPerSample()));
    }

    // The duration of a file without a Xing header whose frames all have one bit rate, as the parser
    // estimates it from the bytes of audio and that bit rate; nullopt for a variable bit rate or
    // anything unusual.
    std::optional<std::int64_t> ConstantBitRateDuration(
        TagLib::MPEG::File& file, const TagLib::MPEG::Header& first)
    {
        if (file.hasAPETag()) {
            return std::nullopt;
        }
        const long firstFrame = file.firstFrameOffset();
        long offset = firstFrame;
        for (int i = 0; i < CBR_CHECK_FRAMES && offset < file.length(); ++i) {
            const TagLib::MPEG::Header header(&file, offset, false);
            if (!header.isValid()) {
                break;
            }
            if (header.bitrate() != first.bitrate() || header.sampleRate() != first.sampleRate()
                || header.layer() != first.layer() || header.version() != first.version()
                || header.frameLength() <= 0) {
                return std::nullopt;
            }
            offset += header.frameLength();
        }
        long long audioBytes = static_cast<long long>(file.length()) - firstFrame;
        if (file.hasID3v1Tag()) {
            audioBytes -= ID3V1_SIZE;
        }
        if (audioBytes <= 0 || first.bitrate() <= 0) {
            return std::nullopt;
        }
        return Scale(static_cast<std::uint64_t>(audioBytes) * 8, NS_PER_SECOND,
            static_cast<std::uint64_t>(first.bitrate()) * 1000);
    }

    std::optional<TagLibProbeResult> ProbeMpeg(const std::string& path)
    {
        TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Average);
        const TagLib::MPEG::Properties* properties = file.isValid() ? file.audioProperties() : nullptr;
        if (properties == nullptr || properties->sampleRate() <= 0 || properties->channels() <= 0) {
            return std::nullopt;
        }
        // The audio must start right after the ID3v2 tag, if any: anything in between would be
        // counted by the parser and not here, and a file of another type that merely holds
        // something like a frame header somewhere is no MPEG file.
        const long firstFrame = file.firstFrameOffset();
        const long long tagBytes = file.hasID3v2Tag() ? file.ID3v2Tag()->header()->completeTagSize() : 0;
        if (firstFrame < 0 || firstFrame != tagBytes) {
            return std::nullopt;
        }
        const TagLib::MPEG::Header first(&file, firstFrame, true);
        if (!first.isValid() || first.samplesPerFrame() <= 0) {
            return std::nullopt;
        }
        std::optional<std::int64_t> durationNs;
        const TagLib::MPEG::XingHeader* xing = properties->xingHeader();
        if (xing != nullptr && xing->isValid() && xing->totalFrames() > 0) {
            durationNs = Scale(static_cast<std::uint64_t>(xing->totalFrames())
                    * static_cast<unsigned>(first.samplesPerFrame()),
                NS_PER_SECOND, static_cast<std::uint64_t>(first.sampleRate()));
        } else {
            durationNs = ConstantBitRateDuration(file, first);
        }
        if (!durationNs) {
            return std::nullopt;
        }
        return Measured(*durationNs, properties->channels(), properties->sampleRate(),
            "mpeg:" + std::to_string(static_cast<int>(first.version())) + ":"
                + std::to_string(first.layer()));
    }

    std::uint64_t ReadLe64(const unsigned char* p)
    {
        std::uint64_t value = 0;
        for (int i = 7; i >= 0; --i) {
            value = (value << 8) | p[i];
        }
        return value;
    }

    // Play duration - preroll from the ASF file properties object, in nanoseconds.
    std::optional<std::int64_t> AsfDuration(const std::string& path)
    {
        static constexpr std::array<unsigned char, 16> HEADER_OBJECT = { 0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66,
            0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C };
        static constexpr std::array<unsigned char, 16> FILE_PROPERTIES = { 0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9,
            0xCF, 0x11, 0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65 };
        constexpr std::size_t OBJECT_HEADER = 24;
        constexpr std::size_t TOP_HEADER = 30;
        constexpr std::size_t PLAY_DURATION = 40; // within the file properties object's data
        constexpr std::size_t PREROLL = 56;
        constexpr std::size_t FLAGS = 64;
        constexpr std::size_t PROPERTIES_SIZE = 80;

        std::ifstream stream(path, std::ios::binary);
        std::vector<unsigned char> data(ASF_HEADER_READ);
        stream.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
        data.resize(static_cast<std::size_t>(stream.gcount()));
        if (data.size() < TOP_HEADER
            || std::memcmp(data.data(), HEADER_OBJECT.data(), HEADER_OBJECT.size()) != 0) {
            return std::nullopt;
        }
        const std::size_t headerEnd
            = static_cast<std::size_t>(std::min<std::uint64_t>(ReadLe64(&data[16]), data.size()));
        std::size_t offset = TOP_HEADER;
        while (offset + OBJECT_HEADER <= headerEnd) {
            const std::uint64_t size = ReadLe64(&data[offset + 16]);
            if (size < OBJECT_HEADER || size > headerEnd - offset) {
                return std::nullopt;
            }
            if (std::memcmp(&data[offset], FILE_PROPERTIES.data(), FILE_PROPERTIES.size()) == 0) {
                if (size < PROPERTIES_SIZE + OBJECT_HEADER) {
                    return std::nullopt;
                }
                const unsigned char* object = &data[offset + OBJECT_HEADER];
                const std::uint64_t playDuration = ReadLe64(object + PLAY_DURATION); // 100 ns
                const std::uint64_t preroll = ReadLe64(object + PREROLL); // ms
                const bool broadcast = (object[FLAGS] & 0x01) != 0;
                const std::uint64_t durationNs = playDuration * 100;
                const std::uint64_t prerollNs = preroll * 1000000;
                if (broadcast || playDuration == 0 || durationNs <= prerollNs) {
                    return std::nullopt;
                }
                return static_cast<std::int64_t>(durationNs - prerollNs);
            }
            offset += static_cast<std::size_t>(size);
        }
        return std::nullopt;
    }

    std::optional<TagLibProbeResult> ProbeAsf(const std::string& path)
    {
        TagLib::ASF::File file(path.c_str(), true, TagLib::AudioProperties::Average);
        const TagLib::ASF::Properties* properties = file.isValid() ? file.audioProperties() : nullptr;
        if (properties == nullptr || properties->sampleRate() <= 0 || properties->channels() <= 0
            || properties->codec() == TagLib::ASF::Properties::Unknown) {
            return std::nullopt;
        }
        const std::optional<std::int64_t> durationNs = AsfDuration(path);
        if (!durationNs) {
            return std::nullopt;
        }
        return Measured(*durationNs, properties->channels(), properties->sampleRate(),
            "asf:" + std::to_string(static_cast<int>(properties->codec())) + ":"
                + std::to_string(properties->bitsPerSample()));
    }

} // namespace

std::optional<TagLibProbeResult> TagLibProbe::Probe(const std::string& path)
{
    const std::string extension = Extension(path);
    if (extension == "wav") {
        return ProbeWav(path);
    }
    if (extension == "flac") {
        return ProbeFlac(path);
    }
    if (extension == "mp3" || extension == "mp2" || extension == "mpa") {
        return ProbeMpeg(path);
    }
    if (extension == "wma") {
        return ProbeAsf(path);
    }
    return std::nullopt;
}

} // namespace sonarel::gst
