#pragma once

#include <string>

namespace orxa::host {

// An input as the user named it: a file, or "-" for standard input. Names are bytes; a worker of
// the plug-in is handed a name it can open (the file's own when it is plain UTF-8, else one that
// opens the descriptor held here). Standard input is copied into an unnamed temporary file
// first, since the plug-in's readers seek.
class CInputFile {
public:
    // Throws CJobError about `name`: missing, unreadable, a directory, ...
    explicit CInputFile(const std::string& name);
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;
    ~CInputFile();

    const std::string& name() const { return m_name; }
    // The name to hand the plug-in or libsndfile.
    const std::string& openPath() const { return m_openPath; }
    int64_t size() const { return m_size; }

    // Whether the name means standard input.
    static bool isStandardInput(const std::string& name) { return name == "-"; }

private:
    std::string m_name;
    std::string m_openPath;
    int m_fd = -1;
    int64_t m_size = 0;
};

} // namespace orxa::host
