// End-to-end: the built orxa-host against the reference flac and sox tools.
#include "toolRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

using toolrunner::quote;
using toolrunner::readFile;
using toolrunner::Result;
using toolrunner::ScratchDir;

namespace {

namespace fs = std::filesystem;

const std::string host = quote((fs::path(ORXA_PLUGIN_PATH).parent_path() / "orxa-host").string());
const std::string sample = quote(ORXA_SOURCE_DIR "/samples/orxa-demo.flac");

class OrxaHost : public ::testing::Test {
protected:
    Result tool(const std::string& arguments) const { return dir.run(host + " " + arguments); }

    // Runs a reference tool that must succeed.
    void reference(const std::string& command) const {
        Result result = dir.run(command);
        ASSERT_EQ(result.status, 0) << command << "\n" << result.err;
    }

    // Little-endian PCM of a FLAC file, as the reference decoder gives it: signed, but unsigned
    // at 8 bits as the chunks carry it.
    std::string referenceRaw(const std::string& flac, int bits = 16) const {
        // Beside the other scratch files, wherever the FLAC file is.
        std::string raw = fs::path(flac).filename().string() + ".reference.raw";
        reference("flac -s -f -d --force-raw-format --endian=little --sign=" +
                  std::string(bits == 8 ? "unsigned" : "signed") + " -o " + quote(raw) + " " +
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

    // A few seconds of two tones, `bits` wide.
    void makeWav(const std::string& name, int bits, int channels, int rate = 44100,
                 double seconds = 1.5) const {
        reference("sox -n -r " + std::to_string(rate) + " -b " + std::to_string(bits) + " -c " +
                  std::to_string(channels) + " " + quote(name) + " synth " +
                  std::to_string(seconds) + " sine 440 sine 660 vol 0.7");
    }

    std::string metaflac(const std::string& what, const std::string& file) const {
        Result result = dir.run("metaflac --show-" + what + " " + quote(file));
        return result.out.substr(0, result.out.find('\n'));
    }

    ScratchDir dir;
};

TEST_F(OrxaHost, InfoShowsTheFilesOwnLayoutDurationAndTags) {
    makeWav("mono24.wav", 24, 1, 48000, 0.5);
    reference("flac -s -T ARTIST=Somebody -T 'TITLE=Mono Test' -o mono24.flac mono24.wav");

    Result result = tool("info " + sample + " mono24.flac");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string& out = result.out;
    EXPECT_NE(out.find("orxa-demo.flac\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  sample rate    44100 Hz\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  channels       2\n"), std::string::npos);
    EXPECT_NE(out.find("  bits           16\n"), std::string::npos);
    EXPECT_NE(out.find("  total samples  176400\n"), std::string::npos);
    EXPECT_NE(out.find("  duration       4.000 s (0:04.000)\n"), std::string::npos);
    EXPECT_NE(out.find("  tags           6\n    TITLE=Four Plucked Bars\n    ARTIST=orxa_flac\n"),
              std::string::npos)
        << out;

    size_t second = out.find("mono24.flac\n");
    ASSERT_NE(second, std::string::npos) << out;
    std::string mono = out.substr(second);
    EXPECT_NE(mono.find("  sample rate    48000 Hz\n"), std::string::npos) << mono;
    EXPECT_NE(mono.find("  channels       1\n"), std::string::npos);
    EXPECT_NE(mono.find("  bits           24\n"), std::string::npos);
    EXPECT_NE(mono.find("  total samples  24000\n"), std::string::npos);
    EXPECT_NE(mono.find("    ARTIST=Somebody\n    TITLE=Mono Test\n"), std::string::npos) << mono;
    EXPECT_EQ(result.err, "");

    // Names that mean something in a URI reach the plug-in as the file's name.
    fs::copy_file(ORXA_SOURCE_DIR "/samples/orxa-demo.flac", dir / "odd name #1 %41?.flac");
    Result odd = tool("info 'odd name #1 %41?.flac'");
    ASSERT_EQ(odd.status, 0) << odd.err;
    EXPECT_NE(odd.out.find("  total samples  176400\n"), std::string::npos) << odd.out;
}

TEST_F(OrxaHost, DecodeGivesTheReferenceDecodersSamples) {
    std::string expected = referenceRaw(ORXA_SOURCE_DIR "/samples/orxa-demo.flac");
    ASSERT_EQ(expected.size(), 176400u * 4);

    Result raw = tool("-q decode " + sample + " out.raw");
    ASSERT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(raw.err, "");
    EXPECT_TRUE(readFile(dir / "out.raw") == expected);

    Result piped = tool("decode " + sample + " -");
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(piped.out == expected);

    Result wav = tool("decode " + sample + " out.wav");
    ASSERT_EQ(wav.status, 0) << wav.err;
    EXPECT_TRUE(soundFileRaw("out.wav", 16) == expected);
    // Not a terminal: a summary line, no progress bar.
    EXPECT_NE(wav.err.find(" -> out.wav: 4.00 s of audio"), std::string::npos) << wav.err;
    EXPECT_EQ(wav.err.find('\r'), std::string::npos);

    Result aiff = tool("decode " + sample + " out.aiff");
    ASSERT_EQ(aiff.status, 0) << aiff.err;
    EXPECT_TRUE(soundFileRaw("out.aiff", 16) == expected);

    // Wider and narrower files keep their width.
    for (int bits : {8, 24}) {
        std::string name = "w" + std::to_string(bits);
        makeWav(name + ".wav", bits, 2);
        reference("flac -s -o " + name + ".flac " + name + ".wav");
        Result result = tool("decode " + name + ".flac " + name + ".raw");
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(readFile(dir / (name + ".raw")) == referenceRaw(name + ".flac", bits)) << bits;
    }
}

TEST_F(OrxaHost, EncodedFilesPassTheReferenceTestAndDecodeBitExact) {
    for (int bits : {8, 16, 24, 32}) {
        for (int channels : {1, 2}) {
            std::string name = "in" + std::to_string(bits) + "-" + std::to_string(channels);
            SCOPED_TRACE(name);
            makeWav(name + ".wav", bits, channels);
            Result result = tool("-q encode " + name + ".wav " + name + ".flac");
            ASSERT_EQ(result.status, 0) << result.err;
            reference("flac -s -t " + name + ".flac");
            EXPECT_EQ(metaflac("bps", name + ".flac"), std::to_string(bits));
            EXPECT_EQ(metaflac("channels", name + ".flac"), std::to_string(channels));
            EXPECT_EQ(metaflac("total-samples", name + ".flac"), "66150");
            EXPECT_TRUE(referenceRaw(name + ".flac", bits) == soundFileRaw(name + ".wav", bits));
        }
    }
}

TEST_F(OrxaHost, TranscodeKeepsTheSamplesOrResamplesToTheAskedRate) {
    Result same = tool("transcode " + sample + " same.flac");
    ASSERT_EQ(same.status, 0) << same.err;
    reference("flac -s -t same.flac");
    EXPECT_TRUE(referenceRaw("same.flac") ==
                referenceRaw(ORXA_SOURCE_DIR "/samples/orxa-demo.flac"));

    Result resampled = tool("transcode --rate 48000 " + sample + " r48.flac");
    ASSERT_EQ(resampled.status, 0) << resampled.err;
    reference("flac -s -t r48.flac");
    EXPECT_EQ(metaflac("sample-rate", "r48.flac"), "48000");
    EXPECT_EQ(metaflac("bps", "r48.flac"), "16");
    // 4 s at 48000 Hz, give or take the resampler's filter delay.
    long total = std::stol(metaflac("total-samples", "r48.flac"));
    EXPECT_NEAR(total, 192000, 200);

    Result mono = tool("transcode --channels 1 --rate 22050 " + sample + " m22.flac");
    ASSERT_EQ(mono.status, 0) << mono.err;
    EXPECT_EQ(metaflac("channels", "m22.flac"), "1");
    EXPECT_NEAR(std::stol(metaflac("total-samples", "m22.flac")), 88200, 100);
}

TEST_F(OrxaHost, FailuresNameTheFileAndTheReason) {
    toolrunner::writeFile(dir / "text.flac", "this is not a FLAC file at all\n");

    Result missing = tool("info missing.flac");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "orxa-host: missing.flac: No such file or directory\n");

    Result notFlac = tool("decode text.flac out.wav");
    EXPECT_EQ(notFlac.status, 1);
    EXPECT_EQ(notFlac.err.rfind("orxa-host: text.flac: ", 0), 0u) << notFlac.err;
    EXPECT_NE(notFlac.err.find("failed to read metadata"), std::string::npos) << notFlac.err;
    EXPECT_EQ(std::count(notFlac.err.begin(), notFlac.err.end(), '\n'), 1);

    Result directory = tool("info .");
    EXPECT_EQ(directory.status, 1);
    EXPECT_EQ(directory.err, "orxa-host: .: is a directory\n");

    Result noDir = tool("decode " + sample + " nowhere/out.wav");
    EXPECT_EQ(noDir.status, 1);
    EXPECT_EQ(noDir.err,
              "orxa-host: nowhere/out.wav: cannot create the output: No such file or directory\n");

    makeWav("int32.wav", 32, 1);
    Result noEncodeDir = tool("encode int32.wav nowhere/out.flac");
    EXPECT_EQ(noEncodeDir.status, 1);
    EXPECT_EQ(noEncodeDir.err,
              "orxa-host: nowhere/out.flac: cannot create the output: No such file or directory\n");

    Result notSound = tool("encode text.flac out.flac");
    EXPECT_EQ(notSound.status, 1);
    EXPECT_EQ(notSound.err.rfind("orxa-host: text.flac: ", 0), 0u) << notSound.err;

    reference("sox int32.wav -e floating-point real.wav");
    Result floating = tool("encode real.wav real.flac");
    EXPECT_EQ(floating.status, 1);
    EXPECT_EQ(floating.err, "orxa-host: real.wav: not integer PCM of 8, 16, 24 or 32 bits\n");

    Result plugin = tool("--plugin /nonexistent/liborxa_flac.so info " + sample);
    EXPECT_EQ(plugin.status, 1);
    EXPECT_EQ(
        plugin.err.rfind("orxa-host: /nonexistent/liborxa_flac.so: cannot load the plug-in: ", 0),
        0u)
        << plugin.err;

    // Asking the converter for a width it does not deliver fails for that file.
    Result width = tool("decode --rate 48000 --bytes 3 " + sample + " w.raw");
    EXPECT_EQ(width.status, 1);
    EXPECT_NE(width.err.find("16-bit samples only"), std::string::npos) << width.err;

    // None of them left anything behind.
    std::vector<std::string> left = dir.list();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"int32.wav", "real.wav", "text.flac"}));
}

