#include "flacTestSupport.h"

#include "orxa/common/IAudioStreamInfo.h"
#include "orxa/common/IStreamIntegrity.h"
#include "tamu/IConstArray.h"
#include "tamu/IString.h"

#include <algorithm>
#include <atomic>
#include <thread>

using namespace flactest;
using orxa::common::COrxaEOFError;
using orxa::common::COrxaError;
using tamu::P;

namespace {

struct Layout {
    int rate;
    int channels;
    int bits;
    int blockSize;
    double seconds;
};

std::string nameOf(const Layout& layout) {
    std::ostringstream name;
    name << layout.rate << "Hz_" << layout.channels << "ch_" << layout.bits << "bit_block"
         << layout.blockSize;
    return name.str();
}

class FlacDecodeMatrix : public FlacTest, public ::testing::WithParamInterface<Layout> {};

} // namespace

// Decoded through the plug-in with the file's own layout, every file gives exactly flac's own
// PCM, every channel in FLAC's order, one chunk per frame, and then the end in its three steps.
TEST_P(FlacDecodeMatrix, DecodesExactlyWhatFlacDecodes) {
    const Layout layout = GetParam();
    std::string flac =
        encodeWithFlac(wavFile("in.wav", layout.rate, layout.channels, layout.bits, layout.seconds),
                       "in.flac", "--blocksize=" + std::to_string(layout.blockSize));
    const int64_t total = metaflacNumber(flac, "total-samples");
    ASSERT_GT(total, 0);
    ASSERT_EQ(metaflacNumber(flac, "bps"), layout.bits);
    const int bytes = (layout.bits + 7) / 8;
    const Bytes expected = flacDecoded(flac);

    const int kept = layout.channels;
    P<orxa::common::IAudioSource> source = this->source(flac, layout.rate, kept, bytes);
    ASSERT_TRUE(source);
    source->open();
    EXPECT_DOUBLE_EQ(source->getDuration(), static_cast<double>(total) / layout.rate);

    auto* info = tamu::interfaceCast<orxa::common::IAudioStreamInfo>(source.get(), false);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->getStreamSampleRate(), layout.rate);
    EXPECT_EQ(info->getStreamChannels(), layout.channels);
    EXPECT_EQ(info->getStreamBitsPerSample(), layout.bits);
    EXPECT_EQ(info->getStreamTotalSamples(), total);

    Decoded decoded = decodeAll(*source);
    EXPECT_EQ(decoded.pcm.size(), static_cast<size_t>(total) * kept * bytes);
    EXPECT_TRUE(decoded.pcm == expected) << "decoded PCM differs from flac -d";

    // One frame per chunk: every chunk but the last holds a whole block.
    ASSERT_FALSE(decoded.chunkSizes.empty());
    const int32_t frameBytes = layout.blockSize * kept * bytes;
    for (size_t i = 0; i + 1 < decoded.chunkSizes.size(); ++i)
        ASSERT_EQ(decoded.chunkSizes[i], frameBytes) << "chunk " << i;
    EXPECT_LE(decoded.chunkSizes.back(), frameBytes);
    EXPECT_DOUBLE_EQ(decoded.chunkTimes.front(),
                     static_cast<double>(decoded.chunkSizes.front() / (kept * bytes)) /
                         layout.rate);

    EXPECT_TRUE(source->isAtEnd());
    EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);
    EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);
    source->close();
}

