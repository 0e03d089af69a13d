#include "CTempOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace orxa::host {

namespace {

std::string systemReason(int error) {
    char buffer[256];
    // The GNU strerror_r returns its text, which need not be in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

mode_t readUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// Read once while the program is still single-threaded: reading it means changing it briefly.
const mode_t startupUmask = readUmask();

} // namespace

CTempOutput::CTempOutput(const std::string& target) : m_target(target) {
    std::string::size_type slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = dir + "." + name + ".orxa-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    m_fd = mkostemp(buffer.data(), O_CLOEXEC);
    if (m_fd < 0)
        throw std::runtime_error("cannot create the output: " + systemReason(errno));
    m_temp = buffer.data();
}

CTempOutput::~CTempOutput() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed)
        ::unlink(m_temp.c_str());
}

int CTempOutput::releaseFd() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

void CTempOutput::commit() {
    if (m_fd >= 0 && ::close(releaseFd()) != 0)
        throw std::runtime_error("cannot write the output: " + systemReason(errno));
    // mkostemp made the file private; the result gets what any new file would.
    if (::chmod(m_temp.c_str(), 0666 & ~startupUmask) != 0 ||
        ::rename(m_temp.c_str(), m_target.c_str()) != 0)
        throw std::runtime_error("cannot write the output: " + systemReason(errno));
    m_committed = true;
}

} // namespace orxa::host
