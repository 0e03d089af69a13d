#include "fileLocation.h"

#include "CJobError.h"

#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace orxa::host {

tamu::P<tamu::IString> fileLocation(const std::string& path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    std::string text = "file://";
    for (unsigned char c : absolute) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     (c != 0 && std::strchr("/-._~", c));
        if (plain)
            text += static_cast<char>(c);
        else {
            text += '%';
            text += hex[c >> 4];
            text += hex[c & 15];
        }
    }
    return tamu::stringConv::fromStd(text);
}

void checkReadableFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        char buffer[256];
        throw CJobError(path, strerror_r(errno, buffer, sizeof buffer));
    }
    struct stat status {};
    bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    bool directory = S_ISDIR(status.st_mode);
    ::close(fd);
    if (!regular)
        throw CJobError(path, directory ? "is a directory" : "not a regular file");
}

} // namespace orxa::host
