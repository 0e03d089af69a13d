// End-to-end: tags, pictures and encoder settings through the built orxa-host, read back by
// metaflac, flac and libsndfile's own chunks.
#include "hostToolTest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using toolrunner::quote;
using toolrunner::readFile;
using toolrunner::Result;
using toolrunner::ScratchDir;
using toolrunner::writeFile;

namespace {

namespace fs = std::filesystem;

std::string bigEndian(uint32_t value, int size) {
    std::string bytes;
    for (int i = size - 1; i >= 0; --i)
        bytes += static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string littleEndian(uint32_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>(value >> (8 * i));
    return bytes;
}

// Filler that differs from picture to picture, so that a swapped picture shows.
std::string filler(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 13);
    return bytes;
}

// The headers of images, followed by filler: what a picture's fields are read from.
std::string pngOf(uint32_t width, uint32_t height, int colourType, size_t size) {
    std::string bytes = "\x89PNG\r\n\x1a\n" + bigEndian(13, 4) + "IHDR" + bigEndian(width, 4) +
                        bigEndian(height, 4) + "\x08" + static_cast<char>(colourType) +
                        std::string(3, '\0') + "CRC!";
    if (colourType == 3)
        bytes += bigEndian(5 * 3, 4) + "PLTE" + filler(15, 1) + "CRC!";
    return bytes + filler(size, 3);
}

std::string jpegOf(uint32_t width, uint32_t height, size_t size) {
    std::string app0 =
        "\xFF\xE0" + bigEndian(16, 2) + std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14);
    std::string frame = "\xFF\xC0" + bigEndian(17, 2) + "\x08" + bigEndian(height, 2) +
                        bigEndian(width, 2) + "\x03" + filler(9, 5);
    return "\xFF\xD8" + app0 + frame + filler(size, 7);
}

std::string gifOf(uint32_t width, uint32_t height, size_t size) {
    return "GIF89a" + littleEndian(width, 2) + littleEndian(height, 2) + "\xF6" +
           std::string(2, '\0') + filler(size, 9);
}

// A WAV's RIFF chunks after the WAVE form type, by identifier (the first of each).
std::map<std::string, std::string> riffChunks(const std::string& wav, size_t from = 12) {
    std::map<std::string, std::string> chunks;
    for (size_t at = from; at + 8 <= wav.size();) {
        uint32_t size = static_cast<uint8_t>(wav[at + 4]) | static_cast<uint8_t>(wav[at + 5]) << 8 |
                        static_cast<uint8_t>(wav[at + 6]) << 16 |
                        static_cast<uint32_t>(static_cast<uint8_t>(wav[at + 7])) << 24;
        chunks.emplace(wav.substr(at, 4), wav.substr(at + 8, size));
        at += 8 + size + (size & 1);
    }
    return chunks;
}

// The strings of a WAV's LIST INFO chunk, their trailing NULs dropped.
std::map<std::string, std::string> infoStrings(const std::string& wav) {
    std::map<std::string, std::string> strings;
    const std::string list = riffChunks(wav)["LIST"];
    if (list.rfind("INFO", 0) != 0)
        return strings;
    for (auto& [id, value] : riffChunks(list, 4)) {
        std::string text = value;
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        strings[id] = text;
    }
    return strings;
}

// `wav` with a LIST INFO chunk of `strings` before its data chunk, as recorders write it.
std::string withInfo(const std::string& wav,
                     const std::vector<std::pair<std::string, std::string>>& strings) {
    std::string list = "INFO";
    for (const auto& [id, value] : strings) {
        std::string text = value + '\0';
        list += id + littleEndian(static_cast<uint32_t>(text.size()), 4) + text;
        if (text.size() & 1)
            list += '\0';
    }
    const size_t data = wav.find("data", 12);
    std::string out = wav.substr(0, data) + "LIST" +
                      littleEndian(static_cast<uint32_t>(list.size()), 4) + list + wav.substr(data);
    return out.replace(4, 4, littleEndian(static_cast<uint32_t>(out.size() - 8), 4));
}

class OrxaHostTags : public toolrunner::HostToolTest {
protected:
    // Long transcodes of a 100 kB tag and pictures under the sanitizers need more time.
    OrxaHostTags() : HostToolTest(120) {}

    std::string tags(const std::string& flac) const {
        return reference("metaflac --export-tags-to=- " + quote(flac));
    }