// Block sizes from the smallest to the largest, every bit depth, 1 to 8 channels, 8 to 384 kHz.
INSTANTIATE_TEST_SUITE_P(
    Layouts, FlacDecodeMatrix,
    ::testing::Values(Layout{44100, 2, 16, 16, 0.05}, Layout{44100, 2, 16, 192, 0.3},
                      Layout{44100, 2, 16, 725, 0.5}, Layout{44100, 2, 16, 4096, 0.5},
                      Layout{44100, 2, 16, 4608, 0.5}, Layout{44100, 2, 16, 16384, 0.8},
                      Layout{44100, 1, 16, 65535, 1.6}, Layout{48000, 2, 8, 4096, 0.3},
                      Layout{48000, 2, 12, 4096, 0.3}, Layout{48000, 1, 20, 1152, 0.3},
                      Layout{48000, 2, 20, 4096, 0.3}, Layout{48000, 2, 24, 4096, 0.3},
                      Layout{48000, 2, 32, 4096, 0.3}, Layout{44100, 1, 16, 4096, 0.3},
                      Layout{44100, 3, 16, 4096, 0.3}, Layout{44100, 6, 24, 4096, 0.3},
                      Layout{44100, 8, 16, 2048, 0.3}, Layout{44100, 5, 12, 4096, 0.2},
                      Layout{8000, 1, 16, 1152, 0.5}, Layout{22050, 2, 16, 4096, 0.5},
                      Layout{96000, 2, 24, 4096, 0.3}, Layout{192000, 2, 24, 8192, 0.2},
                      Layout{384000, 2, 16, 16384, 0.2}, Layout{44100, 4, 8, 1024, 0.1},
                      Layout{44100, 4, 16, 1024, 0.1}, Layout{44100, 4, 20, 1024, 0.1},
                      Layout{44100, 4, 24, 1024, 0.1}, Layout{44100, 5, 8, 1024, 0.1},
                      Layout{44100, 5, 16, 1024, 0.1}, Layout{44100, 5, 20, 1024, 0.1},
                      Layout{44100, 5, 24, 1024, 0.1}, Layout{44100, 6, 8, 1024, 0.1},
                      Layout{44100, 6, 16, 1024, 0.1}, Layout{44100, 6, 20, 1024, 0.1},
                      Layout{44100, 7, 8, 1024, 0.1}, Layout{44100, 7, 16, 1024, 0.1},
                      Layout{44100, 7, 20, 1024, 0.1}, Layout{44100, 7, 24, 1024, 0.1},
                      Layout{44100, 8, 8, 1024, 0.1}, Layout{44100, 8, 20, 1024, 0.1},
                      Layout{44100, 8, 24, 1024, 0.1}, Layout{44100, 3, 8, 1024, 0.1},
                      Layout{44100, 3, 20, 1024, 0.1}, Layout{44100, 3, 24, 1024, 0.1},
                      Layout{44100, 1, 8, 1024, 0.1}, Layout{44100, 1, 24, 1024, 0.1}),
    [](const auto& info) { return nameOf(info.param); });

namespace {

class FlacSource : public FlacTest {
protected:
    // A short 16-bit stereo 44100 Hz file made by flac with 4096-sample blocks.
    std::string stereoFile(double seconds = 0.5) {
        return encodeWithFlac(wavFile("in.wav", 44100, 2, 16, seconds), "in.flac",
                              "--blocksize=4096");
    }

    // Past "fLaC" and every metadata block.
    static size_t firstFrameOffset(const Bytes& file) {
        size_t at = 4;
        bool last = false;
        while (!last && at + 4 <= file.size()) {
            last = (file[at] & 0x80) != 0;
            at += 4 +
                  ((static_cast<size_t>(file[at + 1]) << 16) | (file[at + 2] << 8) | file[at + 3]);
        }
        return at;
    }

    // "name: message" of what open throws. The source stays until the test ends, so that its
    // destructor adds nothing to the log the test reads.
    std::string openFailure(const std::string& name) {
        m_failed = this->source(pathOf(name), 44100, 2, 2);
        std::string failure = "opened";
        try {
            m_failed->open();
        } catch (const tamu::CException& e) {
            failure = tamu::stringConv::toStdString(*e.getName()) + ": " +
                      tamu::stringConv::toStdString(*e.getMessage());
        }
        EXPECT_FALSE(m_failed->isOpen());
        return failure;
    }

    P<orxa::common::IAudioSource> m_failed;
};

class FlacSourceConversion : public FlacSource, public ::testing::WithParamInterface<PcmLayout> {};

} // namespace

// A file whose layout differs from the wanted one comes out converted, at its full length:
// total samples x wanted rate / file rate, within one frame.
TEST_P(FlacSourceConversion, ConvertsToTheWantedLayoutAtFullLength) {
    const PcmLayout wanted = GetParam();
    std::string flac = stereoFile(1.0);
    const int64_t total = metaflacNumber(flac, "total-samples");
    P<orxa::common::IAudioSource> source =
        this->source(flac, wanted.rate, wanted.channels, wanted.bytes);
    source->open();
    EXPECT_EQ(source->getSampleRate(), wanted.rate);
    EXPECT_EQ(source->getChannels(), wanted.channels);
    EXPECT_EQ(source->getBytesPerSample(), wanted.bytes);

    Decoded decoded = decodeAll(*source);
    const size_t frameBytes = static_cast<size_t>(wanted.channels * wanted.bytes);
    for (int32_t size : decoded.chunkSizes)
        ASSERT_EQ(static_cast<size_t>(size) % frameBytes, 0u);
    const double frames = static_cast<double>(decoded.pcm.size() / frameBytes);
    const double expected = static_cast<double>(total) * wanted.rate / 44100.0;
    // The converter's drained tail is part of the stream: without it a resampled file would
    // come out some filter lengths short.
    EXPECT_NEAR(frames, expected, 2.0);

    // Not silence: the sine and the noise survive the conversion.
    int distinct = 0;
    for (size_t i = frameBytes; i < decoded.pcm.size() && distinct < 100; i += frameBytes)
        distinct += !std::equal(decoded.pcm.begin() + static_cast<std::ptrdiff_t>(i),
                                decoded.pcm.begin() + static_cast<std::ptrdiff_t>(i + frameBytes),
                                decoded.pcm.begin() + static_cast<std::ptrdiff_t>(i - frameBytes));
    EXPECT_GE(distinct, 100);

    EXPECT_TRUE(source->isAtEnd());
    EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);
}

