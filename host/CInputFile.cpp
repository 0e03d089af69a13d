#include "CInputFile.h"

#include "CJobError.h"
#include "systemReason.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace orxa::host {

namespace {

bool isUTF8(const std::string& text) {
    const char* at = text.data();
    size_t left = text.size();
    while (left > 0) {
        unsigned char c = static_cast<unsigned char>(*at);
        if (c < 0x80) {
            ++at;
            --left;
            continue;
        }
        int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || static_cast<size_t>(length) > left)
            return false;
        for (int i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(at[i]) & 0xC0) != 0x80)
                return false;
        at += length;
        left -= static_cast<size_t>(length);
    }
    return true;
}

int copyStandardInput(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    int fd = ::open(dir && *dir ? dir : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        throw CJobError(name, "cannot keep standard input: " + systemReason(errno));
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            ::close(fd);
            throw CJobError(name, "cannot read: " + systemReason(error));
        }
        for (ssize_t done = 0; done < got;) {
            ssize_t written = ::write(fd, buffer + done, static_cast<size_t>(got - done));
            if (written < 0 && errno != EINTR) {
                int error = errno;
                ::close(fd);
                throw CJobError(name, "cannot keep standard input: " + systemReason(error));
            }
            done += written > 0 ? written : 0;
        }
    }
    return fd;
}

} // namespace

CInputFile::CInputFile(const std::string& name) : m_name(name) {
    if (isStandardInput(name)) {
        m_fd = copyStandardInput(name);
    } else {
        m_fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            throw CJobError(name, systemReason(errno));
    }
    struct stat status {};
    if (::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        bool directory = S_ISDIR(status.st_mode);
        ::close(m_fd);
        m_fd = -1;
        throw CJobError(name, directory ? "is a directory" : "not a regular file");
    }
    m_size = status.st_size;
    m_openPath =
        !isStandardInput(name) && isUTF8(name) ? name : "/proc/self/fd/" + std::to_string(m_fd);
}

CInputFile::~CInputFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace orxa::host