TEST_F(OrxaHost, UsageErrorsExitWithTwoAndTheUsage) {
    for (const char* arguments :
         {"", "frobnicate x", "info", "decode", "decode a.flac", "decode a.flac b.mp3",
          "decode --rate 0 a.flac b.wav", "decode --channels 3 a.flac b.wav",
          "decode --bytes 5 a.flac b.wav", "transcode --jobs 0 a.flac b.flac",
          "decode -o nowhere a.flac", "encode --bogus a.wav b.flac", "-v -q info a.flac",
          "decode a.flac - b.flac -"}) {
        SCOPED_TRACE(arguments);
        Result result = tool(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind("orxa-host: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find("Usage:"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    Result help = tool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("transcode"), std::string::npos);
}

TEST_F(OrxaHost, AFailedJobLeavesNoOutputAndKeepsAnEarlierOne) {
    toolrunner::writeFile(dir / "text.flac", "not FLAC");
    toolrunner::writeFile(dir / "old.wav", "earlier output");
    Result failed = tool("decode text.flac old.wav");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(readFile(dir / "old.wav"), "earlier output");

    // The work is all done before the output turns out to be unplaceable: a directory is in
    // the way of the rename.
    fs::create_directory(dir / "taken.flac");
    Result blocked = tool("transcode " + sample + " taken.flac");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.err.rfind("orxa-host: taken.flac: cannot write the output: ", 0), 0u)
        << blocked.err;
    EXPECT_TRUE(fs::is_empty(dir / "taken.flac"));

    std::vector<std::string> left = dir.list();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"old.wav", "taken.flac", "text.flac"}));
}

