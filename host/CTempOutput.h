#pragma once

#include <string>

namespace orxa::host {

// An output file that appears whole or not at all: the work goes to a hidden temporary file in
// the target's directory, which `commit` renames over the target. Until then the target is
// untouched; a temporary that is not committed is removed when the object goes.
class CTempOutput {
public:
    // Creates the temporary file; throws std::runtime_error with the system's reason.
    explicit CTempOutput(const std::string& target);
    CTempOutput(const CTempOutput&) = delete;
    CTempOutput& operator=(const CTempOutput&) = delete;
    ~CTempOutput();

    const std::string& path() const { return m_temp; }
    // The open descriptor of the temporary file; it is closed by `commit` or the destructor
    // unless taken over with `releaseFd`.
    int fd() const { return m_fd; }
    int releaseFd();
    // Gives the file the permissions a new file gets and renames it to the target.
    void commit();

private:
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace orxa::host
