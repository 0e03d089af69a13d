#pragma once

#include "tamu/CObject.h"
#include "tamu/IFolderCursor.h"

#include <filesystem>
#include <string>

namespace tamu::posix {

// A walk over one local folder. A symbolic link is an entry of its own, never the folder it
// points to, so moving or deleting a tree never reaches outside it.
class CFolderCursor : public CObject, public virtual IFolderCursor {
public:
    // CFileNotFoundError when `folder` names no folder.
    CFolderCursor(const IURI& folder, const std::string& localPath);

    bool next() override;
    P<IURI> getURI() const override;
    bool isFolder() const override;

private:
    std::filesystem::directory_iterator m_entries;
    bool m_started = false;
    P<IURI> m_current;
    bool m_isFolder = false;
};

} // namespace tamu::posix
