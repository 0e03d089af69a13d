#pragma once

// A scratch folder of its own per test and the built orxa-host run in it, as a user runs it.
#include "toolRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace toolrunner {

class HostToolTest : public ::testing::Test {
protected:
    // A tool that hangs fails its test after `seconds` instead of stalling the run.
    explicit HostToolTest(int seconds = 60)
        : m_limit("timeout -k 5 " + std::to_string(seconds) + " ") {}

    // The built tool, quoted for the shell, bare and under the time limit.
    static const std::string& host() {
        static const std::string path =
            quote((std::filesystem::path(ORXA_PLUGIN_PATH).parent_path() / "orxa-host").string());
        return path;
    }
    std::string limitedHost() const { return m_limit + host(); }

    Result tool(const std::string& arguments) const {
        return dir.run(limitedHost() + " " + arguments);
    }

    Result ok(const std::string& arguments) const {
        Result result = tool(arguments);
        EXPECT_EQ(result.status, 0) << arguments << "\n" << result.err;
        return result;
    }

    // A command of the reference tools (flac, metaflac, sox), which must succeed; its output.
    std::string reference(const std::string& command) const {
        Result result = dir.run(command);
        EXPECT_EQ(result.status, 0) << command << "\n" << result.err;
        return result.out;
    }

    // The first line of `metaflac --show-WHAT` for `file`.
    std::string metaflac(const std::string& what, const std::string& file) const {
        std::string out = reference("metaflac --show-" + what + " " + quote(file));
        return out.substr(0, out.find('\n'));
    }

    ScratchDir dir;

private:
    std::string m_limit;
};

} // namespace toolrunner
