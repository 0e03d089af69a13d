#pragma once

// Runs the built command-line tools and the reference tools (flac, sox) in a scratch directory.

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace toolrunner {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Single-quoted for the shell.
inline std::string quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A directory of its own for each test, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orxa-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    // Everything in the directory, hidden files included, sorted.
    std::vector<std::string> list(const std::string& sub = "") const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path / sub))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // `command` (a whole shell list) with the directory as working directory.
    Result run(const std::string& command) const {
        std::string out = (m_path / ".stdout").string();
        std::string err = (m_path / ".stderr").string();
        std::string line = "cd " + quote(m_path.string()) + " && { " + command + "\n} >" +
                           quote(out) + " 2>" + quote(err) + " </dev/null";
        int raw = std::system(line.c_str());
        Result result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = readFile(out);
        result.err = readFile(err);
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return result;
    }

private:
    std::filesystem::path m_path;
};

} // namespace toolrunner
