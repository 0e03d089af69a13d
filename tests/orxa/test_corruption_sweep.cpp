// Damaged copies of generated files, by the hundred: each must end in chunks and then the end,
// or in COrxaError; never a crash or a hang, and never a report of "intact" for audio that
// differs from what was encoded.
#include "flacTestSupport.h"

#include "orxa/common/IStreamIntegrity.h"

#include <unistd.h>

#include <csignal>
#include <string>

using namespace flactest;
using orxa::common::COrxaEOFError;
using orxa::common::COrxaError;
using orxa::common::IStreamIntegrity;
using tamu::P;

namespace {

// Ends the run when one case takes longer than any sound decoder would (30 s): a hang must not
// wait out the test driver's own limit. The case under way is named as the run ends.
std::string runningCase;

void endLongCase(int) {
    const char text[] = "a case ran longer than 30 s: ";
    (void)!write(STDERR_FILENO, text, sizeof text - 1);
    (void)!write(STDERR_FILENO, runningCase.data(), runningCase.size());
    std::_Exit(3);
}

void startCase(const std::string& name) {
    runningCase = name;
    std::signal(SIGALRM, endLongCase);
    alarm(30);
}

void stopCase() {
    alarm(0);
}

struct Outcome {
    bool failed = false; // COrxaError from open or a chunk
    bool intact = false;
    bool lossTold = false; // the report names a loss (early end, events, lost samples)
    Bytes pcm;
};

class CorruptionSweep : public FlacTest, public ::testing::WithParamInterface<PcmLayout> {
protected:
    Outcome decode(const std::string& path, int bytes) {
        Outcome outcome;
        const PcmLayout layout = GetParam();
        P<orxa::common::IAudioSource> source =
            this->source(path, layout.rate, layout.channels, bytes);
        auto* report = tamu::interfaceCast<IStreamIntegrity>(source.get(), false);
        if (!report) {
            ADD_FAILURE() << "no integrity report";
            return outcome;
        }
        report->setMD5Checking(true);
        try {
            source->open();
            for (int guard = 0;; ++guard) {
                if (guard > 100000) {
                    ADD_FAILURE() << "no end after 100000 chunks";
                    break;
                }
                P<orxa::audio::IAudioChunk> chunk = source->getNextAudioChunk();
                if (!chunk)
                    break;
                outcome.pcm.insert(outcome.pcm.end(), chunk->getData(),
                                   chunk->getData() + chunk->getSize());
            }
            // After the end the source keeps saying so.
            EXPECT_THROW(source->getNextAudioChunk(), COrxaEOFError);
        } catch (const COrxaError&) {
            outcome.failed = true;
        }
        outcome.intact = report->isIntact();
        outcome.lossTold = report->isEndedEarly() || report->getLostSyncCount() > 0 ||
                           report->getCRCMismatchCount() > 0 || report->getLostSamples() != 0 ||
                           report->getHeaderMismatchCount() > 0 ||
                           report->getMD5Result() == IStreamIntegrity::EMD5Result::mismatched;
        try {
            // A decoder error still pending is told by close.
            source->close();
        } catch (const COrxaError&) {
            outcome.failed = true;
        }
        return outcome;
    }
};

// The cases for one file: truncations on a grid, deterministic bit flips and byte runs over
// the whole file, and damage to every byte of the metadata's first 64.
std::vector<std::pair<std::string, Bytes>> damagedCopies(const Bytes& original) {
    std::vector<std::pair<std::string, Bytes>> cases;
    const size_t size = original.size();
    for (size_t cut = 0; cut < size; cut += std::max<size_t>(1, size / 40))
        cases.emplace_back(
            "cut at " + std::to_string(cut),
            Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(cut)));
    uint32_t seed = 20261206;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int i = 0; i < 200; ++i) {
        Bytes copy = original;
        const size_t at = next() % size;
        copy[at] ^= static_cast<uint8_t>(1u << (next() % 8));
        cases.emplace_back("bit flip at " + std::to_string(at), std::move(copy));
    }
    for (int i = 0; i < 40; ++i) {
        Bytes copy = original;
        const size_t at = next() % size;
        const size_t length = std::min<size_t>(1 + next() % 64, size - at);
        std::fill_n(copy.begin() + static_cast<std::ptrdiff_t>(at), length,
                    static_cast<uint8_t>(i % 2 ? 0xFF : 0x00));
        cases.emplace_back("run at " + std::to_string(at), std::move(copy));
    }
    for (size_t at = 4; at < std::min<size_t>(size, 4 + 64); ++at) {
        Bytes copy = original;
        copy[at] ^= 0xA5;
        cases.emplace_back("metadata byte " + std::to_string(at), std::move(copy));
    }
    return cases;
}

} // namespace

TEST_P(CorruptionSweep, EveryDamageEndsCleanAndNoneIsCalledIntact) {
    const PcmLayout layout = GetParam();
    const int bits = layout.bytes * 8;
    const std::string flac =
        encodeWithFlac(wavFile("in.wav", layout.rate, layout.channels, bits, 0.4), "in.flac",
                       "--blocksize=1024 --padding=64 -T TITLE=sweep");
    const Bytes original = readBytes(flac);
    const Bytes expected = flacDecoded(flac);
    {
        const Outcome clean = decode(flac, layout.bytes);
        ASSERT_FALSE(clean.failed);
        ASSERT_TRUE(clean.intact);
        ASSERT_EQ(clean.pcm, expected);
    }

    const std::string path = pathOf("damaged.flac");
    int failures = 0, losses = 0, intact = 0, converted = 0;
    for (const auto& [name, bytes] : damagedCopies(original)) {
        SCOPED_TRACE(name);
        writeBytes(path, bytes);
        startCase(name);
        const Outcome outcome = decode(path, layout.bytes);
        stopCase();
        if (outcome.failed) {
            ++failures;
            continue;
        }
        if (outcome.intact) {
            ++intact;
            // Intact is a promise: the audio is exactly what was encoded.
            EXPECT_EQ(outcome.pcm, expected) << "called intact, but the audio differs";
        } else {
            ++losses;
            // A stream that is not intact either told its loss or could not check it.
            if (outcome.pcm != expected) {
                EXPECT_TRUE(outcome.lossTold) << "audio lost without a word";
            }
        }
        // The same damage through a converter must end as cleanly.
        if (++converted % 7 == 0) {
            startCase(name + " converted");
            P<orxa::common::IAudioSource> source = this->source(path, 32000, 2, 2);
            try {
                source->open();
                for (int guard = 0; guard < 100000 && source->getNextAudioChunk(); ++guard) {
                }
                source->close();
            } catch (const COrxaError&) {
            }
            stopCase();
        }
    }
    RecordProperty("failed", failures);
    RecordProperty("not_intact", losses);
    RecordProperty("intact", intact);
    EXPECT_GT(failures + losses, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, CorruptionSweep,
                         ::testing::Values(PcmLayout{22050, 1, 1}, PcmLayout{44100, 2, 2},
                                           PcmLayout{48000, 6, 3}),
                         [](const auto& info) { return layoutName(info.param); });