INSTANTIATE_TEST_SUITE_P(Layouts, FlacSourceConversion,
                         ::testing::Values(PcmLayout{48000, 2, 2}, PcmLayout{44100, 1, 2},
                                           PcmLayout{44100, 2, 1}, PcmLayout{44100, 2, 3},
                                           PcmLayout{22050, 1, 1}),
                         [](const auto& info) { return layoutName(info.param); });

// A surround file asked for fewer or more channels goes through the channel rules with all of
// its channels: a tone on the centre alone reaches both sides of a stereo downmix, and a
// stereo file spread to 5.1 keeps its pair and adds silence. A 24-bit file resampled keeps 24
// bits.
TEST_F(FlacSource, ConversionUsesEveryChannelAndEveryBit) {
    check("sox -n -r 44100 -b 16 -c 1 tone.wav synth 0.3 sine 440 vol 0.5"
          " && sox tone.wav centre.wav remix 0 0 1 0 0 0");
    const std::string centre = encodeWithFlac(pathOf("centre.wav"), "centre.flac", "");
    const auto peakOf = [](const Bytes& pcm, int channels, int channel) {
        int peak = 0;
        for (size_t at = static_cast<size_t>(channel) * 2; at + 1 < pcm.size();
             at += static_cast<size_t>(channels) * 2)
            peak = std::max(peak, std::abs(static_cast<int16_t>(pcm[at] | pcm[at + 1] << 8)));
        return peak;
    };
    P<orxa::common::IAudioSource> stereo = this->source(centre, 44100, 2, 2);
    stereo->open();
    const Bytes down = decodeAll(*stereo).pcm;
    EXPECT_EQ(down.size(), static_cast<size_t>(metaflacNumber(centre, "total-samples")) * 4);
    // -6 dBFS on the centre, folded at -3 dB: about 11585 on each side.
    EXPECT_NEAR(peakOf(down, 2, 0), 16384 * 0.7071, 200);
    EXPECT_NEAR(peakOf(down, 2, 1), 16384 * 0.7071, 200);

    P<orxa::common::IAudioSource> six = this->source(stereoFile(), 44100, 6, 2);
    six->open();
    const Bytes up = decodeAll(*six).pcm;
    EXPECT_GT(peakOf(up, 6, 0), 10000);
    EXPECT_GT(peakOf(up, 6, 1), 10000);
    for (int c = 2; c < 6; ++c)
        EXPECT_EQ(peakOf(up, 6, c), 0) << c;

    const std::string wide =
        encodeWithFlac(wavFile("wide.wav", 96000, 2, 24, 0.3), "wide.flac", "");
    P<orxa::common::IAudioSource> resampled = this->source(wide, 48000, 2, 3);
    resampled->open();
    const Bytes pcm = decodeAll(*resampled).pcm;
    ASSERT_GT(pcm.size(), 3000u);
    std::vector<bool> lowBytes(256, false);
    for (size_t at = 0; at < pcm.size(); at += 3)
        lowBytes[pcm[at]] = true;
    EXPECT_GT(std::count(lowBytes.begin(), lowBytes.end(), true), 200);
}

TEST_F(FlacSource, LogsItsProgressAndOpensOnce) {
    // Never opened, a source closes quietly and refuses to decode.
    P<orxa::common::IAudioSource> none = this->source(pathOf("none.flac"), 44100, 2, 2);
    none->close();
    EXPECT_EQ(countLines(2, "none.flac closed"), 1);
    EXPECT_THROW(none->isAtEnd(), COrxaError);
    EXPECT_THROW(none->getNextAudioChunk(), COrxaError);
    EXPECT_THROW(none->skipTo(1.0), COrxaError);

    std::string flac = stereoFile();
    P<orxa::common::IAudioSource> source = this->source(flac, 44100, 2, 2);
    EXPECT_FALSE(source->isOpen());
    EXPECT_DOUBLE_EQ(source->getDuration(), -1.0);
    source->open();
    source->open();
    EXPECT_TRUE(source->isOpen());
    EXPECT_EQ(countLines(2, "CFLACSource: trying to open "), 1);
    EXPECT_EQ(countLines(2, "in.flac"), 1);

    source->close();
    EXPECT_FALSE(source->isOpen());
    EXPECT_EQ(countLines(2, "CFLACSource: "), 3);
    EXPECT_EQ(countLines(2, "in.flac closed"), 1);
    // The duration found stays known after close.
    EXPECT_DOUBLE_EQ(source->getDuration(), 0.5);

    // Opened again, it starts from the beginning.
    source->open();
    EXPECT_EQ(decodeAll(*source).pcm.size(), 22050u * 4);
}