    // Every PICTURE block as metaflac lists it (all fields and the data), without the lines
    // that tell its place in the file.
    std::string pictures(const std::string& flac) const {
        std::istringstream list(reference("metaflac --list --block-type=PICTURE " + quote(flac)));
        std::string kept;
        for (std::string line; std::getline(list, line);)
            if (line.rfind("METADATA block #", 0) != 0 && line.rfind("  is last:", 0) != 0)
                kept += line + "\n";
        return kept;
    }

    // The numbers of the blocks of `type` (metaflac's names, as "PICTURE").
    std::vector<int> blocksOf(const std::string& flac, const std::string& type) const {
        std::istringstream list(
            reference("metaflac --list --block-type=" + type + " " + quote(flac)));
        std::vector<int> numbers;
        for (std::string line; std::getline(list, line);)
            if (line.rfind("METADATA block #", 0) == 0)
                numbers.push_back(std::stoi(line.substr(16)));
        return numbers;
    }

    // A stereo recording that changes from frame to frame as music does: plucked notes and a
    // slow vibrato on each channel.
    void makeMusic(const std::string& wav, double seconds) const {
        reference("sox -n -r 44100 -b 16 -c 2 " + quote(wav) + " synth " + std::to_string(seconds) +
                  " pluck C3 pluck E4 pluck G3 pluck B4 remix 1,3 2,4 tremolo 3 40 vol 0.8");
    }
};

} // namespace

