#pragma once

#include <string>

namespace orxa::host {

// An output file that appears whole or not at all. The work goes to an unnamed file (O_TMPFILE)
// in the target's directory, which `commit` links into place; until then the target is
// untouched, and an interrupted or killed tool leaves nothing behind. Where the file system has
// no unnamed files, a short hidden name is used instead, so that any name valid for the target
// stays valid for the temporary.
class CTempOutput {
public:
    // `target` is where the output goes (a symbolic link already followed). `mode` is the
    // permission the result gets: a replaced file's own, or what a new file gets under the umask.
    // Throws std::runtime_error with the system's reason.
    CTempOutput(const std::string& target, unsigned mode);
    CTempOutput(const CTempOutput&) = delete;
    CTempOutput& operator=(const CTempOutput&) = delete;
    ~CTempOutput();

    // The open descriptor of the temporary file; it is closed by `commit` or the destructor.
    int fd() const { return m_fd; }
    // A name that opens the temporary file again, for a worker that opens its output by name.
    std::string reopenPath() const;
    // Renames (or links) the file to the target, replacing what was there.
    void commit();

    // The permission a new output gets under the umask the tool started with.
    static unsigned newFileMode();

private:
    void linkInto(const std::string& name);

    std::string m_target;
    unsigned m_mode;
    std::string m_named; // the hidden name when the file system has no unnamed files
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace orxa::host