namespace {

using EMD5Result = orxa::common::IStreamIntegrity::EMD5Result;
using orxa::common::IStreamIntegrity;

// The PCM of `source` from its next chunk on, and the first chunk's size and time.
struct Rest {
    Bytes pcm;
    int32_t firstSize = -1;
    double firstTime = -1.0;
};

Rest restOf(orxa::common::IAudioSource& source) {
    Rest rest;
    while (P<orxa::audio::IAudioChunk> chunk = source.getNextAudioChunk()) {
        if (rest.firstSize < 0) {
            rest.firstSize = chunk->getSize();
            rest.firstTime = chunk->getTime();
        }
        rest.pcm.insert(rest.pcm.end(), chunk->getData(), chunk->getData() + chunk->getSize());
    }
    return rest;
}

Bytes from(const Bytes& pcm, size_t frame, size_t frameBytes) {
    return Bytes(pcm.begin() +
                     static_cast<std::ptrdiff_t>(std::min(pcm.size(), frame * frameBytes)),
                 pcm.end());
}

} // namespace

// skipTo lands on the sample nearest the time, forward and back, inside frames and on their
// boundaries, with a seek table and without one: the next chunk starts there (shorter than a
// frame when inside one), carries the time of its own end as every chunk does, and the rest of
// the stream follows whole. The report then says the stream was not decoded whole.
TEST_F(FlacSource, SkipsToTheExactSampleForwardAndBack) {
    for (const char* table : {"", " -S-"}) {
        SCOPED_TRACE(*table ? "without a seek table" : "with a seek table");
        std::string flac = encodeWithFlac(wavFile("in.wav", 44100, 2, 16, 2.0), "in.flac",
                                          std::string("--blocksize=4096") + table);
        const Bytes expected = flacDecoded(flac);
        P<orxa::common::IAudioSource> source = this->source(flac, 44100, 2, 2);
        auto* report = tamu::interfaceCast<IStreamIntegrity>(source.get(), false);
        report->setMD5Checking(true);
        source->open();
        auto* info = tamu::interfaceCast<orxa::common::IAudioStreamInfo>(source.get(), false);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->getStreamSeekPointCount(), *table ? 0 : 1);
        EXPECT_EQ(report->getMD5Result(), EMD5Result::pending);

        // In samples: inside a frame, a boundary, back to the start, back inside, the last one.
        for (int64_t sample : {60000, 8192, 0, 5000, 20000 + 4096 * 3, 88199}) {
            SCOPED_TRACE(sample);
            source->skipTo(static_cast<double>(sample) / 44100.0);
            P<orxa::audio::IAudioChunk> first = source->getNextAudioChunk();
            ASSERT_TRUE(first);
            const int64_t frames = first->getSize() / 4;
            EXPECT_EQ(frames, std::min<int64_t>(4096 - sample % 4096, 88200 - sample));
            EXPECT_DOUBLE_EQ(first->getTime(), static_cast<double>(sample + frames) / 44100.0);
            Bytes rest(first->getData(), first->getData() + first->getSize());
            const Rest after = restOf(*source);
            rest.insert(rest.end(), after.pcm.begin(), after.pcm.end());
            ASSERT_TRUE(rest == from(expected, static_cast<size_t>(sample), 4));
        }
        // A time between two samples goes to the nearer one.
        source->skipTo(1000.6 / 44100.0);
        EXPECT_TRUE(restOf(*source).pcm == from(expected, 1001, 4));

        EXPECT_TRUE(report->isStreamEnded());
        EXPECT_FALSE(report->isEndedEarly());
        EXPECT_EQ(report->getLostSamples(), 0);
        EXPECT_EQ(report->getLostSyncCount(), 0);
        EXPECT_EQ(report->getMD5Result(), EMD5Result::unchecked);
        EXPECT_FALSE(report->isIntact());
        source->close();
    }
}

