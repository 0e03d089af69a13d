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
    P<IString> path = uri.getPath();
    if (!(flags & absolutePath) || path->startsWith("/"))
        return path;
    std::string folder = currentFolder();
    if (folder.empty())
        return path;
    if (folder.back() != '/')
        folder += '/';
    return stringConv::fromStd(folder)->concat(path);
}

P<IURI> CPathes::getFileURI(StringArg localPath) const {
    P<IString> path = emptyString()->concat(localPath);
    // "file:" before a relative path would make an opaque URI; a relative path stays relative.
    return make<CURI>(path->startsWith("/") ? "file" : "", path, "", "", "", "", "");
}

} // namespace tamu::posix

namespace tamu::platform {

P<IPathes> createPathes() {
    return make<posix::CPathes>();
}

} // namespace tamu::platform
