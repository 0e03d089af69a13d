// End-to-end: the built orxa-host against the reference flac and sox tools.
#include "hostToolTest.h"

#include "tamu/CJsonParser.h"
#include "tamu/CVariantArray.h"
#include "tamu/CVariantMap.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

using toolrunner::quote;
using toolrunner::readFile;
using toolrunner::Result;

namespace {

namespace fs = std::filesystem;

const std::string samplePath = ORXA_SOURCE_DIR "/samples/orxa-demo.flac";
const std::string sample = quote(samplePath);

class OrxaHost : public toolrunner::HostToolTest {
protected:
    // Little-endian PCM of a FLAC file, as the reference decoder gives it: signed, but unsigned
    // at 8 bits as the chunks carry it; with `skip` or `until`, the span `flac -d` cuts (its plain
    // numbers are sample counts).
    std::string referenceRaw(const std::string& flac, int bits = 16, const std::string& skip = "",
                             const std::string& until = "") const {
        std::string raw = fs::path(flac).filename().string() + ".reference.raw";
        reference("flac -s -f -d --force-raw-format --endian=little --sign=" +
                  std::string(bits == 8 ? "unsigned" : "signed") +
                  (skip.empty() ? "" : " --skip=" + skip) +
                  (until.empty() ? "" : " --until=" + until) + " -o " + quote(raw) + " " +
                  quote(flac));
        return readFile(dir / raw);
    }

    // The samples of a sound file as little-endian PCM of its own width, signed as above.
    std::string soundFileRaw(const std::string& file, int bits) const {
        std::string raw = file + ".sox.raw";
        reference("sox " + quote(file) + " -t raw -e " +
                  std::string(bits == 8 ? "unsigned" : "signed") + " -b " + std::to_string(bits) +
                  " -L " + quote(raw));
        return readFile(dir / raw);
    }

