// Where orxa-host puts its outputs and what type each gets: the derived names, -d, -o and its
// ending, -t. Each case runs alone in a clean folder, so an output anywhere else shows too.
#include "hostToolTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using toolrunner::readFile;

namespace {

namespace fs = std::filesystem;

class OrxaHostNaming : public toolrunner::HostToolTest {
protected:
    // Every file below the folder, by its path from there, but the inputs.
    std::vector<std::string> outputs() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir / ""))
            if (entry.is_regular_file()) {
                std::string name = fs::relative(entry.path(), dir / "").string();
                if (std::find(m_inputs.begin(), m_inputs.end(), name) == m_inputs.end())
                    found.push_back(name);
            }
        std::sort(found.begin(), found.end());
        return found;
    }

    void input(const std::string& name, const std::string& from) {
        fs::create_directories((dir / name).parent_path());
        fs::copy_file(dir / from, dir / name);
        m_inputs.push_back(name);
    }

    std::vector<std::string> m_inputs;
};

// What the first bytes of a file say it is.
std::string typeOf(const std::string& bytes) {
    if (bytes.rfind("RIFF", 0) == 0)
        return "wav";
    if (bytes.rfind("FORM", 0) == 0)
        return "aiff";
    if (bytes.rfind("fLaC", 0) == 0)
        return "flac";
    return "raw";
}

} // namespace

TEST_F(OrxaHostNaming, OutputsAreNamedAfterTheirInputsOrAsToldAndTypedByTheirEnding) {
    ASSERT_EQ(dir.run("sox -n -r 8000 -c 1 -b 16 e.wav synth 0.2 sine 440 && "
                      "flac -s e.wav -o a.flac").status,
              0);
    m_inputs = {"e.wav", "a.flac"};
    input("sub/b.flac", "a.flac");
    input("name.with.dots.flac", "a.flac");
    input("noext", "a.flac");
    input("dir.v1/c", "a.flac");
    input("sub/d.wav", "e.wav");
    const struct {
        std::string arguments;
        std::string output; // the one file the run leaves
        std::string type;
    } cases[] = {
        {"decode a.flac", "a.wav", "wav"},
        {"decode -t aiff a.flac", "a.aiff", "aiff"},
        {"decode -t raw a.flac", "a.raw", "raw"},
        {"decode sub/b.flac", "sub/b.wav", "wav"},
        {"decode -d out sub/b.flac", "out/b.wav", "wav"},
        {"decode -t raw -d out/deeper sub/b.flac", "out/deeper/b.raw", "raw"},
        // Only the last extension goes, and a dot in a folder's name is no extension.
        {"decode name.with.dots.flac", "name.with.dots.wav", "wav"},
        {"decode noext", "noext.wav", "wav"},
        {"decode dir.v1/c", "dir.v1/c.wav", "wav"},
        // -o's ending sets the type; any other ending gets WAV; -t wins over the ending.
        {"decode a.flac -o x.aif", "x.aif", "aiff"},
        {"decode a.flac -o x.aiff", "x.aiff", "aiff"},
        {"decode a.flac -o x.raw", "x.raw", "raw"},
        {"decode a.flac -o x.wav", "x.wav", "wav"},
        {"decode a.flac -o x.pcm", "x.pcm", "wav"},
        {"decode -t raw a.flac -o x.wav", "x.wav", "raw"},
        {"decode -t wav a.flac -o x.aiff", "x.aiff", "wav"},
        {"encode e.wav", "e.flac", "flac"},
        {"encode sub/d.wav", "sub/d.flac", "flac"},
        {"encode -d out sub/d.wav", "out/d.flac", "flac"},
        {"encode e.wav -o x.raw", "x.raw", "flac"},
        {"transcode -d out a.flac", "out/a.flac", "flac"},
        {"transcode sub/b.flac -o x.wav", "x.wav", "flac"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        ok("-q " + c.arguments);
        EXPECT_EQ(outputs(), std::vector<std::string>{c.output});
        EXPECT_EQ(typeOf(readFile(dir / c.output)), c.type);
        fs::remove(dir / c.output);
        fs::remove_all(dir / "out");
    }
}