// At or past the end the next chunk is the end; from there, and from an end that was checked
// against the MD5 signature, the source still goes back. Times that are none are refused.
TEST_F(FlacSource, SkipsToTheEndAndBackFromIt) {
    std::string flac = stereoFile(1.0);
    const Bytes expected = flacDecoded(flac);
    P<orxa::common::IAudioSource> source = this->source(flac, 44100, 2, 2);
    auto* report = tamu::interfaceCast<IStreamIntegrity>(source.get(), false);
    report->setMD5Checking(true);
    source->open();
    EXPECT_TRUE(decodeAll(*source).pcm == expected);
    EXPECT_EQ(report->getMD5Result(), EMD5Result::matched);
    source->skipTo(0.5);
    EXPECT_TRUE(restOf(*source).pcm == from(expected, 22050, 4));
    EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);

    for (double end : {1.0, 100.0, 1e300, HUGE_VAL}) {
        source->skipTo(end);
        EXPECT_TRUE(source->isAtEnd());
        EXPECT_FALSE(source->getNextAudioChunk());
        EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);
    }
    source->skipTo(0.0);
    EXPECT_FALSE(source->isAtEnd());
    EXPECT_TRUE(restOf(*source).pcm == expected);

    // A refused time leaves the source where it was.
    source->skipTo(0.9);
    for (double none : {-0.001, -HUGE_VAL, std::nan("")})
        EXPECT_THROW(source->skipTo(none), COrxaError);
    EXPECT_TRUE(restOf(*source).pcm == from(expected, 39690, 4));
}

// With a converter the jump starts a fresh conversion: its first chunk is stamped with the time
// asked for, and from there the converted stream has the length of what is left.
TEST_F(FlacSource, SkipWithAConverterStartsAFreshConversionAtTheTime) {
    std::string flac = stereoFile(1.0);
    P<orxa::common::IAudioSource> source = this->source(flac, 48000, 2, 2);
    source->open();
    // Half the stream converted first, so the converter holds history and pending input.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(source->getNextAudioChunk());
    source->skipTo(0.25);
    const Rest rest = restOf(*source);
    EXPECT_DOUBLE_EQ(rest.firstTime, 0.25);
    EXPECT_EQ(rest.pcm.size() / 4, 36000u);

    // The same jump on a source that converted nothing before gives the same samples.
    P<orxa::common::IAudioSource> fresh = this->source(flac, 48000, 2, 2);
    fresh->open();
    fresh->skipTo(0.25);
    EXPECT_TRUE(restOf(*fresh).pcm == rest.pcm);
}

// In a damaged file libFLAC's search may fail; the source then decodes from the start and still
// lands on the sample, where the damage left one, and past the damage on the samples flac
// decodes through it.
TEST_F(FlacSource, SkipInADamagedFileStillLandsOnTheSample) {
    Bytes file = readBytes(stereoFile(2.0));
    const size_t start = firstFrameOffset(file);
    // Frames from about 0.6 s to 1.2 s become noise without a frame sync.
    const size_t from = start + (file.size() - start) * 3 / 10;
    const size_t to = start + (file.size() - start) * 6 / 10;
    for (size_t i = from; i < to; ++i)
        file[i] = static_cast<uint8_t>(0x55 ^ (i * 7));
    writeBytes(pathOf("damaged.flac"), file);
    check("flac -s -d -F -f -o damaged.wav damaged.flac || true");
    const Bytes throughErrors = wavData(readBytes(pathOf("damaged.wav")));

    P<orxa::common::IAudioSource> source = this->source(pathOf("damaged.flac"), 44100, 2, 2);
    source->open();
    auto* report = tamu::interfaceCast<IStreamIntegrity>(source.get(), false);
    // 30000 lies in the damage, where the search fails; the source goes on from there.
    for (int64_t sample : {70000, 1000, 30000, 60000, 70000}) {
        SCOPED_TRACE(sample);
        source->skipTo(static_cast<double>(sample) / 44100);
        P<orxa::audio::IAudioChunk> chunk = source->getNextAudioChunk();
        ASSERT_TRUE(chunk);
        const Bytes got(chunk->getData(), chunk->getData() + chunk->getSize());
        if (sample < 20000 || sample > 56000) {
            const Bytes want(throughErrors.begin() + sample * 4,
                             throughErrors.begin() + sample * 4 + chunk->getSize());
            EXPECT_TRUE(got == want);
        }
    }
    EXPECT_EQ(report->getMD5Result(), EMD5Result::unchecked);
}