    // `name`.wav of two tones, `bits` wide, and with `flacOptions` its reference `name`.flac.
    void makeWav(const std::string& name, int bits, int channels, int rate = 44100,
                 double seconds = 1.5, const char* flacOptions = nullptr) const {
        reference("sox -n -r " + std::to_string(rate) + " -b " + std::to_string(bits) + " -c " +
                  std::to_string(channels) + " " + quote(name + ".wav") + " synth " +
                  std::to_string(seconds) + " sine 440 sine 660 vol 0.7");
        if (flacOptions)
            reference("flac -s " + std::string(flacOptions) + " -o " + quote(name + ".flac") + " " +
                      quote(name + ".wav"));
    }
};

TEST_F(OrxaHost, InfoShowsTheFilesOwnLayoutDurationAndTags) {
    makeWav("mono24", 24, 1, 48000, 0.5, "-T ARTIST=Somebody -T 'TITLE=Mono Test'");
    Result result = ok("info " + sample + " mono24.flac");
    const std::string& out = result.out;
    EXPECT_NE(out.find("orxa-demo.flac\n  sample rate    44100 Hz\n  channels       2 (stereo)\n"
                       "  bits           16\n  total samples  176400\n"
                       "  duration       4.000 s (0:04.000)\n  seek points    1\n"
                       "  tags           6\n"
                       "    TITLE=Four Plucked Bars\n    ARTIST=orxa_flac\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("mono24.flac\n  sample rate    48000 Hz\n  channels       1 (mono)\n"
                       "  bits           24\n  total samples  24000\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("    ARTIST=Somebody\n    TITLE=Mono Test\n"), std::string::npos) << out;
    EXPECT_EQ(result.err, "");

    // Names that mean something in a URI reach the plug-in as the file's name.
    fs::copy_file(samplePath, dir / "odd name #1 %41?.flac");
    EXPECT_NE(ok("info 'odd name #1 %41?.flac'").out.find("  total samples  176400\n"),
              std::string::npos);
}

TEST_F(OrxaHost, DecodeGivesTheReferenceDecodersSamples) {
    std::string expected = referenceRaw(samplePath);
    ASSERT_EQ(expected.size(), 176400u * 4);

    EXPECT_EQ(ok("-q decode " + sample + " -o out.raw").err, "");
    EXPECT_TRUE(readFile(dir / "out.raw") == expected);
    EXPECT_TRUE(ok("decode -t raw " + sample + " -o -").out == expected);

    Result wav = ok("decode " + sample + " -o out.wav");
    EXPECT_TRUE(soundFileRaw("out.wav", 16) == expected);
    // Not a terminal: a summary line, no progress bar.
    EXPECT_NE(wav.err.find(" -> out.wav: 4.00 s of audio"), std::string::npos) << wav.err;
    EXPECT_EQ(wav.err.find('\r'), std::string::npos);

    ok("decode " + sample + " -o out.aiff");
    EXPECT_TRUE(soundFileRaw("out.aiff", 16) == expected);

    // Wider and narrower files keep their width; 8-bit WAV is unsigned.
    for (int bits : {8, 24}) {
        std::string name = "w" + std::to_string(bits);
        makeWav(name, bits, 2, 44100, 1.5, "");
        ok("decode -t raw " + name + ".flac");
        EXPECT_TRUE(readFile(dir / (name + ".raw")) == referenceRaw(name + ".flac", bits)) << bits;
    }
    ok("-q decode w8.flac -o w8-out.wav");
    EXPECT_TRUE(soundFileRaw("w8-out.wav", 8) == soundFileRaw("w8.wav", 8));
}

TEST_F(OrxaHost, EncodedFilesPassTheReferenceTestAndDecodeBitExact) {
    for (int bits : {8, 16, 24, 32}) {
        for (int channels : {1, 2}) {
            std::string name = "in" + std::to_string(bits) + "-" + std::to_string(channels);
            SCOPED_TRACE(name);
            makeWav(name, bits, channels);
            ok("-q encode " + name + ".wav");
            reference("flac -s -t " + name + ".flac");
            EXPECT_EQ(metaflac("bps", name + ".flac"), std::to_string(bits));
            EXPECT_EQ(metaflac("channels", name + ".flac"), std::to_string(channels));
            EXPECT_EQ(metaflac("total-samples", name + ".flac"), "66150");
            EXPECT_TRUE(referenceRaw(name + ".flac", bits) == soundFileRaw(name + ".wav", bits));
        }
    }
    reference("sox -n -r 22050 -b 16 -c 2 in.aiff synth 1 sine 440 sine 550 vol 0.6");
    ok("-q encode in.aiff");
    EXPECT_TRUE(referenceRaw("in.flac") == soundFileRaw("in.aiff", 16));

    // An empty recording makes a FLAC without a total, which reads back as nothing.
    reference("sox -n -r 44100 -b 16 -c 2 empty.wav trim 0 0");
    ok("-q encode empty.wav");
    reference("flac -s -t empty.flac");
    EXPECT_EQ(ok("-q decode -t raw empty.flac -o empty.raw").status, 0);
    EXPECT_EQ(fs::file_size(dir / "empty.raw"), 0u);
    ok("-q decode empty.flac -o back.wav");
    EXPECT_EQ(dir.run("soxi -s back.wav; soxi -c back.wav").out, "0\n2\n");
    EXPECT_NE(ok("info empty.flac").out.find("  total samples  unknown\n  duration       unknown\n"),
              std::string::npos);
}

TEST_F(OrxaHost, TranscodeKeepsTheSamplesOrResamplesToTheAskedRate) {
    ok("transcode " + sample + " -o same.flac");
    reference("flac -s -t same.flac");
    EXPECT_TRUE(referenceRaw("same.flac") == referenceRaw(samplePath));

    ok("transcode --rate 48000 " + sample + " -o r48.flac");
    reference("flac -s -t r48.flac");
    EXPECT_EQ(metaflac("sample-rate", "r48.flac"), "48000");
    EXPECT_EQ(metaflac("bps", "r48.flac"), "16");
    // 4 s at 48000 Hz, give or take the resampler's filter delay.
    EXPECT_NEAR(std::stol(metaflac("total-samples", "r48.flac")), 192000, 200);

    ok("transcode --channels 1 --rate 22050 " + sample + " -o m22.flac");
    EXPECT_EQ(metaflac("channels", "m22.flac"), "1");
    EXPECT_NEAR(std::stol(metaflac("total-samples", "m22.flac")), 88200, 100);
}

// Each failure is one line that starts with the file and says why; none leaves an output
// behind or spoils an earlier one.
TEST_F(OrxaHost, FailuresNameTheFileAndTheReasonAndLeaveNoOutput) {
    toolrunner::writeFile(dir / "text.flac", "this is not a FLAC file at all\n");
    fs::copy_file(dir / "text.flac", dir / "t\xe9xt.flac");
    toolrunner::writeFile(dir / "old.wav", "earlier output");
    makeWav("int32", 32, 1);
    reference("sox int32.wav -e floating-point real.wav");
    // A directory in the way of the rename: the work is all done before that shows.
    fs::create_directory(dir / "taken.flac");
    const struct {
        std::string arguments, start, reason;
    } cases[] = {
        {"info missing.flac", "orxa-host: missing.flac: No such file or directory\n", ""},
        {"decode text.flac -o out.wav", "orxa-host: text.flac: ", "failed to read metadata"},
        {"decode -f text.flac -o old.wav", "orxa-host: text.flac: ", ""},
        // Told by the name given, though the plug-in was handed another.
        {"decode 't\xe9xt.flac'", "orxa-host: t\xe9xt.flac: ", "failed to read metadata"},
        {"info .", "orxa-host: .: is a directory\n", ""},
        {"decode " + sample + " -o nowhere/out.wav",
         "orxa-host: nowhere/out.wav: cannot create the output: No such file or directory\n", ""},
        {"encode int32.wav -o nowhere/out.flac",
         "orxa-host: nowhere/out.flac: cannot create the output: No such file or directory\n", ""},
        {"encode text.flac -o out.flac", "orxa-host: text.flac: ", ""},
        {"encode real.wav", "orxa-host: real.wav: not integer PCM of 8, 16, 24 or 32 bits\n", ""},
        {"--plugin /nonexistent/liborxa_flac.so info " + sample,
         "orxa-host: /nonexistent/liborxa_flac.so: cannot load the plug-in: ", ""},
        {"transcode " + sample + " -o taken.flac", "orxa-host: taken.flac: is a directory\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        Result result = tool(c.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err.rfind(c.start, 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.err.find("/proc/self"), std::string::npos) << result.err;
    }
    EXPECT_EQ(readFile(dir / "old.wav"), "earlier output");
    EXPECT_TRUE(fs::is_empty(dir / "taken.flac"));
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"int32.wav", "old.wav", "real.wav",
                                                    "taken.flac", "text.flac", "t\xe9xt.flac"}));
}

// A mistake is one line naming it, as flac and sox tell theirs; the usage comes only when asked.
TEST_F(OrxaHost, UsageErrorsAreOneLineNamingTheMistake) {
    const struct {
        std::string arguments, named;
    } cases[] = {
        {"frobnicate x", "unknown command 'frobnicate'"},
        {"--bogus info a.flac", "unknown option '--bogus'"},
        {"encode --bogus a.wav", "--bogus"},
        {"info", "files"},
        {"decode --rate 0 a.flac", "--rate"},
        {"decode --channels 9 a.flac", "--channels"},
        {"encode --channel-map 1,,2 a.wav", "--channel-map wants"},
        {"transcode --jobs 0 a.flac", "--jobs"},
        {"-v -q info a.flac", "--quiet"},
        {"decode -o x.wav a.flac b.flac", "-o names the output of one input"},
        {"encode -o - a.wav", "cannot go to standard output"},
        {"transcode -o - a.flac", "cannot go to standard output"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        Result result = tool(c.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind("orxa-host: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("see 'orxa-host --help'\n"), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
    Result bare = tool("");
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("transcode"), std::string::npos);
    Result help = tool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("transcode"), std::string::npos);
    Result version = tool("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("orxa-host ", 0), 0u) << version.out;
    EXPECT_NE(version.out.find("\nlibFLAC 1."), std::string::npos) << version.out;
    EXPECT_NE(version.out.find("\nlibsoxr"), std::string::npos) << version.out;
    EXPECT_EQ(version.out.find("libsoxr libsoxr"), std::string::npos) << version.out;
    EXPECT_EQ(version.out.find("unknown"), std::string::npos) << version.out;
}

TEST_F(OrxaHost, ParallelJobsGiveTheBytesOfSequentialOnes) {
    std::string inputs = " " + sample;
    for (int bits : {16, 24}) {
        for (int channels : {1, 2}) {
            std::string name = "p" + std::to_string(bits) + "-" + std::to_string(channels);
            makeWav(name, bits, channels, 32000, 2.0, "");
            inputs += " " + name + ".flac";
        }
    }
    for (const std::string command : {"decode -t raw", "transcode"}) {
        SCOPED_TRACE(command);
        const std::string one = command.substr(0, 3) + "1", four = command.substr(0, 3) + "4";
        fs::create_directory(dir / one);
        fs::create_directory(dir / four);
        ok(command + " -q --jobs 1 -d " + one + inputs);
        ok(command + " -q --jobs 4 -d " + four + inputs);
        std::vector<std::string> names = dir.list(one);
        EXPECT_EQ(names.size(), 5u);
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            std::string bytes = readFile(dir / one / name);
            EXPECT_FALSE(bytes.empty());
            EXPECT_TRUE(bytes == readFile(dir / four / name));
        }
        // One failing input does not stop the others, and the status tells of it.
        Result mixed = tool(command + " -f -q --jobs 2 -d " + four + " missing.flac" + inputs);
        EXPECT_EQ(mixed.status, 1);
        EXPECT_EQ(mixed.err, "orxa-host: missing.flac: No such file or directory\n");
    }
    fs::create_directory(dir / "enc");
    ok("-q encode --jobs 3 -d enc p16-1.wav p16-2.wav p24-2.wav");
    EXPECT_TRUE(referenceRaw("enc/p24-2.flac", 24) == soundFileRaw("p24-2.wav", 24));
}

TEST_F(OrxaHost, VerboseShowsThePluginsLogLinesWithTheirLevels) {
    Result verbose = ok("-v info " + sample);
    EXPECT_NE(verbose.err.find("[2] CFLACSource: trying to open file:/"), std::string::npos)
        << verbose.err;
    EXPECT_NE(verbose.err.find("[2] CFLACSource: file:/"), std::string::npos) << verbose.err;
    EXPECT_EQ(ok("-q transcode " + sample + " -o q.flac").err, "");
}

TEST_F(OrxaHost, LongJobsShowProgressOnATerminalAndEndCleanlyWhenInterrupted) {
    makeWav("long", 16, 2, 44100, 30.0, "-0");
    fs::remove(dir / "long.wav");

    // script gives the tool a terminal; a reader that waits keeps the job going for over a
    // second, so the bar comes, and it is wiped at the end.
    std::string slowReader = " -t raw long.flac -o - | (sleep 1.5; cat >/dev/null)";
    Result shown = dir.run("script -qec " + quote(host() + " decode" + slowReader) + " /dev/null");
    ASSERT_EQ(shown.status, 0) << shown.out;
    EXPECT_NE(shown.out.find("x realtime"), std::string::npos) << shown.out;
    // The running file by name, its share done and the time left.
    EXPECT_NE(shown.out.find("long.flac "), std::string::npos);
    EXPECT_NE(shown.out.find("%  "), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find(" left"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\r\033[K"), std::string::npos);
    EXPECT_NE(shown.out.find("long.flac -> -: 30.00 s of audio"), std::string::npos);

    Result quiet =
        dir.run("script -qec " + quote(host() + " -q decode" + slowReader) + " /dev/null");
    ASSERT_EQ(quiet.status, 0) << quiet.out;
    EXPECT_EQ(quiet.out, "");

    // Many files one after another, interrupted on the way: the finished outputs stay, the one
    // under way goes, the rest are not begun.
    std::string inputs;
    for (int i = 0; i < 40; ++i) {
        std::string name = "in" + std::to_string(i) + ".flac";
        fs::create_symlink("long.flac", dir / name);
        inputs += " " + name;
    }
    fs::create_directory(dir / "out");
    Result interrupted = dir.run("timeout --preserve-status -s INT 1 " + host() +
                                 " -q transcode --rate 48000 --jobs 1 -d out" + inputs);
    EXPECT_EQ(interrupted.status, 130);
    EXPECT_NE(interrupted.err.find(": interrupted\n"), std::string::npos) << interrupted.err;
    EXPECT_EQ(std::count(interrupted.err.begin(), interrupted.err.end(), '\n'), 1);
    std::vector<std::string> finished = dir.list("out");
    EXPECT_LT(finished.size(), 40u);
    for (const std::string& name : finished) {
        EXPECT_NE(name[0], '.') << name;
        reference("flac -s -t " + quote("out/" + name));
    }
}

TEST_F(OrxaHost, DecodeConvertsToTheAskedLayout) {
    // A wider target takes the resampler's output at 32 bits, so the low byte carries signal.
    ok("-q decode --rate 48000 --bytes 3 " + sample + " -o wide.raw");
    std::string bytes = readFile(dir / "wide.raw");
    EXPECT_EQ(bytes.size() % 6, 0u);
    EXPECT_NEAR(static_cast<double>(bytes.size()) / 6, 192000, 200);
    size_t lowBytesSet = 0, highBytesSet = 0;
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) {
        lowBytesSet += bytes[i] != 0;
        highBytesSet += bytes[i + 2] != 0;
    }
    EXPECT_GT(lowBytesSet, bytes.size() / 6);
    EXPECT_GT(highBytesSet, bytes.size() / 6);

    ok("-q decode --channels 1 " + sample + " -o mono.wav");
    EXPECT_EQ(dir.run("soxi -c mono.wav; soxi -s mono.wav").out, "1\n176400\n");

    // The widest ratio both ways, to the end: the drained tail outgrows every cached block.
    makeWav("low", 16, 2, 8000, 20.0, "");
    ok("-q decode --rate 384000 low.flac -o high.raw");
    EXPECT_NEAR(static_cast<double>(fs::file_size(dir / "high.raw")) / 4, 20.0 * 384000, 4096 * 48);
    makeWav("high", 16, 2, 384000, 3.0, "");
    ok("-q decode --rate 8000 high.flac -o low.raw");
    EXPECT_NEAR(static_cast<double>(fs::file_size(dir / "low.raw")) / 4, 3.0 * 8000, 4096 / 48);

    // info goes on after a file it cannot read, and says so in its status.
    Result info = tool("info missing.flac " + sample);
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.err, "orxa-host: missing.flac: No such file or directory\n");
    EXPECT_NE(info.out.find("orxa-demo.flac\n  sample rate    44100 Hz\n"), std::string::npos)
        << info.out;
}

// Damaged copies of a generated file: each fails with its reason and leaves nothing, -F keeps
// the output and tells the same reason as a warning, and `test` names every one.
TEST_F(OrxaHost, DamagedInputFailsWithTheReasonUnlessDecodedThroughErrors) {
    makeWav("tone", 16, 2, 44100, 3.0, "");
    auto size = fs::file_size(dir / "tone.flac");
    auto patch = [&](const std::string& name, uintmax_t offset) {
        return "cp tone.flac " + name + " && printf '\\125' | dd of=" + name +
               " bs=1 seek=" + std::to_string(offset) + " conv=notrunc status=none";
    };
    const struct {
        std::string name, make, reason;
    } cases[] = {
        {"cut.flac", "head -c " + std::to_string(size * 2 / 3) + " tone.flac > cut.flac",
         "stream ends at "},
        // The last byte is the last frame's CRC-16.
        {"crc.flac", patch("crc.flac", size - 1), "1 frame failed its CRC check"},
        // Inside a frame's residual the decoder loses its way before the CRC is reached.
        {"flip.flac", patch("flip.flac", size / 2), "lost sync"},
        // STREAMINFO's MD5 signature starts 26 bytes in.
        {"md5.flac", patch("md5.flac", 30), "MD5 signature mismatch"},
    };
    std::string all = "tone.flac";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reference(c.make);
        all += " " + c.name;
        std::string wav = fs::path(c.name).replace_extension(".wav").string();
        for (const std::string command : {"decode", "transcode -o out.flac"}) {
            Result failed = tool("-q " + command + " " + c.name);
            EXPECT_EQ(failed.status, 1);
            EXPECT_EQ(failed.err.rfind("orxa-host: " + c.name + ": ", 0), 0u) << failed.err;
            EXPECT_NE(failed.err.find(c.reason), std::string::npos) << failed.err;
            EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
            EXPECT_FALSE(fs::exists(dir / wav) || fs::exists(dir / "out.flac"));
        }
        Result kept = ok("-q decode -F " + c.name);
        EXPECT_EQ(kept.err.rfind("orxa-host: " + c.name + ": warning: ", 0), 0u) << kept.err;
        EXPECT_NE(kept.err.find(c.reason), std::string::npos) << kept.err;
        EXPECT_GT(fs::file_size(dir / wav), 44u);
    }
    EXPECT_EQ(ok("-q decode --no-md5 md5.flac -o nomd5.wav").err, "");

    Result tested = tool("test " + all);
    EXPECT_EQ(tested.status, 1);
    EXPECT_NE(tested.err.find("tone.flac: ok\n"), std::string::npos) << tested.err;
    for (const auto& c : cases) {
        if (all.find(c.name) != std::string::npos) {
            EXPECT_NE(tested.err.find("orxa-host: " + c.name + ": "), std::string::npos)
                << tested.err;
        }
    }
    EXPECT_EQ(tested.out, "");
    EXPECT_EQ(ok("-q test tone.flac").err, "");

    // A second STREAMINFO block (a copy of the first, behind it) is refused at open: no -F
    // decodes through a header that cannot be trusted.
    reference("head -c 42 tone.flac > twice.flac && tail -c +5 tone.flac | head -c 38 >> "
              "twice.flac && tail -c +43 tone.flac >> twice.flac");
    Result twice = tool("-q decode -F twice.flac");
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.err.rfind("orxa-host: twice.flac: ", 0), 0u) << twice.err;
    EXPECT_NE(twice.err.find("a second STREAMINFO block"), std::string::npos) << twice.err;
    EXPECT_FALSE(fs::exists(dir / "twice.wav"));

    // A WAV whose header promises more frames than it holds.
    reference("head -c 100000 tone.wav > short.wav");
    Result shortWav = tool("encode short.wav");
    EXPECT_EQ(shortWav.status, 1);
    EXPECT_NE(shortWav.err.find("orxa-host: short.wav: holds 24989 frames of the 132300 its "
                                "header promises (truncated)"),
              std::string::npos)
        << shortWav.err;
    EXPECT_FALSE(fs::exists(dir / "short.flac"));
    ok("-q encode -F short.wav");
    EXPECT_EQ(metaflac("total-samples", "short.flac"), "24989");
}

// An output is never replaced without -f, an input never even with it, and a batch that would
// do either, or write one output twice, does no work at all.
TEST_F(OrxaHost, OutputsAreRefusedBeforeAnyWork) {
    fs::copy_file(samplePath, dir / "a.flac");
    fs::create_directories(dir / "x");
    fs::copy_file(samplePath, dir / "x/a.flac");
    fs::create_symlink("a.flac", dir / "alias.flac");
    toolrunner::writeFile(dir / "a.wav", "earlier");
    const struct {
        std::string arguments, refusal;
    } cases[] = {
        {"decode a.flac", "orxa-host: a.wav: exists; use -f to replace it\n"},
        {"transcode a.flac", "orxa-host: a.flac: the output would replace the input"},
        {"transcode -f a.flac -o alias.flac", "orxa-host: alias.flac: is the input a.flac"},
        {"transcode -f alias.flac -o a.flac", "orxa-host: a.flac: is the input alias.flac"},
        {"decode -t raw -d out a.flac x/a.flac", "orxa-host: out/a.raw: both a.flac and x/a.flac"},
        {"encode -", "orxa-host: -: standard input needs the output's name with -o\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        Result result = tool(c.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err.rfind(c.refusal, 0), 0u) << result.err;
    }
    EXPECT_EQ(readFile(dir / "a.wav"), "earlier");
    EXPECT_TRUE(readFile(dir / "a.flac") == readFile(samplePath));
    EXPECT_TRUE(fs::is_empty(dir / "out"));

    // Replaced with -f, the file keeps its permission bits; a new one gets the umask's.
    fs::permissions(dir / "a.wav", fs::perms(0640));
    ok("-q decode -f a.flac");
    EXPECT_EQ(fs::status(dir / "a.wav").permissions(), fs::perms(0640));
    EXPECT_GT(fs::file_size(dir / "a.wav"), 700000u);
    reference("umask 027 && " + host() + " -q decode a.flac -o new.wav");
    EXPECT_EQ(fs::status(dir / "new.wav").permissions(), fs::perms(0640));
}

// Devices and FIFOs are written into, links keep pointing where they did, and names are bytes.
TEST_F(OrxaHost, SpecialOutputsAndNamesAreTakenAsTheyAre) {
    std::string expected = referenceRaw(samplePath);
    ok("-q decode " + sample + " -o /dev/null");
    ok("-q transcode " + sample + " -o /dev/null");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    reference("mkfifo pipe.raw");
    reference("{ cat pipe.raw > fromfifo & } && " + limitedHost() + " -q decode -t raw " + sample +
              " -o pipe.raw && wait");
    EXPECT_TRUE(readFile(dir / "fromfifo") == expected);

    fs::create_directory(dir / "real");
    fs::create_symlink("real/target.raw", dir / "link.raw");
    ok("-q decode " + sample + " -o link.raw");
    EXPECT_TRUE(fs::is_symlink(dir / "link.raw"));
    EXPECT_TRUE(readFile(dir / "real/target.raw") == expected);

    // Not UTF-8, and the longest names a file system takes, in and out.
    const std::string latin1 = "caf\xe9";
    const std::string longName = std::string(245, 'n'); // 250 bytes with ".flac"
    for (const std::string& name : {latin1, longName}) {
        SCOPED_TRACE(name.size());
        ok("-q transcode " + sample + " -o " + quote(name + ".flac"));
        ok("-q decode -t raw " + quote(name + ".flac"));
        EXPECT_TRUE(readFile(dir / (name + ".raw")) == expected);
    }

    // Standard input decodes as the file does, and encodes as the WAV does.
    EXPECT_TRUE(ok("-q decode -t raw - < " + sample).out == expected);
    ok("-q decode " + sample + " -o in.wav");
    ok("-q encode - -o fromstdin.flac < in.wav");
    EXPECT_TRUE(referenceRaw("fromstdin.flac") == expected);

    // A full device fails with the system's reason, named by the output as given.
    for (const std::string command : {"decode -t raw", "transcode", "encode"}) {
        SCOPED_TRACE(command);
        Result full =
            tool(command + " " + (command == "encode" ? "in.wav" : sample) + " -o /dev/full");
        EXPECT_EQ(full.status, 1);
        EXPECT_EQ(full.err, "orxa-host: /dev/full: cannot write the output: No space left on "
                            "device\n");
    }

    // A reader that goes away ends the tool at once and without a word.
    Result closed = dir.run("{ " + host() + " decode -t raw " + sample +
                            " -o -; echo $? > status; } | head -c 100 > /dev/null");
    EXPECT_EQ(readFile(dir / "status"), "141\n");
    EXPECT_EQ(closed.err, "");
}

TEST_F(OrxaHost, ReportsEachFileAndSumsUpABatch) {
    fs::copy_file(samplePath, dir / "a.flac");
    fs::copy_file(samplePath, dir / "b.flac");
    Result batch = tool("transcode --jobs 1 -d out a.flac missing.flac b.flac");
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("a.flac -> out/a.flac: 4.00 s of audio, "), std::string::npos)
        << batch.err;
    EXPECT_NE(batch.err.find("% of the input), "), std::string::npos) << batch.err;
    EXPECT_NE(batch.err.find("x realtime\n"), std::string::npos) << batch.err;
    EXPECT_NE(batch.err.find("2 done, 1 failed, 0 skipped; 0:08.000 of audio in "),
              std::string::npos)
        << batch.err;
}

// A reader that never reads fills the pipe; the signal still ends the tool at once.
TEST_F(OrxaHost, TerminationEndsAToolBlockedOnAFullPipe) {
    makeWav("long", 16, 2, 44100, 20.0, "-0");
    Result result =
        dir.run("{ " + host() +
                " decode -t raw long.flac -o - & echo $! > pid; wait $!; echo $? > status; }"
                " | sleep 6 & sleep 1; kill -TERM $(cat pid); start=$(date +%s%N);"
                " while kill -0 $(cat pid) 2>/dev/null; do sleep 0.02; done;"
                " echo $(( ($(date +%s%N) - start) / 1000000 ))");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_LT(std::stol(result.out), 1000) << result.out;
    EXPECT_EQ(readFile(dir / "status"), "143\n");
    std::vector<std::string> left = dir.list();
    EXPECT_EQ(std::count_if(left.begin(), left.end(),
                            [](const std::string& name) { return name.rfind(".orxa", 0) == 0; }),
              0);
}

} // namespace

// Surround and high-resolution files go through every job whole: all channels in FLAC's order,
// the file's own bit depth unless asked otherwise, the WAVE channel mask of FLAC's layout, and
// input masks in another order refused unless --channel-map says how to map them.
TEST_F(OrxaHost, SurroundAndWideFilesKeepEveryChannelAndBit) {
    makeWav("surround", 24, 6, 48000, 0.5, "--channel-map=none");
    ok("-q decode surround.flac -o whole.wav");
    EXPECT_EQ(dir.run("soxi -c whole.wav; soxi -p whole.wav").out, "6\n24\n");
    EXPECT_EQ(soundFileRaw("whole.wav", 24), referenceRaw("surround.flac", 24));
    // WAVE_FORMAT_EXTENSIBLE with FLAC's 5.1 mask, the same through a pipe.
    const auto formatOf = [&](const std::string& file) {
        std::string bytes = readFile(dir / file);
        size_t at = bytes.find("fmt ");
        return at == std::string::npos || at + 32 > bytes.size()
                   ? std::string()
                   : bytes.substr(at + 8, 2) + bytes.substr(at + 8 + 20, 4);
    };
    EXPECT_EQ(formatOf("whole.wav"), std::string("\xFE\xFF\x3F\x00\x00\x00", 6));
    ok("-q decode surround.flac -o - > piped.wav");
    EXPECT_EQ(formatOf("piped.wav"), formatOf("whole.wav"));
    EXPECT_EQ(soundFileRaw("piped.wav", 24), referenceRaw("surround.flac", 24));

    // A rate alone keeps the depth and the channels; a count alone keeps the rest.
    ok("-q decode --rate 44100 surround.flac -o rated.wav");
    EXPECT_EQ(dir.run("soxi -c rated.wav; soxi -p rated.wav; soxi -r rated.wav").out,
              "6\n24\n44100\n");
    ok("-q transcode --channels 2 surround.flac -o stereo.flac");
    EXPECT_EQ(metaflac("channels", "stereo.flac"), "2");
    EXPECT_EQ(metaflac("bps", "stereo.flac"), "24");
    EXPECT_NE(ok("info surround.flac").out.find("  channels       6 (5.1)\n  bits           24\n"),
              std::string::npos);

    // Encoding: FLAC's own order passes, another is refused with the way out, a map fixes it.
    reference("cp whole.wav ordered.wav");
    ok("-q encode ordered.wav");
    EXPECT_EQ(referenceRaw("ordered.flac", 24), referenceRaw("surround.flac", 24));
    std::string odd = readFile(dir / "whole.wav");
    const size_t mask = odd.find("fmt ") + 8 + 20;
    odd.replace(mask, 4, std::string("\x0F\x03\x00\x00", 4)); // L R C LFE, back centre, side L
    toolrunner::writeFile(dir / "odd.wav", odd);
    Result refused = tool("-q encode odd.wav");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("orxa-host: odd.wav: its channel mask orders the channels unlike "
                               "FLAC's 5.1 layout"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(dir / "odd.flac"));
    ok("-q encode --channel-map 1,2,3,4,6,5 odd.wav");
    reference("sox whole.wav swapped.wav remix 1 2 3 4 6 5");
    EXPECT_EQ(referenceRaw("odd.flac", 24), soundFileRaw("swapped.wav", 24));

    reference("sox -n -r 8000 -c 9 nine.wav synth 0.1 sine 100");
    Result nine = tool("-q encode nine.wav");
    EXPECT_EQ(nine.status, 1);
    EXPECT_EQ(nine.err, "orxa-host: nine.wav: has 9 channels; FLAC holds 1 to 8\n");
}

namespace {

std::vector<int64_t> samplesOf(const std::string& raw, int bytes) {
    std::vector<int64_t> samples;
    for (size_t at = 0; at + bytes <= raw.size(); at += bytes) {
        int64_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value * 256 + static_cast<uint8_t>(raw[at + i]);
        if (value >= int64_t{1} << (8 * bytes - 1))
            value -= int64_t{1} << (8 * bytes);
        samples.push_back(value);
    }
    return samples;
}

} // namespace

// --skip and --until cut exactly what flac cuts, for every depth and 1, 2 and 6 channels, with
// a seek table and without one: at frame boundaries (blocks of 4096), inside frames, from 0, at
// the last sample, counted from the end, and in every spelling of a time.
TEST_F(OrxaHost, SkipAndUntilCutWhatFlacCuts) {
    struct Cut {
        std::string skip, until;         // as orxa-host takes them
        std::string flacSkip, flacUntil; // as flac does
    };
    const std::vector<Cut> cuts = {
        {"4096s", "12288s", "4096", "12288"},      // frame boundaries
        {"1000s", "5000s", "1000", "5000"},        // inside frames, across one boundary
        {"0", "0:00.3", "0", "0:00.3"},            // from the start
        {"0:00.5", "", "0:00.5", ""},              // a time inside a frame to the end
        {"66149s", "", "66149", ""},               // the last sample alone
        {"0.25", "-8000s", "0:00.25", "-8000"},    // counted from the end
        {"20000s", "-0:00.1", "20000", "-0:00.1"}, // the same in minutes and seconds
    };
    for (int bits : {8, 16, 24})
        for (int channels : {1, 2, 6})
            for (const char* table : {"", "-S-"}) {
                const std::string name = "f" + std::to_string(bits) + "_" +
                                         std::to_string(channels) + (*table ? "_plain" : "");
                const std::string options =
                    std::string("-f --channel-map=none --blocksize=4096 ") + table;
                makeWav(name, bits, channels, 44100, 1.5, options.c_str());
                for (const Cut& cut : cuts) {
                    std::string arguments = "-q decode -f -t raw -o cut.raw";
                    if (!cut.skip.empty())
                        arguments += " --skip " + cut.skip;
                    if (!cut.until.empty())
                        arguments += " --until=" + cut.until;
                    ok(arguments + " " + name + ".flac");
                    const std::string expected =
                        referenceRaw(name + ".flac", bits, cut.flacSkip, cut.flacUntil);
                    ASSERT_FALSE(expected.empty()) << name << " " << cut.skip;
                    ASSERT_TRUE(readFile(dir / "cut.raw") == expected)
                        << name << " --skip " << cut.skip << " --until " << cut.until << ": "
                        << readFile(dir / "cut.raw").size() << " bytes, flac " << expected.size();
                }
            }

    // Past the end there is nothing left (flac refuses such a span); a WAV says so.
    ok("-q decode -f --skip 66150s f16_2.flac -o after.wav");
    EXPECT_EQ(dir.run("soxi -s after.wav").out, "0\n");
    ok("-q decode -f -t raw --skip 10 f16_2_plain.flac -o after.raw");
    EXPECT_EQ(readFile(dir / "after.raw"), "");
    // An end past the end is the end; the header of a WAV promises what follows.
    ok("-q decode -f --skip 60000s --until 99 f16_2.flac -o tail.wav");
    EXPECT_EQ(dir.run("soxi -s tail.wav").out, "6150\n");
}

// A cut with a rate change gives the samples of converting the whole file and cutting the same
// span out of it, apart from the resampler's edge at the start (3 ms: its filter starts from
// silence) and a difference of at most one in the last bit after it.
TEST_F(OrxaHost, CutWithARateChangeIsTheCutOfTheWholeConversion) {
    for (int bits : {16, 24}) {
        const std::string name = "rated" + std::to_string(bits);
        makeWav(name, bits, 2, 44100, 1.5, "-f");
        const int bytes = bits / 8;
        ok("-q decode -f -t raw --rate 48000 " + name + ".flac -o whole.raw");
        ok("-q decode -f -t raw --rate 48000 --skip 0.5 --until 1.2 " + name + ".flac -o cut.raw");
        const std::vector<int64_t> whole = samplesOf(readFile(dir / "whole.raw"), bytes);
        const std::vector<int64_t> cut = samplesOf(readFile(dir / "cut.raw"), bytes);
        // 0.5 s to 1.2 s at 48000 Hz, both channels.
        ASSERT_EQ(cut.size(), 2u * (57600 - 24000)) << bits;
        const size_t edge = 2 * 144;
        int64_t worst = 0;
        for (size_t i = edge; i < cut.size(); ++i)
            worst = std::max(worst, std::abs(cut[i] - whole[2 * 24000 + i]));
        EXPECT_LE(worst, 1) << bits << "-bit";
        // The edge is an edge, not another piece of the file.
        int64_t near = 0;
        for (size_t i = 0; i < edge; ++i)
            near = std::max(near, std::abs(cut[i] - whole[2 * 24000 + i]));
        EXPECT_LT(near, int64_t{1} << (bits - 3)) << bits << "-bit";
    }

    // transcode keeps the span, at the new rate as well.
    ok("-q transcode -f --skip 0.5 --until 1.2 rated16.flac -o span.flac");
    EXPECT_EQ(metaflac("total-samples", "span.flac"), "30870");
    EXPECT_EQ(referenceRaw("span.flac"), referenceRaw("rated16.flac", 16, "22050", "52920"));
    ok("-q transcode -f --rate 48000 --skip 0.5 --until 1.2 rated16.flac -o span48.flac");
    EXPECT_EQ(metaflac("total-samples", "span48.flac"), "33600");
}

// What the tool says of a table and of times it cannot read.
TEST_F(OrxaHost, SeekPointsAndSpanMistakes) {
    makeWav("tabled", 16, 2, 44100, 25.0, "-f -S 5s");
    makeWav("plain", 16, 1, 44100, 0.5, "-f -S-");
    EXPECT_NE(ok("info tabled.flac").out.find("  seek points    5\n"), std::string::npos);
    EXPECT_NE(ok("info plain.flac").out.find("  seek points    0 (seeks by searching)\n"),
              std::string::npos);

    for (const char* bad :
         {"--skip abc", "--skip 1:2:3", "--skip -1", "--until 1.2.3", "--skip 12x", "--until=-s"}) {
        Result result = tool(std::string("decode -f ") + bad + " plain.flac -o x.wav");
        EXPECT_EQ(result.status, 2) << bad;
        EXPECT_NE(result.err.find("is no time"), std::string::npos) << bad << ": " << result.err;
    }
    Result reversed = tool("decode -f --skip 0.4 --until 0.2 plain.flac -o x.wav");
    EXPECT_EQ(reversed.status, 1);
    EXPECT_EQ(reversed.err, "orxa-host: plain.flac: --until comes before --skip\n");
    EXPECT_FALSE(fs::exists(dir / "x.wav"));
}

// `info --json` gives scripts the same facts as the text, one document per line, unknown values
// as null; our own parser reads it back.
TEST_F(OrxaHost, InfoAsJsonHoldsTheSameFacts) {
    makeWav("tagged", 24, 6, 48000, 0.5, "--channel-map=none -T 'TITLE=Gr\xc3\xbc\xc3\x9f \"Q\"'");
    reference("sox -n -r 44100 -b 16 -c 2 empty.wav trim 0 0");
    ok("-q encode empty.wav");
    const std::string out = ok("info --json tagged.flac empty.flac").out;
    ASSERT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;
    const auto field = [](const tamu::P<tamu::IVariant>& document, const char* name) {
        auto* map = dynamic_cast<tamu::CVariantMap*>(document.get());
        tamu::P<tamu::IVariant> value = map ? map->get(tamu::stringConv::fromStd(name)) : nullptr;
        return value ? tamu::stringConv::toStdString(*value->asText()) : std::string("absent");
    };
    const auto parse = [](const std::string& line) {
        return tamu::make<tamu::CJsonParser>()->parse(tamu::stringConv::fromStd(line));
    };
    tamu::P<tamu::IVariant> tagged = parse(out.substr(0, out.find('\n')));
    EXPECT_EQ(field(tagged, "file"), "tagged.flac");
    EXPECT_EQ(field(tagged, "channels"), "6");
    EXPECT_EQ(field(tagged, "layout"), "5.1");
    EXPECT_EQ(field(tagged, "bitsPerSample"), "24");
    EXPECT_EQ(field(tagged, "totalSamples"), metaflac("total-samples", "tagged.flac"));
    EXPECT_EQ(field(tagged, "md5"), metaflac("md5sum", "tagged.flac"));
    EXPECT_EQ(field(tagged, "vendor"), metaflac("vendor-tag", "tagged.flac"));
    auto* tags = dynamic_cast<tamu::CVariantArray*>(dynamic_cast<tamu::CVariantMap*>(tagged.get())
                                                        ->get(tamu::stringConv::fromStd("tags"))
                                                        .get());
    ASSERT_NE(tags, nullptr);
    // flac adds the WAVE channel mask of its input as a tag of its own.
    std::vector<std::string> texts;
    for (int32_t i = 0; i < tags->getCount(); ++i)
        texts.push_back(tamu::stringConv::toStdString(*tags->get(i)->asText()));
    EXPECT_NE(std::find(texts.begin(), texts.end(), "TITLE=Gr\xc3\xbc\xc3\x9f \"Q\""), texts.end())
        << out;
    EXPECT_EQ(
        static_cast<int32_t>(texts.size()),
        std::stoi(
            ok("info tagged.flac").out.substr(ok("info tagged.flac").out.find("  tags  ") + 17)));
    tamu::P<tamu::IVariant> empty = parse(out.substr(out.find('\n') + 1));
    EXPECT_EQ(field(empty, "totalSamples"), "null");
    EXPECT_EQ(field(empty, "md5"), metaflac("md5sum", "empty.flac")); // the MD5 of nothing
}

// libsndfile and its codec libraries are loaded only by the jobs that read or write WAV or AIFF.
TEST_F(OrxaHost, OnlySoundFileJobsLoadTheSoundFileLibrary) {
    const struct {
        std::string arguments;
        bool loads;
    } cases[] = {
        {"info " + sample, false},
        {"test " + sample, false},
        {"decode -t raw " + sample + " -o out.raw", false},
        {"transcode " + sample + " -o copy.flac", false},
        {"decode " + sample + " -o out.wav", true},
        {"encode out.wav -o again.flac", true},
    };
    for (const auto& c : cases) {
        Result result = dir.run("LD_DEBUG=files " + limitedHost() + " " + c.arguments);
        EXPECT_EQ(result.status, 0) << c.arguments;
        EXPECT_EQ(result.err.find("libsndfile.so") != std::string::npos, c.loads) << c.arguments;
    }
}
