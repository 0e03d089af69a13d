#pragma once

#include "tamu/CStreamFactory.h"
#include "tamu/IStreamManager.h"
#include "tamu/TSimpleArray.h"

namespace tamu {

class IMutex;

// An ordered list of stream factories. Besides the process's one (getStreamManager), managers
// of one's own start empty.
class CStreamManager : public CStreamFactory, public virtual IStreamManager {
public:
    CStreamManager();
    // Starts with `first` registered. The process's manager is made this way inside the global
    // object factory's creation lock: registering through addFactory there would take the
    // manager's lock under the creation lock, while opening a stream later takes them the other
    // way round (a factory creating a service under the manager's lock).
    explicit CStreamManager(IStreamFactory* first);

    P<IInStream> tryOpenInStream(IURI* uri, int32_t shareKind) override;
    P<IResetableInStream> tryOpenResetableInStream(IURI* uri, int32_t shareKind) override;
    P<ISeekableInStream> tryOpenSeekableInStream(IURI* uri, int32_t shareKind) override;

    P<IOutStream> tryOpenOutStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                   bool deleteOnClose) override;
    P<IResetableOutStream> tryOpenResetableOutStream(IURI* uri, int32_t shareKind,
                                                     int32_t creationKind,
                                                     bool deleteOnClose) override;
    P<ISeekableOutStream> tryOpenSeekableOutStream(IURI* uri, int32_t shareKind,
                                                   int32_t creationKind,
                                                   bool deleteOnClose) override;

    P<IIOStream> tryOpenIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                 bool deleteOnClose) override;
    P<IResetableIOStream> tryOpenResetableIOStream(IURI* uri, int32_t shareKind,
                                                   int32_t creationKind,
                                                   bool deleteOnClose) override;
    P<ISeekableIOStream> tryOpenSeekableIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                                 bool deleteOnClose) override;

    void addFactory(IStreamFactory* factory) override;
    void removeFactory(IStreamFactory* factory) override;

private:
    // The first non-empty answer of `open(factory)` in list order, under the lock.
    template <class T, class Open>
    P<T> ask(Open open);

    P<IMutex> m_lock;
    P<TCleaningSimpleArray<P<IStreamFactory>>> m_factories;
};

} // namespace tamu
