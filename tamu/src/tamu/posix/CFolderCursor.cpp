#include "tamu/posix/CFolderCursor.h"

#include "tamu/IPathes.h"
#include "tamu/IURI.h"
#include "tamu/platformServices.h"
#include "tamu/posix/diskErrors.h"
#include "tamu/stringConv.h"

namespace tamu::posix {

CFolderCursor::CFolderCursor(const IURI& folder, const std::string& localPath) {
    std::error_code error;
    m_entries = std::filesystem::directory_iterator(localPath, error);
    if (error)
        throwOpenError(error.value(), P<IURI>(folder.clone()));
}

bool CFolderCursor::next() {
    std::error_code error;
    if (m_started)
        m_entries.increment(error);
    m_started = true;
    if (error || m_entries == std::filesystem::directory_iterator()) {
        m_current = nullptr;
        return false;
    }
    const std::filesystem::directory_entry& entry = *m_entries;
    m_isFolder = entry.is_directory(error) && !entry.is_symlink(error);
    std::string path = entry.path().string();
    if (m_isFolder)
        path += '/';
    m_current = getPathes()->getFileURI(stringConv::fromStd(path));
    return true;
}

P<IURI> CFolderCursor::getURI() const {
    return m_current;
}

bool CFolderCursor::isFolder() const {
    return m_isFolder;
}

} // namespace tamu::posix