TEST_F(OrxaHost, ParallelJobsGiveTheBytesOfSequentialOnes) {
    std::string inputs = sample;
    for (int bits : {16, 24}) {
        for (int channels : {1, 2}) {
            std::string name = "p" + std::to_string(bits) + "-" + std::to_string(channels);
            makeWav(name + ".wav", bits, channels, 32000, 2.0);
            reference("flac -s -o " + name + ".flac " + name + ".wav");
            inputs += " " + name + ".flac";
        }
    }
    fs::create_directory(dir / "one");
    fs::create_directory(dir / "four");
    for (const std::string& command : {std::string("decode -t raw"), std::string("transcode")}) {
        SCOPED_TRACE(command);
        Result one = tool(command + " -q --jobs 1 -o one " + inputs);
        ASSERT_EQ(one.status, 0) << one.err;
        Result four = tool(command + " -q --jobs 4 -o four " + inputs);
        ASSERT_EQ(four.status, 0) << four.err;
        std::vector<std::string> names = dir.list("one");
        EXPECT_EQ(names.size(), 5u);
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            std::string bytes = readFile(dir / "one" / name);
            EXPECT_FALSE(bytes.empty());
            EXPECT_TRUE(bytes == readFile(dir / "four" / name));
        }
        // One failing input does not stop the others, and the status tells of it.
        Result mixed = tool(command + " -q --jobs 2 -o four missing.flac " + inputs);
        EXPECT_EQ(mixed.status, 1);
        EXPECT_EQ(mixed.err, "orxa-host: missing.flac: No such file or directory\n");
        fs::remove_all(dir / "one");
        fs::remove_all(dir / "four");
        fs::create_directory(dir / "one");
        fs::create_directory(dir / "four");
    }
    Result encoded = tool("-q encode --jobs 3 -o four p16-1.wav p16-2.wav p24-2.wav");
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    EXPECT_TRUE(referenceRaw("four/p24-2.flac", 24) == soundFileRaw("p24-2.wav", 24));
}

