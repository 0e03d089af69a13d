// Tags, pictures, padding, seek points and encoder levels: what the optional settings write,
// as metaflac reads it, and what the source's stream details read back.
#include "flacTestSupport.h"

#include "orxa/common/CStreamPicture.h"
#include "orxa/common/IAudioStreamInfo.h"
#include "orxa/common/IEncoderSettings.h"
#include "orxa/common/IStreamPicture.h"
#include "tamu/IConstArray.h"
#include "tamu/IString.h"

using namespace flactest;
using orxa::common::COrxaError;
using orxa::common::IEncoderSettings;
using tamu::P;

namespace {

class FlacMetadata : public FlacTest {
protected:
    // A second of 16-bit stereo at 44100 Hz written through `configure`.
    std::string encode(const std::string& name,
                       const std::function<void(IEncoderSettings&)>& configure) {
        const std::string path = pathOf(name);
        P<orxa::common::IAudioFormat> format = this->format(path, 44100, 2, 2);
        auto* settings = tamu::interfaceCast<IEncoderSettings>(format.get(), false);
        EXPECT_NE(settings, nullptr);
        if (settings && configure)
            configure(*settings);
        format->open();
        EXPECT_TRUE(format->isOpen());
        const Bytes pcm = sinePcm(44100, 2, 16, 44100);
        for (size_t at = 0; at < pcm.size(); at += 40000)
            format->writeAudioChunk(
                chunkOf(pcm.data() + at, std::min<size_t>(40000, pcm.size() - at)));
        format->close();
        check("flac -s -t " + path);
        return path;
    }

    P<orxa::common::IStreamPicture> picture(int type, const std::string& mime, const Bytes& data,
                                            int width) const {
        orxa::common::CStreamPicture::Fields fields;
        fields.type = type;
        fields.mimeType = tamu::stringConv::fromStd(mime);
        fields.description = tamu::stringConv::fromStd("Beschreibung \xc3\xa4");
        fields.width = width;
        fields.height = 2 * width;
        fields.depth = 24;
        fields.data = m_memory->allocate(static_cast<int32_t>(data.size()));
        std::copy(data.begin(), data.end(), fields.data->getData());
        return tamu::make<orxa::common::CStreamPicture>(fields);
    }

