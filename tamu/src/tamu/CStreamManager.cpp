#include "tamu/CStreamManager.h"

#include "tamu/CGlobalObjFactory.h"
#include "tamu/IIOStream.h"
#include "tamu/IInStream.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/IOutStream.h"
#include "tamu/IResetableIOStream.h"
#include "tamu/IResetableInStream.h"
#include "tamu/IResetableOutStream.h"
#include "tamu/ISeekableIOStream.h"
#include "tamu/ISeekableInStream.h"
#include "tamu/ISeekableOutStream.h"
#include "tamu/platform.h"
#include "tamu/platformServices.h"

namespace tamu {

CStreamManager::CStreamManager()
    : m_lock(getMutexFactory()->createMutex()),
      m_factories(make<TCleaningSimpleArray<P<IStreamFactory>>>()) {}

CStreamManager::CStreamManager(IStreamFactory* first) : CStreamManager() {
    m_factories->add(P<IStreamFactory>(first));
}

template <class T, class Open>
P<T> CStreamManager::ask(Open open) {
    CMutexLock lock(*m_lock);
    for (int32_t i = 0; i < m_factories->getCount(); ++i) {
        if (P<T> stream = open(*m_factories->get(i)))
            return stream;
    }
    return nullptr;
}

P<IInStream> CStreamManager::tryOpenInStream(IURI* uri, int32_t shareKind) {
    return ask<IInStream>([&](IStreamFactory& f) { return f.tryOpenInStream(uri, shareKind); });
}

P<IResetableInStream> CStreamManager::tryOpenResetableInStream(IURI* uri, int32_t shareKind) {
    return ask<IResetableInStream>(
        [&](IStreamFactory& f) { return f.tryOpenResetableInStream(uri, shareKind); });
}

P<ISeekableInStream> CStreamManager::tryOpenSeekableInStream(IURI* uri, int32_t shareKind) {
    return ask<ISeekableInStream>(
        [&](IStreamFactory& f) { return f.tryOpenSeekableInStream(uri, shareKind); });
}

P<IOutStream> CStreamManager::tryOpenOutStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                               bool deleteOnClose) {
    return ask<IOutStream>([&](IStreamFactory& f) {
        return f.tryOpenOutStream(uri, shareKind, creationKind, deleteOnClose);
    });
}

P<IResetableOutStream> CStreamManager::tryOpenResetableOutStream(IURI* uri, int32_t shareKind,
                                                                 int32_t creationKind,
                                                                 bool deleteOnClose) {
    return ask<IResetableOutStream>([&](IStreamFactory& f) {
        return f.tryOpenResetableOutStream(uri, shareKind, creationKind, deleteOnClose);
    });
}

P<ISeekableOutStream> CStreamManager::tryOpenSeekableOutStream(IURI* uri, int32_t shareKind,
                                                               int32_t creationKind,
                                                               bool deleteOnClose) {
    return ask<ISeekableOutStream>([&](IStreamFactory& f) {
        return f.tryOpenSeekableOutStream(uri, shareKind, creationKind, deleteOnClose);
    });
}

P<IIOStream> CStreamManager::tryOpenIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                             bool deleteOnClose) {
    return ask<IIOStream>([&](IStreamFactory& f) {
        return f.tryOpenIOStream(uri, shareKind, creationKind, deleteOnClose);
    });
}

P<IResetableIOStream> CStreamManager::tryOpenResetableIOStream(IURI* uri, int32_t shareKind,
                                                               int32_t creationKind,
                                                               bool deleteOnClose) {
    return ask<IResetableIOStream>([&](IStreamFactory& f) {
        return f.tryOpenResetableIOStream(uri, shareKind, creationKind, deleteOnClose);
    });
}

P<ISeekableIOStream> CStreamManager::tryOpenSeekableIOStream(IURI* uri, int32_t shareKind,
                                                             int32_t creationKind,
                                                             bool deleteOnClose) {
    return ask<ISeekableIOStream>([&](IStreamFactory& f) {
        return f.tryOpenSeekableIOStream(uri, shareKind, creationKind, deleteOnClose);
    });
}

void CStreamManager::addFactory(IStreamFactory* factory) {
    // A null entry would only break every later lookup.
    if (!factory)
        return;
    CMutexLock lock(*m_lock);
    m_factories->add(P<IStreamFactory>(factory));
}

void CStreamManager::removeFactory(IStreamFactory* factory) {
    CMutexLock lock(*m_lock);
    m_factories->removeFirst(P<IStreamFactory>(factory));
}

P<IStreamManager> getStreamManager() {
    static int key;
    return getGlobalObject<IStreamManager>(&key, [] {
        return P<IStreamManager>(make<CStreamManager>(platform::createDiskStreamFactory().get()));
    });
}

} // namespace tamu