TEST_F(OrxaHost, VerboseShowsThePluginsLogLinesWithTheirLevels) {
    Result verbose = tool("-v info " + sample);
    ASSERT_EQ(verbose.status, 0) << verbose.err;
    EXPECT_NE(verbose.err.find("[2] CFLACSource: trying to open file:/"), std::string::npos)
        << verbose.err;
    EXPECT_NE(verbose.err.find("[2] CFLACSource: file:/"), std::string::npos) << verbose.err;

    Result quiet = tool("-q transcode " + sample + " q.flac");
    ASSERT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

TEST_F(OrxaHost, LongJobsShowProgressOnATerminalAndEndCleanlyWhenInterrupted) {
    makeWav("long.wav", 16, 2, 44100, 30.0);
    reference("flac -s -0 -o long.flac long.wav");
    fs::remove(dir / "long.wav");

    // script gives the tool a terminal; a reader that waits keeps the job going for over a
    // second, so the bar comes, and it is wiped at the end.
    std::string slowReader = " long.flac - | (sleep 1.5; cat >/dev/null)";
    Result shown = dir.run("script -qec " + quote(host + " decode" + slowReader) + " /dev/null");
    ASSERT_EQ(shown.status, 0) << shown.out;
    EXPECT_NE(shown.out.find("x realtime"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("%"), std::string::npos);
    EXPECT_NE(shown.out.find("\r\033[K"), std::string::npos);
    EXPECT_NE(shown.out.find("long.flac -> -: 30.00 s of audio"), std::string::npos);

    Result quiet = dir.run("script -qec " + quote(host + " -q decode" + slowReader) + " /dev/null");
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
    Result interrupted = dir.run("timeout --preserve-status -s INT 1 " + host +
                                 " -q transcode --rate 48000 --jobs 1 -o out" + inputs);
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

TEST_F(OrxaHost, OtherInputsAndOutputs) {
    // AIFF in, 8-bit WAV (unsigned) and mono out.
    reference("sox -n -r 22050 -b 16 -c 2 in.aiff synth 1 sine 440 sine 550 vol 0.6");
    Result encoded = tool("-q encode in.aiff in.flac");
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    EXPECT_TRUE(referenceRaw("in.flac") == soundFileRaw("in.aiff", 16));

    makeWav("e8.wav", 8, 1);
    reference("flac -s -o e8.flac e8.wav");
    Result eight = tool("-q decode e8.flac e8-out.wav");
    ASSERT_EQ(eight.status, 0) << eight.err;
    EXPECT_TRUE(soundFileRaw("e8-out.wav", 8) == soundFileRaw("e8.wav", 8));

    Result mono = tool("-q decode --channels 1 " + sample + " mono.wav");
    ASSERT_EQ(mono.status, 0) << mono.err;
    Result stat = dir.run("soxi -c mono.wav; soxi -s mono.wav");
    EXPECT_EQ(stat.out, "1\n176400\n");

    // info goes on after a file it cannot read, and says so in its status.
    Result info = tool("info missing.flac in.flac");
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.err, "orxa-host: missing.flac: No such file or directory\n");
    EXPECT_NE(info.out.find("in.flac\n  sample rate    22050 Hz\n"), std::string::npos) << info.out;
}

} // namespace