    // The block types metaflac lists, in file order.
    std::vector<std::string> blockTypes(const std::string& path) const {
        std::istringstream list(check("metaflac --list " + path));
        std::vector<std::string> types;
        bool header = false;
        for (std::string line; std::getline(list, line);) {
            // A picture's own "type:" line follows later; only the block's comes first.
            if (header && line.rfind("  type: ", 0) == 0)
                types.push_back(line.substr(8, line.find(' ', 8) - 8));
            header = line.rfind("METADATA block #", 0) == 0;
        }
        return types;
    }
};

Bytes bytesOfLength(size_t n, uint8_t seed) {
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

} // namespace

// A host that knows only the described interfaces gets the described stream: STREAMINFO and
// libFLAC's vendor block, blocks of 4608 samples.
TEST_F(FlacMetadata, WithoutSettingsTheFixedStreamIsWritten) {
    const std::string path = encode("plain.flac", nullptr);
    EXPECT_EQ(blockTypes(path), (std::vector<std::string>{"0", "4"}));
    EXPECT_EQ(metaflacNumber(path, "min-blocksize"), 4608);
    EXPECT_EQ(metaflacNumber(path, "max-blocksize"), 4608);
}

TEST_F(FlacMetadata, TagsPicturesPaddingAndSeekPointsAreWrittenAndReadBack) {
    const std::string longValue(100000, 'x');
    const Bytes front = bytesOfLength(5000, 1), back = bytesOfLength(300, 9);
    const std::string path = encode("tagged.flac", [&](IEncoderSettings& settings) {
        settings.addTag(tamu::stringConv::fromStd("TITLE=Gr\xc3\xbc\xc3\x9f Gott \xe2\x99\xab"));
        settings.addTag(tamu::stringConv::fromStd("ARTIST=Somebody"));
        settings.addTag(tamu::stringConv::fromStd("COMMENT=" + longValue));
        settings.addTag(tamu::stringConv::fromStd("ARTIST=Somebody Else"));
        settings.addPicture(picture(3, "image/png", front, 16).get());
        settings.addPicture(picture(4, "image/jpeg", back, 8).get());
        settings.setPadding(1234);
        settings.setSeekPoints(0.25, 44100);
    });
    EXPECT_EQ(blockTypes(path), (std::vector<std::string>{"0", "4", "6", "6", "3", "1"}));
    EXPECT_EQ(
        check("metaflac --show-tag=TITLE --show-tag=ARTIST " + path),
        "TITLE=Gr\xc3\xbc\xc3\x9f Gott \xe2\x99\xab\nARTIST=Somebody\nARTIST=Somebody Else\n");
    EXPECT_EQ(check("metaflac --show-tag=COMMENT " + path), "COMMENT=" + longValue + "\n");
    check("metaflac --block-number=2 --export-picture-to=" + pathOf("front.bin") + " " + path);
    EXPECT_EQ(readBytes(pathOf("front.bin")), front);
    const std::string list = check("metaflac --list --block-number=5,4 " + path);
    EXPECT_NE(list.find("  length: 1234\n"), std::string::npos) << list;
    EXPECT_NE(list.find("  seek points: 4\n"), std::string::npos) << list;
    // A point every quarter second, each on the start of the frame that holds its sample.
    for (int k = 0; k < 4; ++k) {
        const std::string point =
            "sample_number=" + std::to_string(k * 11025 / 4608 * 4608) + ",";
        EXPECT_NE(list.find(point), std::string::npos) << point << "\n" << list;
    }

    // The source reads it all back; pictures only when asked for.
    for (bool pictures : {false, true}) {
        SCOPED_TRACE(pictures);
        P<orxa::common::IAudioSource> source = this->source(path, 44100, 2, 2);
        auto* info = tamu::interfaceCast<orxa::common::IAudioStreamInfo>(source.get(), false);
        ASSERT_NE(info, nullptr);
        info->setPictureReading(pictures);
        source->open();
        EXPECT_EQ(tamu::stringConv::toStdString(*info->getStreamVendor()) + "\n",
                  check("metaflac --show-vendor-tag " + path));
        EXPECT_EQ(info->getStreamTags()->getCount(), 4);
        EXPECT_EQ(info->getStreamSeekPointCount(), 4);
        EXPECT_EQ(info->getStreamMinBlockSize(), 4608);
        EXPECT_EQ(info->getStreamMaxBlockSize(), 4608);
        EXPECT_EQ(info->getStreamMaxFrameSize(), metaflacNumber(path, "max-framesize"));
        uint8_t md5[16];
        info->getStreamMD5(md5);
        char hex[33];
        for (int i = 0; i < 16; ++i)
            std::snprintf(hex + 2 * i, 3, "%02x", md5[i]);
        EXPECT_EQ(std::string(hex) + "\n", check("metaflac --show-md5sum " + path));
        ASSERT_EQ(info->getStreamPictureCount(), pictures ? 2 : 0);
        if (pictures) {
            P<orxa::common::IStreamPicture> first = info->getStreamPicture(0);
            EXPECT_EQ(first->getPictureType(), 3);
            EXPECT_EQ(tamu::stringConv::toStdString(*first->getMimeType()), "image/png");
            EXPECT_EQ(tamu::stringConv::toStdString(*first->getDescription()),
                      "Beschreibung \xc3\xa4");
            EXPECT_EQ(first->getWidth(), 16);
            EXPECT_EQ(first->getHeight(), 32);
            EXPECT_EQ(first->getDepth(), 24);
            P<tamu::IMemoryBlock> data = info->getStreamPicture(1)->getData();
            EXPECT_EQ(Bytes(data->getData(), data->getData() + data->getSize()), back);
            EXPECT_THROW(info->getStreamPicture(2), COrxaError);
        }
        Decoded decoded = decodeAll(*source);
        EXPECT_EQ(decoded.pcm, sinePcm(44100, 2, 16, 44100));
        source->close();
    }
}

// Levels replace the fixed settings; verification checks every frame; settings are refused
// once the encoder runs, and so are tags that are not Vorbis comments.
TEST_F(FlacMetadata, LevelsVerifyAndRefusals) {
    const std::string fast =
        encode("fast.flac", [](IEncoderSettings& s) { s.setCompressionLevel(0); });
    const std::string best = encode("best.flac", [](IEncoderSettings& s) {
        s.setCompressionLevel(8);
        s.setVerify(true);
        s.setTotalSamplesEstimate(44100);
    });
    EXPECT_LT(readBytes(best).size(), readBytes(fast).size());
    EXPECT_EQ(metaflacNumber(fast, "max-blocksize"), 1152);
    EXPECT_EQ(metaflacNumber(best, "max-blocksize"), 4096);
    EXPECT_EQ(metaflacNumber(best, "total-samples"), 44100);

    P<orxa::common::IAudioFormat> format = this->format(pathOf("late.flac"), 44100, 2, 2);
    auto* settings = tamu::interfaceCast<IEncoderSettings>(format.get(), false);
    ASSERT_NE(settings, nullptr);
    for (const char* bad : {"NOEQUALS", "=value", "BAD~NAME=x", "BAD\xc3\xa4=x"})
        EXPECT_THROW(settings->addTag(tamu::stringConv::fromStd(bad)), COrxaError) << bad;
    EXPECT_THROW(settings->setCompressionLevel(9), COrxaError);
    EXPECT_THROW(settings->setPadding(-1), COrxaError);
    EXPECT_THROW(settings->setSeekPoints(-1.0, 100), COrxaError);
    EXPECT_THROW(settings->addPicture(picture(21, "image/png", Bytes(10, 1), 1).get()), COrxaError);
    settings->addTag(tamu::stringConv::fromStd("TITLE=x"));
    format->open();
    ASSERT_TRUE(format->isOpen());
    EXPECT_THROW(settings->addTag(tamu::stringConv::fromStd("TITLE=y")), COrxaError);
    EXPECT_THROW(settings->setVerify(true), COrxaError);
    format->close();
    EXPECT_EQ(check("metaflac --export-tags-to=- " + pathOf("late.flac")), "TITLE=x\n");
}