TEST_F(FlacSource, OffersTheFileTagsInTheirOrder) {
    std::string flac = encodeWithFlac(wavFile("in.wav", 44100, 6, 16, 0.2), "in.flac",
                                      "-T TITLE=Ünïcode -T ARTIST=one -T ARTIST=two");
    P<orxa::common::IAudioSource> source = this->source(flac, 44100, 2, 2);
    source->open();
    P<tamu::IConstArray> tags =
        tamu::interfaceCast<orxa::common::IAudioStreamInfo>(source)->getStreamTags();
    std::vector<std::string> texts;
    for (int32_t i = 0; i < tags->getCount(); ++i) {
        P<tamu::IString> tag = tamu::interfaceCast<tamu::IString>(tags->get(i));
        texts.push_back(tamu::stringConv::toStdString(*tag));
    }
    // flac adds the channel mask of the WAV file after the tags it was given.
    ASSERT_GE(texts.size(), 3u);
    texts.resize(3);
    EXPECT_EQ(texts, (std::vector<std::string>{"TITLE=Ünïcode", "ARTIST=one", "ARTIST=two"}));
}

// A missing file or a directory fails with the stream manager's own error; anything else that
// is not FLAC, with the decoder's.
TEST_F(FlacSource, FilesThatAreNotFlacFailToOpen) {
    std::filesystem::create_directory(pathOf("folder.flac"));
    EXPECT_NE(openFailure("folder.flac"), "opened");
    std::string missing = openFailure("missing.flac");
    EXPECT_EQ(missing.rfind("COrxaError", 0), std::string::npos) << missing;
    EXPECT_NE(missing.find("missing.flac"), std::string::npos) << missing;

    writeBytes(pathOf("empty.flac"), {});
    writeBytes(pathOf("text.flac"), Bytes(3000, 'x'));
    writeBytes(pathOf("wave.flac"), readBytes(wavFile("in.wav", 8000, 1, 16, 0.1)));
    for (const char* name : {"empty.flac", "text.flac", "wave.flac"}) {
        std::string failure = openFailure(name);
        EXPECT_EQ(failure.rfind("COrxaError: CFLACSource::open() - failed to read metadata in ", 0),
                  0u)
            << failure;
        EXPECT_NE(failure.find(name), std::string::npos) << failure;
    }
}

// A streaming encoder leaves the total at 0: the stream still decodes to its end, as it is, and
// through the converter.
TEST_F(FlacSource, MissingTotalSamplesIsLoggedAndDecodedToTheEnd) {
    std::string flac = stereoFile();
    const Bytes expected = flacDecoded(flac);
    Bytes file = readBytes(flac);
    // STREAMINFO's 36-bit total sample count ends the 18th byte of its body.
    file[21] &= 0xF0;
    std::fill(file.begin() + 22, file.begin() + 26, 0);
    writeBytes(pathOf("streamed.flac"), file);
    for (int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        P<orxa::common::IAudioSource> source = this->source(pathOf("streamed.flac"), rate, 2, 2);
        source->open();
        EXPECT_EQ(source->getDuration(), -1.0);
        Decoded decoded = decodeAll(*source);
        if (rate == 44100)
            EXPECT_EQ(decoded.pcm, expected);
        else // the converted length follows the rate ratio within a frame
            EXPECT_NEAR(static_cast<double>(decoded.pcm.size()) / 4, 22050.0 * 48000 / 44100, 4096);
        auto* report = tamu::interfaceCast<orxa::common::IStreamIntegrity>(source.get(), false);
        EXPECT_FALSE(report->isEndedEarly());
        EXPECT_EQ(report->getExpectedSamples(), 0);
    }
    EXPECT_EQ(countLines(0, "CFLACSource: missing total samples in stream info ("), 2);
}

// open, close and isOpen share the source's lock: a host may ask from another thread while
// its decoding thread opens and closes.
TEST_F(FlacSource, ConcurrentOpenCloseAndIsOpen) {
    std::string flac = stereoFile(0.1);
    P<orxa::common::IAudioSource> source = this->source(flac, 44100, 2, 2);
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        while (!done.load())
            source->isOpen();
    });
    for (int i = 0; i < 20; ++i) {
        source->open();
        EXPECT_TRUE(source->isOpen());
        source->close();
    }
    done = true;
    watcher.join();
    EXPECT_FALSE(source->isOpen());
    EXPECT_EQ(countLines(2, "CFLACSource: trying to open "), 20);
    EXPECT_EQ(countLines(2, "in.flac closed"), 20);
}