// A file with everything a library keeps: tags of every kind (a 100 kB one among them), two
// pictures, padding.
TEST_F(OrxaHostTags, TranscodeKeepsEveryTagAndPictureByteForByte) {
    const std::string longValue = std::string(100 * 1024, 'v') + "\xc3\xa9nd";
    writeFile(dir / "front.png", pngOf(16, 12, 2, 3000));
    writeFile(dir / "back.jpg", jpegOf(40, 30, 700));
    writeFile(dir / "long.txt", longValue);
    reference("sox -n -r 44100 -b 16 -c 2 in.wav synth 2 sine 440 sine 660 vol 0.7");
    reference("flac -s -T 'TITLE=Gr\xc3\xbc\xc3\x9f Gott \xe2\x99\xab' -T ARTIST=One "
              "-T ARTIST=Two -T 'album=lower case name' --tag-from-file=COMMENT=long.txt "
              "--picture='3|image/png|Vorderseite \xc3\xa4|16x12x24|front.png' "
              "--picture='4|image/jpeg||40x30x24|back.jpg' --padding=5000 -o tagged.flac in.wav");
    const std::string inputTags = tags("tagged.flac");
    ASSERT_NE(inputTags.find("COMMENT=" + longValue + "\n"), std::string::npos);
    ASSERT_EQ(blocksOf("tagged.flac", "PICTURE").size(), 2u);

    for (const std::string options : {"", "--rate 48000 ", "--channels 1 --bytes 3 "}) {
        SCOPED_TRACE(options);
        ok("-q transcode -f " + options + "tagged.flac -o out.flac");
        reference("flac -s -t out.flac");
        EXPECT_TRUE(tags("out.flac") == inputTags);
        EXPECT_EQ(pictures("out.flac"), pictures("tagged.flac"));
        std::vector<int> blocks = blocksOf("out.flac", "PICTURE");
        ASSERT_EQ(blocks.size(), 2u);
        reference("metaflac --block-number=" + std::to_string(blocks[0]) +
                  " --export-picture-to=front.out out.flac");
        reference("metaflac --block-number=" + std::to_string(blocks[1]) +
                  " --export-picture-to=back.out out.flac");
        EXPECT_TRUE(readFile(dir / "front.out") == readFile(dir / "front.png"));
        EXPECT_TRUE(readFile(dir / "back.out") == readFile(dir / "back.jpg"));
        // The vendor is that of the library that wrote the new file.
        EXPECT_NE(metaflac("vendor-tag", "out.flac").find("libFLAC"), std::string::npos);
    }

    // info tells it all, after the lines it always had.
    Result info = ok("info out.flac");
    const std::string& out = info.out;
    EXPECT_EQ(out.rfind("out.flac\n  sample rate    44100 Hz\n  channels       1 (mono)\n"
                        "  bits           24\n  total samples  88200\n",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find("  tags           5\n    TITLE=Gr\xc3\xbc\xc3\x9f Gott \xe2\x99\xab\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\n  vendor         " + metaflac("vendor-tag", "out.flac") + "\n" +
                       "  MD5            " + metaflac("md5sum", "out.flac") + "\n" +
                       "  block size     4608 samples\n" + "  frame size     " +
                       metaflac("min-framesize", "out.flac") + " to " +
                       metaflac("max-framesize", "out.flac") + " bytes\n" +
                       "  pictures       2\n"
                       "    3 (front cover), image/png, " +
                       std::to_string(fs::file_size(dir / "front.png")) +
                       " bytes, 16x12, 24 bits, \"Vorderseite \xc3\xa4\"\n"
                       "    4 (back cover), image/jpeg, " +
                       std::to_string(fs::file_size(dir / "back.jpg")) +
                       " bytes, 40x30, 24 bits\n"),
              std::string::npos)
        << out;
}

// Removal goes by name in any case and comes before the added tags; --no-tags keeps the
// pictures, --no-pictures the tags.
TEST_F(OrxaHostTags, TagOptionsAddRemoveAndDrop) {
    reference("sox -n -r 22050 -b 16 -c 1 in.wav synth 0.5 sine 440");
    writeFile(dir / "cover.gif", gifOf(20, 10, 400));
    reference("flac -s -T TITLE=Old -T artist=Somebody -T ARTIST=Else -T GENRE=Pop "
              "--picture='3|image/gif||20x10x8|cover.gif' -o in.flac in.wav");

    ok("-q transcode --remove-tag ARTIST --remove-tag title --tag TITLE=New --tag "
       "'X-EMPTY=' --tag 'NOTE=a=b' in.flac -o edited.flac");
    EXPECT_EQ(tags("edited.flac"), "GENRE=Pop\nTITLE=New\nX-EMPTY=\nNOTE=a=b\n");
    EXPECT_EQ(blocksOf("edited.flac", "PICTURE").size(), 1u);

    ok("-q transcode --no-tags --tag COMMENT=only in.flac -o none.flac");
    EXPECT_EQ(tags("none.flac"), "COMMENT=only\n");
    EXPECT_EQ(pictures("none.flac"), pictures("in.flac"));

    ok("-q transcode --no-pictures in.flac -o bare.flac");
    EXPECT_EQ(tags("bare.flac"), tags("in.flac"));
    EXPECT_TRUE(blocksOf("bare.flac", "PICTURE").empty());

    // A channel mask names the input's speakers: kept with them, dropped with a new count.
    reference("sox -n -r 22050 -b 16 -c 2 two.wav synth 0.5 sine 440 sine 550");
    reference("flac -s -T WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x0003 -T TITLE=T -o two.flac "
              "two.wav");
    ok("-q transcode two.flac -o two-kept.flac");
    EXPECT_EQ(tags("two-kept.flac"), "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x0003\nTITLE=T\n");
    ok("-q transcode --channels 1 two.flac -o one.flac");
    EXPECT_EQ(tags("one.flac"), "TITLE=T\n");

    // A value from a file is taken whole, newlines and all; pictures come with the fields of
    // their own headers.
    writeFile(dir / "lyrics.txt", "line one\nline two\n");
    writeFile(dir / "palette.png", pngOf(7, 9, 3, 50));
    writeFile(dir / "cover.jpg", jpegOf(300, 200, 2000));
    ok("-q encode --tag-from-file LYRICS=lyrics.txt --picture cover.jpg --picture palette.png "
       "--picture cover.gif in.wav -o new.flac");
    EXPECT_EQ(tags("new.flac"), "LYRICS=line one\nline two\n\n");
    const std::string list = reference("metaflac --list --block-type=PICTURE new.flac");
    for (const char* fields :
         {"  MIME type: image/jpeg\n  description: \n  width: 300\n  height: 200\n  depth: 24\n"
          "  colors: 0 (unindexed)\n",
          "  MIME type: image/png\n  description: \n  width: 7\n  height: 9\n  depth: 8\n"
          "  colors: 5\n",
          "  MIME type: image/gif\n  description: \n  width: 20\n  height: 10\n  depth: 7\n"
          "  colors: 128\n"})
        EXPECT_NE(list.find(fields), std::string::npos) << fields << list;
    // Each a front cover.
    size_t covers = 0;
    for (size_t at = list.find("  type: 3 ("); at != std::string::npos;
         at = list.find("  type: 3 (", at + 1))
        ++covers;
    EXPECT_EQ(covers, 3u) << list;

    // What cannot be a tag or a picture is refused before any work.
    writeFile(dir / "notes.txt", "not an image");
    const struct {
        std::string arguments;
        int status;
        std::string error;
    } refusals[] = {
        {"encode --tag NOVALUE in.wav -o x.flac", 2, "'NOVALUE' is not NAME=VALUE"},
        {"encode --tag 'BAD~NAME=1' in.wav -o x.flac", 2, "'BAD~NAME' is not a tag name"},
        {"transcode --remove-tag 'A=B' in.flac -o x.flac", 2, "'A=B' is not a tag name"},
        {"encode --picture notes.txt in.wav -o x.flac", 1,
         "orxa-host: notes.txt: not a PNG, JPEG or GIF image\n"},
        {"encode --picture missing.png in.wav -o x.flac", 1,
         "orxa-host: missing.png: No such file or directory\n"},
        {"encode --tag-from-file A=missing.txt in.wav -o x.flac", 1,
         "orxa-host: missing.txt: No such file or directory\n"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.arguments);
        Result result = tool(refusal.arguments);
        EXPECT_EQ(result.status, refusal.status);
        EXPECT_NE(result.err.find(refusal.error), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(dir / "x.flac"));
    }
}

// The levels are libFLAC's; without one the plug-in's own settings stay. Padding and seek
// points default to flac's, and the seek points are where the asked spacing puts them.
TEST_F(OrxaHostTags, LevelsVerifyPaddingAndSeekPoints) {
    makeMusic("music.wav", 25.0);
    ok("-q encode -0 music.wav -o fast.flac");
    ok("-q encode -8 -V music.wav -o best.flac");
    ok("-q encode --verify music.wav -o plain.flac");
    for (const char* file : {"fast.flac", "best.flac", "plain.flac"})
        reference(std::string("flac -s -t ") + file);
    EXPECT_LT(fs::file_size(dir / "best.flac"), fs::file_size(dir / "fast.flac"));
    EXPECT_EQ(metaflac("max-blocksize", "fast.flac"), "1152");
    EXPECT_EQ(metaflac("max-blocksize", "best.flac"), "4096");
    EXPECT_EQ(metaflac("max-blocksize", "plain.flac"), "4608");
    EXPECT_EQ(metaflac("total-samples", "plain.flac"), "1102500");

    // A point every 10 s of the 25: at the start of the frames that hold samples 0, 441000
    // and 882000.
    std::string list = reference("metaflac --list --block-type=SEEKTABLE,PADDING plain.flac");
    EXPECT_NE(list.find("  seek points: 3\n"), std::string::npos) << list;
    for (int64_t at : {int64_t{0}, int64_t{441000 / 4608 * 4608}, int64_t{882000 / 4608 * 4608}})
        EXPECT_NE(list.find("sample_number=" + std::to_string(at) + ","), std::string::npos)
            << at << "\n"
            << list;
    EXPECT_NE(list.find("  length: 8192\n"), std::string::npos) << list;
    EXPECT_NE(ok("info plain.flac").out.find("\n  seek points    3\n"), std::string::npos);

    ok("-q encode --seekpoint-every 2.5 --padding 100 music.wav -o dense.flac");
    list = reference("metaflac --list --block-type=SEEKTABLE,PADDING dense.flac");
    EXPECT_NE(list.find("  seek points: 10\n"), std::string::npos) << list;
    EXPECT_NE(list.find("  length: 100\n"), std::string::npos) << list;

    ok("-q encode --seekpoint-every 0 --padding 0 music.wav -o lean.flac");
    EXPECT_TRUE(blocksOf("lean.flac", "SEEKTABLE").empty());
    EXPECT_TRUE(blocksOf("lean.flac", "PADDING").empty());
    EXPECT_NE(ok("info lean.flac").out.find("\n  seek points    0 (seeks by searching)\n"),
              std::string::npos);
    EXPECT_TRUE(reference("flac -s -d -c --force-raw-format --endian=little --sign=signed "
                          "lean.flac") == reference("flac -s -d -c --force-raw-format "
                                                    "--endian=little --sign=signed best.flac"));

    // A transcode to another rate places its points over the new length.
    ok("-q transcode --rate 22050 --seekpoint-every 5 plain.flac -o half.flac");
    list = reference("metaflac --list --block-type=SEEKTABLE half.flac");
    EXPECT_NE(list.find("  seek points: 5\n"), std::string::npos) << list;
    EXPECT_NE(list.find("sample_number=" + std::to_string(220500 / 4608 * 4608) + ","),
              std::string::npos)
        << list;
}

// The strings of a WAV's INFO chunk or an AIFF's text chunks become Vorbis comments, and
// come back on decode as far as the type has a place for them.
TEST_F(OrxaHostTags, SoundFileTagsTravelBothWays) {
    reference("sox -n -r 44100 -b 16 -c 2 plain.wav synth 0.5 sine 440 sine 550");
    const std::vector<std::pair<std::string, std::string>> strings = {
        {"INAM", "A Title \xc3\xa4"}, {"IART", "An Artist"}, {"IPRD", "An Album"}, {"ICRD", "2024"},
        {"ICMT", "A comment"},        {"IGNR", "Jazz"},      {"ITRK", "7"}};
    writeFile(dir / "tagged.wav", withInfo(readFile(dir / "plain.wav"), strings));
    ok("-q encode tagged.wav");
    const std::string expected = "TITLE=A Title \xc3\xa4\nARTIST=An Artist\nALBUM=An Album\n"
                                 "DATE=2024\nCOMMENT=A comment\nGENRE=Jazz\nTRACKNUMBER=7\n";
    EXPECT_EQ(tags("tagged.flac"), expected);
    // The audio is untouched by the chunk before it.
    EXPECT_TRUE(reference("flac -s -d -c --force-raw-format --endian=little --sign=signed "
                          "tagged.flac") == reference("sox plain.wav -t raw -"));

    ok("-q decode tagged.flac -o back.wav");
    std::map<std::string, std::string> back = infoStrings(readFile(dir / "back.wav"));
    for (const auto& [id, value] : strings)
        EXPECT_EQ(back[id], value) << id;
    EXPECT_TRUE(reference("sox back.wav -t raw -") == reference("sox plain.wav -t raw -"));

    // Names in any case; the first of a repeated name wins; a raw output carries nothing.
    reference("flac -s -T title=First -T TITLE=Second -T Artist=Who -T X-OTHER=1 -o mixed.flac "
              "plain.wav");
    ok("-q decode mixed.flac -o mixed.wav");
    back = infoStrings(readFile(dir / "mixed.wav"));
    EXPECT_EQ(back["INAM"], "First");
    EXPECT_EQ(back["IART"], "Who");
    EXPECT_EQ(back.size(), 2u);
    ok("-q decode -t raw mixed.flac -o mixed.raw");
    EXPECT_EQ(fs::file_size(dir / "mixed.raw"), 22050u * 4);

    // AIFF keeps title, artist and comment (NAME, AUTH, ANNO), and they come back as tags.
    ok("-q decode tagged.flac -o tagged.aiff");
    const std::string aiff = readFile(dir / "tagged.aiff");
    EXPECT_NE(aiff.find("NAME"), std::string::npos);
    EXPECT_NE(aiff.find("A Title \xc3\xa4"), std::string::npos);
    ok("-q encode tagged.aiff -o from-aiff.flac");
    EXPECT_EQ(tags("from-aiff.flac"), "TITLE=A Title \xc3\xa4\nARTIST=An Artist\n"
                                      "COMMENT=A comment\n");

    // A string in a Latin code page arrives readable.
    writeFile(dir / "latin.wav", withInfo(readFile(dir / "plain.wav"), {{"INAM", "Caf\xe9"}}));
    ok("-q encode latin.wav");
    EXPECT_EQ(tags("latin.flac"), "TITLE=Caf\xc3\xa9\n");

    // --no-tags leaves the recording's strings behind.
    ok("-q encode --no-tags tagged.wav -o untagged.flac");
    EXPECT_EQ(tags("untagged.flac"), "");

    // A LIST whose last sub-chunk claims 4 GiB: libsndfile would never return from opening it.
    // The audio is encoded whole, the tags are left out, and the user is told.
    const std::string plain = readFile(dir / "plain.wav");
    const std::string list = "INFOINAM" + littleEndian(4, 4) + "abc" + '\0' + "\xff\xff\xff\xff" +
                             littleEndian(0xFFFFFFF8u, 4);
    const size_t data = plain.find("data", 12);
    std::string damaged = plain.substr(0, data) + "LIST" +
                          littleEndian(static_cast<uint32_t>(list.size()), 4) + list +
                          plain.substr(data);
    writeFile(dir / "damaged.wav",
              damaged.replace(4, 4, littleEndian(static_cast<uint32_t>(damaged.size() - 8), 4)));
    Result result = ok("-q encode damaged.wav");
    EXPECT_NE(result.err.find("damaged.wav: warning: the LIST chunk at byte 36 is damaged"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(tags("damaged.flac"), "");
    EXPECT_TRUE(reference("flac -s -d -c --force-raw-format --endian=little --sign=signed "
                          "damaged.flac") == reference("sox plain.wav -t raw -"));
}
