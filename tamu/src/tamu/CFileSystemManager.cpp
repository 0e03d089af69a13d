#include "tamu/CFileSystemManager.h"

#include "tamu/CFileInfo.h"
#include "tamu/CFileTimes.h"
#include "tamu/CGlobalObjFactory.h"
#include "tamu/CObjectError.h"
#include "tamu/CURI.h"
#include "tamu/CURIError.h"
#include "tamu/IFolderCursor.h"
#include "tamu/IInStream.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/IOutStream.h"
#include "tamu/IProgressListener.h"
#include "tamu/IStreamManager.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"
#include "tamu/fileSystemErrors.h"
#include "tamu/platform.h"
#include "tamu/platformServices.h"
#include "tamu/str.h"

#include <vector>

namespace tamu {

namespace {

constexpr int32_t copyStep = 65536;

bool isFileURI(const IURI* uri) {
    return uri && !uri->isEmpty() && !uri->isFolder();
}

bool isFolderURI(const IURI* uri) {
    return uri && !uri->isEmpty() && uri->isFolder();
}

// The entry of `folder` that has the name of `entry`, a folder when `entry` is one. "./" keeps
// a name with a colon from reading as a scheme.
P<IURI> childOf(IURI* folder, const IFolderCursor& entry) {
    P<IString> reference = str("./")->concat(entry.getURI()->getRawName());
    if (entry.isFolder())
        reference = reference->concat("/");
    return make<CURI>(*folder, CURI(reference));
}

} // namespace

CFileSystemManager::CFileSystemManager()
    : m_lock(getMutexFactory()->createMutex()),
      m_fileSystems(make<TCleaningSimpleArray<P<IFileSystem>>>()),
      m_volumeListeners(make<TFrailArray<IFileSystemVolumeListener>>()) {}

CFileSystemManager::CFileSystemManager(IFileSystem* first) : CFileSystemManager() {
    if (first)
        m_fileSystems->add(P<IFileSystem>(first));
}

CFileSystemManager::~CFileSystemManager() {
    if (m_volumeListeners->getCount() == 0)
        return;
    for (int32_t i = 0; i < m_fileSystems->getCount(); ++i)
        m_fileSystems->get(i)->removeVolumeListener(this);
}

IFileSystem* CFileSystemManager::find(const IURI* uri) const {
    for (int32_t i = 0; i < m_fileSystems->getCount(); ++i) {
        IFileSystem* fileSystem = m_fileSystems->get(i).get();
        if (fileSystem->handlesURI(uri))
            return fileSystem;
    }
    return nullptr;
}

template <class Act>
auto CFileSystemManager::dispatch(IURI* uri, Act act) {
    CMutexLock lock(*m_lock);
    IFileSystem* fileSystem = find(uri);
    if (!fileSystem)
        throw CURITypeNotSupportedError(P<IURI>(uri));
    return act(*fileSystem);
}

template <class Act>
bool CFileSystemManager::dispatchDelete(IURI* uri, Act act) {
    CMutexLock lock(*m_lock);
    IFileSystem* fileSystem = find(uri);
    return fileSystem && act(*fileSystem);
}

bool CFileSystemManager::handlesURI(const IURI* uri) {
    CMutexLock lock(*m_lock);
    return find(uri) != nullptr;
}

CFileInfo CFileSystemManager::getFileInfo(IURI* uri) {
    return dispatch(uri, [&](IFileSystem& fs) { return fs.getFileInfo(uri); });
}

P<TCleaningSimpleArray<P<IURI>>> CFileSystemManager::getVolumes() {
    auto volumes = make<TCleaningSimpleArray<P<IURI>>>();
    CMutexLock lock(*m_lock);
    for (int32_t i = 0; i < m_fileSystems->getCount(); ++i) {
        P<TCleaningSimpleArray<P<IURI>>> own = m_fileSystems->get(i)->getVolumes();
        for (int32_t k = 0; own && k < own->getCount(); ++k)
            volumes->add(own->get(k));
    }
    return volumes;
}

P<IURI> CFileSystemManager::getVolume(IURI* uri) {
    return dispatch(uri, [&](IFileSystem& fs) { return fs.getVolume(uri); });
}

P<IFolderCursor> CFileSystemManager::openFolderCursor(IURI* folder) {
    return dispatch(folder, [&](IFileSystem& fs) { return fs.openFolderCursor(folder); });
}

void CFileSystemManager::addVolumeListener(IFileSystemVolumeListener* listener) {
    if (!listener)
        return;
    CMutexLock lock(*m_lock);
    if (m_volumeListeners->getCount() == 0) {
        for (int32_t i = 0; i < m_fileSystems->getCount(); ++i)
            m_fileSystems->get(i)->addVolumeListener(this);
    }
    m_volumeListeners->add(PFrail<IBase>::uncounted(listener));
}

void CFileSystemManager::removeVolumeListener(IFileSystemVolumeListener* listener) {
    CMutexLock lock(*m_lock);
    if (!m_volumeListeners->remove(PFrail<IBase>::uncounted(listener)) ||
        m_volumeListeners->getCount() > 0)
        return;
    for (int32_t i = 0; i < m_fileSystems->getCount(); ++i)
        m_fileSystems->get(i)->removeVolumeListener(this);
}

void CFileSystemManager::moveFile(IURI* source, IURI* target, bool overwrite) {
    if (!isFileURI(source))
        throw CInvalidArgError(this, str("CFileSystemManager::moveFile"), str("source"));
    if (!isFileURI(target))
        throw CInvalidArgError(this, str("CFileSystemManager::moveFile"), str("target"));
    CMutexLock lock(*m_lock);
    IFileSystem* fileSystem = find(source);
    if (!fileSystem)
        throw CURITypeNotSupportedError(P<IURI>(source));
    if (fileExists(target)) {
        if (!overwrite)
            throw moveFileTargetExistsError(P<IURI>(source), P<IURI>(target));
        deleteFile(target, true);
    }
    if (fileSystem->handlesURI(target)) {
        fileSystem->moveFile(source, target, false);
        return;
    }
    copyFile(source, target, false, nullptr);
    deleteFile(source, true);
}

void CFileSystemManager::copyFile(IURI* source, IURI* target, bool overwrite,
                                  IProgressListener* listener) {
    if (!isFileURI(source))
        throw CInvalidArgError(this, str("CFileSystemManager::copyFile"), str("source"));
    if (!isFileURI(target))
        throw CInvalidArgError(this, str("CFileSystemManager::copyFile"), str("target"));
    {
        CMutexLock lock(*m_lock);
        // The latest registered file system for the target is the most specific one.
        for (int32_t i = m_fileSystems->getCount() - 1; i >= 0; --i) {
            IFileSystem* fileSystem = m_fileSystems->get(i).get();
            if (!fileSystem->handlesURI(target))
                continue;
            if (fileSystem->handlesURI(source)) {
                fileSystem->copyFile(source, target, overwrite, listener);
                return;
            }
            break;
        }
    }
    if (!overwrite && fileExists(target))
        throw copyTargetExistsError(P<IURI>(source), P<IURI>(target));
    copyThroughStreams(source, target, listener);
}

void CFileSystemManager::copyThroughStreams(IURI* source, IURI* target,
                                            IProgressListener* listener) {
    P<IStreamManager> streams = getStreamManager();
    // The source first: a missing source must not cost the existing target.
    P<IInStream> in = streams->tryOpenInStream(source, 1);
    if (!in)
        throw CURITypeNotSupportedError(P<IURI>(source));
    P<IOutStream> out = streams->tryOpenOutStream(target, 0, 2, false);
    if (!out)
        throw CURITypeNotSupportedError(P<IURI>(target));
    bool complete = false;
    try {
        std::vector<uint8_t> buffer(copyStep);
        int64_t total = in->getLength();
        int64_t done = 0;
        for (;;) {
            bool atEnd = in->isEOF();
            if (listener && !listener->onProgress(done, atEnd ? done : total))
                break;
            if (atEnd) {
                complete = true;
                break;
            }
            int32_t count = in->read(buffer.data(), copyStep);
            if (count > 0) {
                out->write(buffer.data(), count);
                done += count;
            }
        }
        in->close();
        out->close();
    } catch (...) {
        in->close();
        out->close();
        deleteFile(target, false);
        throw;
    }
    if (!complete)
        deleteFile(target, false);
}

bool CFileSystemManager::deleteFile(IURI* uri, bool throwOnError) {
    return dispatchDelete(uri, [&](IFileSystem& fs) { return fs.deleteFile(uri, throwOnError); });
}

bool CFileSystemManager::deleteFolder(IURI* uri, bool throwOnError) {
    return dispatchDelete(uri, [&](IFileSystem& fs) { return fs.deleteFolder(uri, throwOnError); });
}

bool CFileSystemManager::deleteFolderTree(IURI* uri, bool throwOnError) {
    return dispatchDelete(uri,
                          [&](IFileSystem& fs) { return fs.deleteFolderTree(uri, throwOnError); });
}

bool CFileSystemManager::createFolder(IURI* uri, bool throwOnError) {
    return dispatch(uri, [&](IFileSystem& fs) { return fs.createFolder(uri, throwOnError); });
}

void CFileSystemManager::addFileSystem(IFileSystem* fileSystem) {
    if (!fileSystem)
        return;
    CMutexLock lock(*m_lock);
    m_fileSystems->add(P<IFileSystem>(fileSystem));
    if (m_volumeListeners->getCount() > 0)
        fileSystem->addVolumeListener(this);
}

void CFileSystemManager::removeFileSystem(IFileSystem* fileSystem) {
    CMutexLock lock(*m_lock);
    // Held until the manager has stopped listening: the list may own the last reference.
    P<IFileSystem> removed(fileSystem);
    if (m_fileSystems->removeFirst(removed) && m_volumeListeners->getCount() > 0)
        fileSystem->removeVolumeListener(this);
}

CFileInfo CFileSystemManager::existingFileInfo(IURI* uri) {
    if (!isFileURI(uri))
        throw CFileNotFoundError(P<IURI>(uri));
    CFileInfo info = getFileInfo(uri);
    if (!info.exists || info.isFolder)
        throw CFileNotFoundError(P<IURI>(uri));
    return info;
}

int64_t CFileSystemManager::getFileSize(IURI* uri) {
    return existingFileInfo(uri).size;
}

CFileTimes CFileSystemManager::getFileTimes(IURI* uri) {
    return CFileTimes(existingFileInfo(uri));
}

bool CFileSystemManager::fileExists(IURI* uri) {
    if (!isFileURI(uri))
        return false;
    return getFileInfo(uri).exists;
}

bool CFileSystemManager::folderExists(IURI* uri) {
    if (!isFolderURI(uri))
        return false;
    return getFileInfo(uri).isFolder;
}

void CFileSystemManager::moveFolder(IURI* source, IURI* target, bool overwrite) {
    if (!isFolderURI(source))
        throw CInvalidArgError(this, str("CFileSystemManager::moveFolder"), str("source"));
    if (!isFolderURI(target))
        throw CInvalidArgError(this, str("CFileSystemManager::moveFolder"), str("target"));
    moveFolderEntries(source, target, overwrite);
    deleteFolderTree(source, true);
}

void CFileSystemManager::moveFolderEntries(IURI* source, IURI* target, bool overwrite) {
    if (overwrite && folderExists(target))
        deleteFolderTree(target, false);
    if (getFileInfo(target).exists)
        throw moveFolderTargetExistsError(P<IURI>(source), P<IURI>(target));
    createFolder(target, false);
    if (!folderExists(target))
        throw moveFolderCreateError(P<IURI>(source), P<IURI>(target));
    P<IFolderCursor> entries = openFolderCursor(source);
    while (entries->next()) {
        P<IURI> from = entries->getURI();
        P<IURI> to = childOf(target, *entries);
        if (entries->isFolder()) {
            moveFolderEntries(from.get(), to.get(), false);
            continue;
        }
        try {
            moveFile(from.get(), to.get(), false);
        } catch (const CException&) {
            throw moveFolderError(P<IURI>(source), P<IURI>(target));
        }
    }
}

void CFileSystemManager::volumeAdded(IURI* volume) {
    CMutexLock lock(*m_lock);
    for (int32_t i = m_volumeListeners->getCount() - 1; i >= 0; --i) {
        if (IFileSystemVolumeListener* listener = m_volumeListeners->getListenerAt(i))
            listener->volumeAdded(volume);
    }
}

void CFileSystemManager::volumeRemoved(IURI* volume) {
    CMutexLock lock(*m_lock);
    for (int32_t i = m_volumeListeners->getCount() - 1; i >= 0; --i) {
        if (IFileSystemVolumeListener* listener = m_volumeListeners->getListenerAt(i))
            listener->volumeRemoved(volume);
    }
}

P<IFileSystemManager> getFileSystemManager() {
    static int key;
    return getGlobalObject<IFileSystemManager>(&key, [] {
        return P<IFileSystemManager>(make<CFileSystemManager>(platform::createFileSystem().get()));
    });
}

} // namespace tamu
