#include "tamu/posix/CPathes.h"

#include "tamu/CURI.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"
#include "tamu/platform.h"
#include "tamu/stringConv.h"

#include <cerrno>
#include <string>
#include <unistd.h>

namespace tamu::posix {

namespace {

// Empty when the folder cannot be told (it was removed, or its name is too long).
std::string currentFolder() {
    std::string folder(256, '\0');
    for (;;) {
        if (getcwd(folder.data(), folder.size())) {
            folder.resize(folder.find('\0'));
            return folder;
        }
        if (errno != ERANGE)
            return std::string();
        folder.resize(folder.size() * 2);
    }
}

} // namespace

P<IString> CPathes::getLocalPath(const IURI& uri, int32_t flags) const {
    if ((uri.hasScheme() && !uri.isScheme("file")) || !uri.hasPath())
        return nullptr;
    // The decoded path holds a file name's bytes as they are, UTF-8 or not; they are joined as
    // bytes, never decoded to characters on the way.
    P<IString> path = uri.getPath();
    if (!(flags & absolutePath) || path->startsWith("/"))
        return path;
    std::string folder = currentFolder();
    if (folder.empty())
        return path;
    if (folder.back() != '/')
        folder += '/';
    return stringConv::fromStd(folder + stringConv::toStdString(*path));
}

P<IURI> CPathes::getFileURI(StringArg localPath) const {
    bool absolute = emptyString()->concat(localPath)->startsWith("/");
    // "file:" before a relative path would make an opaque URI; a relative path stays relative.
    // The path goes in as given: bytes that are no UTF-8 character become escapes.
    return make<CURI>(absolute ? "file" : "", localPath, "", "", "", "", "");
}

} // namespace tamu::posix

namespace tamu::platform {

P<IPathes> createPathes() {
    return make<posix::CPathes>();
}

} // namespace tamu::platform
