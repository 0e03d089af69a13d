#include "tamu/posix/CFileSystem.h"

#include "tamu/CFileInfo.h"
#include "tamu/CURIError.h"
#include "tamu/IPathes.h"
#include "tamu/IProgressListener.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"
#include "tamu/fileSystemErrors.h"
#include "tamu/platform.h"
#include "tamu/platformServices.h"
#include "tamu/posix/CFolderCursor.h"
#include "tamu/posix/diskErrors.h"
#include "tamu/stringConv.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <mntent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tamu::posix {

namespace {

constexpr size_t copyStep = 65536;

std::string localPath(const IURI* uri) {
    P<IString> path = uri ? getPathes()->getLocalPath(*uri, IPathes::absolutePath) : nullptr;
    if (!path)
        throw CURITypeNotSupportedError(uri ? P<IURI>(uri->clone()) : nullptr);
    std::string text = stringConv::toStdString(*path);
    // The system wants no trailing "/" on a folder it is to rename or remove.
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

P<IURI> own(const IURI* uri) {
    return uri ? uri->clone() : nullptr;
}

// The failure `errorCode` as an exception, or false.
bool fail(bool throwOnError, int errorCode, const IURI* uri) {
    if (throwOnError)
        throwOpenError(errorCode, own(uri));
    return false;
}

int64_t milliseconds(const statx_timestamp& time) {
    return time.tv_sec * 1000 + time.tv_nsec / 1000000;
}

P<IURI> folderURI(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return getPathes()->getFileURI(stringConv::fromStd(path));
}

// A descriptor closed when it goes out of scope.
class CDescriptor {
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    ~CDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    // The result of close, which reports late write errors.
    int close() {
        int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

void writeAll(int fd, const uint8_t* bytes, size_t count, const IURI* target) {
    while (count > 0) {
        ssize_t written = ::write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throwIOError(errno, own(target));
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
}

// Copies the open `in` to the new file `temporary`; false when the listener stopped it.
bool copyBytes(int in, int64_t total, const std::string& temporary, mode_t mode,
               IProgressListener* listener, const IURI* source, const IURI* target) {
    CDescriptor out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (out.get() < 0)
        throwOpenError(errno, own(target));
    std::vector<uint8_t> buffer(copyStep);
    int64_t done = 0;
    for (;;) {
        ssize_t count = ::read(in, buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            throwIOError(errno, own(source));
        }
        // Asked before the first step as well as before the file is put in place.
        if (listener && !listener->onProgress(done, total))
            return false;
        if (count == 0)
            break;
        writeAll(out.get(), buffer.data(), static_cast<size_t>(count), target);
        done += count;
    }
    if (out.close() != 0)
        throwIOError(errno, own(target));
    return true;
}

// A hidden name beside `target`, unused at the time of the call.
std::string temporaryBeside(const std::string& target) {
    std::filesystem::path path(target);
    std::string pattern =
        (path.parent_path() / ("." + path.filename().string() + ".tamu-copy-XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return std::string();
    ::close(fd);
    ::unlink(pattern.c_str());
    return pattern;
}

// Puts `from` in place of `to`; without `overwrite`, EEXIST when `to` exists.
int putInPlace(const std::string& from, const std::string& to, bool overwrite) {
    int result = overwrite
                     ? ::rename(from.c_str(), to.c_str())
                     : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    return result == 0 ? 0 : errno;
}

} // namespace

CFileSystem::CFileSystem() : m_volumeListeners(make<TFrailArray<IFileSystemVolumeListener>>()) {}

bool CFileSystem::handlesURI(const IURI* uri) {
    return uri && (!uri->hasScheme() || uri->isScheme("file"));
}

CFileInfo CFileSystem::getFileInfo(IURI* uri) {
    CFileInfo info;
    struct statx status {};
    if (::statx(AT_FDCWD, localPath(uri).c_str(), 0,
                STATX_TYPE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME,
                &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return info;
        throwIOError(errno, own(uri));
    }
    info.exists = true;
    info.isFolder = S_ISDIR(status.stx_mode);
    info.size = info.isFolder ? 0 : static_cast<int64_t>(status.stx_size);
    info.creationTime =
        milliseconds((status.stx_mask & STATX_BTIME) ? status.stx_btime : status.stx_ctime);
    info.lastWriteTime = milliseconds(status.stx_mtime);
    info.lastAccessTime = milliseconds(status.stx_atime);
    return info;
}

P<TCleaningSimpleArray<P<IURI>>> CFileSystem::getVolumes() {
    auto volumes = make<TCleaningSimpleArray<P<IURI>>>();
    FILE* mounts = ::setmntent("/proc/self/mounts", "r");
    if (!mounts)
        return volumes;
    mntent entry{};
    std::vector<char> text(4096);
    while (::getmntent_r(mounts, &entry, text.data(), static_cast<int>(text.size())))
        volumes->add(folderURI(entry.mnt_dir));
    ::endmntent(mounts);
    return volumes;
}

P<IURI> CFileSystem::getVolume(IURI* uri) {
    std::error_code error;
    std::string path = std::filesystem::weakly_canonical(localPath(uri), error).string();
    if (error)
        throwIOError(error.value(), own(uri));
    P<TCleaningSimpleArray<P<IURI>>> volumes = getVolumes();
    P<IURI> best;
    size_t bestLength = 0;
    for (int32_t i = 0; i < volumes->getCount(); ++i) {
        std::string root = localPath(volumes->get(i).get());
        bool contains = root == "/" || path == root ||
                        (path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
        if (contains && root.size() >= bestLength) {
            best = volumes->get(i);
            bestLength = root.size();
        }
    }
    return best ? best : folderURI("/");
}

P<IFolderCursor> CFileSystem::openFolderCursor(IURI* folder) {
    return make<CFolderCursor>(*folder, localPath(folder));
}

void CFileSystem::addVolumeListener(IFileSystemVolumeListener* listener) {
    if (listener)
        m_volumeListeners->add(PFrail<IBase>::uncounted(listener));
}

void CFileSystem::removeVolumeListener(IFileSystemVolumeListener* listener) {
    m_volumeListeners->remove(PFrail<IBase>::uncounted(listener));
}

void CFileSystem::moveFile(IURI* source, IURI* target, bool overwrite) {
    std::string from = localPath(source);
    std::string to = localPath(target);
    int error = putInPlace(from, to, overwrite);
    if (error == 0)
        return;
    if (error == EEXIST)
        throw moveFileTargetExistsError(own(source), own(target));
    if (error != EXDEV)
        throwOpenError(error, own(source));
    copyFile(source, target, overwrite, nullptr);
    deleteFile(source, true);
}

void CFileSystem::copyFile(IURI* source, IURI* target, bool overwrite,
                           IProgressListener* listener) {
    std::string from = localPath(source);
    std::string to = localPath(target);
    CDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        throwOpenError(errno, own(source));
    struct stat status {};
    if (::fstat(in.get(), &status) != 0)
        throwIOError(errno, own(source));
    if (S_ISDIR(status.st_mode))
        throw CFileAccessDeniedError(own(source));
    if (!overwrite && ::access(to.c_str(), F_OK) == 0)
        throw copyTargetExistsError(own(source), own(target));
    std::string temporary = temporaryBeside(to);
    if (temporary.empty())
        throwOpenError(errno, own(target));
    try {
        if (!copyBytes(in.get(), status.st_size, temporary, status.st_mode & 07777, listener,
                       source, target)) {
            ::unlink(temporary.c_str());
            return;
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    int error = putInPlace(temporary, to, overwrite);
    if (error == 0)
        return;
    ::unlink(temporary.c_str());
    if (error == EEXIST)
        throw copyTargetExistsError(own(source), own(target));
    throwOpenError(error, own(target));
}

bool CFileSystem::deleteFile(IURI* uri, bool throwOnError) {
    if (::unlink(localPath(uri).c_str()) == 0)
        return true;
    return fail(throwOnError, errno, uri);
}

bool CFileSystem::deleteFolder(IURI* uri, bool throwOnError) {
    if (::rmdir(localPath(uri).c_str()) == 0)
        return true;
    return fail(throwOnError, errno, uri);
}

bool CFileSystem::deleteFolderTree(IURI* uri, bool throwOnError) {
    std::string path = localPath(uri);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return fail(throwOnError, errno, uri);
    if (!S_ISDIR(status.st_mode))
        return fail(throwOnError, ENOTDIR, uri);
    std::error_code error;
    std::filesystem::remove_all(path, error);
    if (error)
        return fail(throwOnError, error.value(), uri);
    return true;
}

bool CFileSystem::createFolder(IURI* uri, bool throwOnError) {
    std::string path = localPath(uri);
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        return fail(throwOnError, error.value(), uri);
    if (std::filesystem::is_directory(path, error))
        return true;
    return fail(throwOnError, EEXIST, uri);
}

} // namespace tamu::posix

namespace tamu::platform {

P<IFileSystem> createFileSystem() {
    return make<posix::CFileSystem>();
}

} // namespace tamu::platform
