#include "CTempOutput.h"

#include "interruption.h"
#include "systemReason.h"

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

mode_t readUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// Read once while the program is still single-threaded: reading it means changing it briefly.
const mode_t startupUmask = readUmask();

std::string directoryOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A hidden name beside `target`, short whatever the target's length.
std::string makeNamed(const std::string& target, int& fd) {
    std::string dir = directoryOf(target);
    std::string pattern = dir + "/.orxa-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    fd = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot create the output: " + systemReason(errno));
    return buffer.data();
}

} // namespace

unsigned CTempOutput::newFileMode() {
    return 0666 & ~startupUmask;
}

CTempOutput::CTempOutput(const std::string& target, unsigned mode)
    : m_target(target), m_mode(mode & 07777) {
    m_fd = ::open(directoryOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw std::runtime_error("cannot create the output: " + systemReason(errno));
        m_named = makeNamed(target, m_fd);
        interruption::removeOnInterruption(m_named);
    }
}

CTempOutput::~CTempOutput() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_named.empty() && !m_committed) {
        ::unlink(m_named.c_str());
        interruption::keepOnInterruption(m_named);
    }
}

std::string CTempOutput::reopenPath() const {
    return "/proc/self/fd/" + std::to_string(m_fd);
}

void CTempOutput::linkInto(const std::string& name) {
    if (::linkat(AT_FDCWD, reopenPath().c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
        throw std::runtime_error("cannot write the output: " + systemReason(errno));
}

void CTempOutput::commit() {
    // Only now: a worker that opens the file again by name must still be allowed to write it.
    if (::fchmod(m_fd, m_mode) != 0)
        throw std::runtime_error("cannot write the output: " + systemReason(errno));
    if (m_named.empty()) {
        // An unnamed file gets a name of its own first: linking cannot replace a file.
        int probe = -1;
        std::string named = makeNamed(m_target, probe);
        ::close(probe);
        ::unlink(named.c_str());
        m_named = named;
        interruption::removeOnInterruption(m_named);
        linkInto(m_named);
    }
    if (::rename(m_named.c_str(), m_target.c_str()) != 0) {
        int error = errno;
        ::unlink(m_named.c_str());
        interruption::keepOnInterruption(m_named);
        m_committed = true;
        throw std::runtime_error("cannot write the output: " + systemReason(error));
    }
    interruption::keepOnInterruption(m_named);
    m_committed = true;
    ::close(m_fd);
    m_fd = -1;
}

} // namespace orxa::host