namespace {

// STREAMINFO's body starts 8 bytes in: the sample rate at 18, the MD5 signature at 26.
constexpr size_t md5Offset = 26;

// What of flac's own PCM the damaged file still gives.
enum class Audio { whole, upToTheCut, allButTheFirstFrame };

struct IntegrityCase {
    const char* name;
    bool checkMD5;
    void (*damage)(Bytes& file, size_t secondFrame);
    bool endedEarly;
    int32_t crcEvents;
    int64_t lostSamples;
    EMD5Result md5;
    Audio audio;
};

const IntegrityCase integrityCases[] = {
    {"clean", true, [](Bytes&, size_t) {}, false, 0, 0, EMD5Result::matched, Audio::whole},
    {"clean, not asked", false, [](Bytes&, size_t) {}, false, 0, 0, EMD5Result::unchecked,
     Audio::whole},
    {"patched MD5", true, [](Bytes& f, size_t) { f[md5Offset + 3] ^= 0x55; }, false, 0, 0,
     EMD5Result::mismatched, Audio::whole},
    {"zero MD5", true, [](Bytes& f, size_t) { std::fill_n(f.begin() + md5Offset, 16, 0); }, false,
     0, 0, EMD5Result::unchecked, Audio::whole},
    {"truncated", true, [](Bytes& f, size_t) { f.resize(f.size() * 2 / 3); }, true, 0, 0,
     EMD5Result::unchecked, Audio::upToTheCut},
    // The byte before the second frame is the first frame's CRC-16: libFLAC drops that frame,
    // and everything after it is intact.
    {"bad CRC", true, [](Bytes& f, size_t second) { f[second - 1] ^= 0x5A; }, false, 1, 4096,
     EMD5Result::unchecked, Audio::allButTheFirstFrame},
};

} // namespace

// Damage is logged and decoding goes on: each kind gives the audio flac gives up to it or past
// it, and the report tells which kind it was.
TEST_F(FlacSource, IntegrityReportTellsEachKindOfDamage) {
    const std::string flac = stereoFile();
    const Bytes original = readBytes(flac);
    const Bytes expected = flacDecoded(flac);
    const size_t second = [&] {
        auto first = original.begin() + static_cast<std::ptrdiff_t>(firstFrameOffset(original));
        const Bytes pattern = {0xFF, 0xF8, first[2], first[3], 0x01};
        return static_cast<size_t>(
            std::search(first + 1, original.end(), pattern.begin(), pattern.end()) -
            original.begin());
    }();
    ASSERT_LT(second, original.size());
    for (const IntegrityCase& c : integrityCases) {
        SCOPED_TRACE(c.name);
        Bytes file = original;
        c.damage(file, second);
        writeBytes(pathOf("case.flac"), file);
        P<orxa::common::IAudioSource> source = this->source(pathOf("case.flac"), 44100, 2, 2);
        auto* report = tamu::interfaceCast<IStreamIntegrity>(source.get(), false);
        ASSERT_NE(report, nullptr);
        report->setMD5Checking(c.checkMD5);
        // A second open starts a new report: nothing of the first one adds up.
        for (int round = 0; round < 2; ++round) {
            source->open();
            EXPECT_FALSE(report->isStreamEnded());
            Decoded decoded = decodeAll(*source);
            EXPECT_TRUE(source->isAtEnd());
            EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);
            switch (c.audio) {
            case Audio::whole:
                EXPECT_TRUE(decoded.pcm == expected);
                break;
            case Audio::upToTheCut:
                EXPECT_GT(decoded.pcm.size(), 0u);
                EXPECT_LT(decoded.pcm.size(), expected.size());
                EXPECT_TRUE(std::equal(decoded.pcm.begin(), decoded.pcm.end(), expected.begin()));
                break;
            case Audio::allButTheFirstFrame:
                ASSERT_EQ(decoded.pcm.size(), expected.size() - 4096 * 4);
                EXPECT_TRUE(std::equal(decoded.pcm.begin(), decoded.pcm.end(),
                                       expected.begin() + 4096 * 4));
                break;
            }
            EXPECT_TRUE(report->isStreamEnded());
            EXPECT_EQ(report->getExpectedSamples(), 22050);
            EXPECT_EQ(report->getDecodedSamples(), static_cast<int64_t>(decoded.pcm.size() / 4));
            EXPECT_EQ(report->isEndedEarly(), c.endedEarly);
            EXPECT_EQ(report->getCRCMismatchCount(), c.crcEvents);
            EXPECT_EQ(report->getLostSamples(), c.lostSamples);
            EXPECT_EQ(report->getMD5Result(), c.md5);
            EXPECT_EQ(report->isIntact(),
                      !c.endedEarly && c.crcEvents == 0 && c.md5 != EMD5Result::mismatched);
            source->close();
        }
    }
    // Once for each of the two rounds of the bad CRC.
    EXPECT_EQ(countLines(0, "CFLACSource: FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH "
                            "(2) ignored in "),
              2);
}

// Damage inside a frame's residual makes libFLAC hand over two frames in one step (the broken one
// as silence, then the next): both reach the host, so the stream keeps its length as flac's own
// decoding through errors does.
TEST_F(FlacSource, DamageInsideAFrameLosesNoFollowingFrame) {
    std::string flac = stereoFile(2.0);
    Bytes file = readBytes(flac);
    file[file.size() / 2] ^= 0xFF;
    writeBytes(pathOf("flip.flac"), file);
    m_dir.run("flac -s -d -F -f -o flip.wav " + pathOf("flip.flac"));
    const Bytes expected = wavData(readBytes(pathOf("flip.wav")));

    P<orxa::common::IAudioSource> source = this->source(pathOf("flip.flac"), 44100, 2, 2);
    source->open();
    Decoded decoded = decodeAll(*source);
    auto* report = tamu::interfaceCast<IStreamIntegrity>(source.get(), false);
    EXPECT_GT(report->getLostSyncCount() + report->getCRCMismatchCount(), 0);
    EXPECT_FALSE(report->isIntact());
    EXPECT_EQ(decoded.pcm, expected);
}

TEST_F(FlacSource, DamagedStreamInfoIsRefusedAtOpen) {
    const Bytes original = readBytes(stereoFile());
    const struct {
        const char* name;
        void (*damage)(Bytes&);
        const char* text;
    } cases[] = {
        {"second block", [](Bytes& f) { f.insert(f.begin() + 42, f.begin() + 4, f.begin() + 42); },
         "a second STREAMINFO block"},
        {"rate 0",
         [](Bytes& f) {
             f[18] = f[19] = 0;
             f[20] &= 0x0F;
         },
         "STREAMINFO sample rate outside FLAC's range"},
        {"2 bits", // bits per sample - 1 straddles bytes 20 and 21
         [](Bytes& f) {
             f[20] &= 0xFE;
             f[21] = static_cast<uint8_t>((f[21] & 0x0F) | 0x10);
         },
         "STREAMINFO bit depth outside FLAC's range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = original;
        c.damage(file);
        writeBytes(pathOf("bad.flac"), file);
        P<orxa::common::IAudioSource> source = this->source(pathOf("bad.flac"), 44100, 2, 2);
        try {
            source->open();
            ADD_FAILURE() << "opened";
        } catch (const COrxaError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("CFLACSource::open() - damaged file: ") +
                                                 c.text + " in " + pathOf("bad.flac"));
        }
        EXPECT_FALSE(source->isOpen());
    }
}

// The signature is checked beside the decoding over the samples as decoded, whatever the depth
// (a packing that is not the signature's form is hashed in that form) and whatever layout the
// host asked for; one changed byte of it is a mismatch.
TEST_F(FlacSource, SignatureIsCheckedAtEveryDepthAndLayout) {
    const struct {
        int channels;
        int bits;
        int rate;
        int wantedRate;
        int wantedChannels;
        int wantedBytes;
    } cases[] = {
        {1, 8, 22050, 22050, 1, 1},  {2, 12, 44100, 44100, 2, 2}, {2, 16, 44100, 44100, 2, 2},
        {2, 20, 48000, 48000, 2, 3}, {6, 24, 48000, 48000, 6, 3}, {2, 16, 44100, 48000, 1, 3},
        {2, 24, 96000, 48000, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, " + std::to_string(c.bits) +
                     " bits, to " + std::to_string(c.wantedRate) + " Hz");
        std::string flac =
            encodeWithFlac(wavFile("sig.wav", c.rate, c.channels, c.bits, 0.5), "sig.flac", "");
        Bytes patched = readBytes(flac);
        patched[md5Offset + 15] ^= 0x01;
        writeBytes(pathOf("patched.flac"), patched);
        for (const auto& [path, result] :
             {std::pair{flac, EMD5Result::matched},
              std::pair{pathOf("patched.flac"), EMD5Result::mismatched}}) {
            P<orxa::common::IAudioSource> source =
                this->source(path, c.wantedRate, c.wantedChannels, c.wantedBytes);
            auto* report = tamu::interfaceCast<IStreamIntegrity>(source.get(), false);
            report->setMD5Checking(true);
            source->open();
            EXPECT_EQ(report->getMD5Result(), EMD5Result::pending);
            decodeAll(*source);
            EXPECT_EQ(report->getMD5Result(), result);
            source->close();
        }
    }
}
