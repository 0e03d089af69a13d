#include "tamu/posix/CDiskStreamFactory.h"

#include "tamu/IURI.h"
#include "tamu/platform.h"
#include "tamu/posix/CDiskIOStream.h"
#include "tamu/posix/CDiskInStream.h"
#include "tamu/posix/CDiskOutStream.h"

namespace tamu::posix {

namespace {

bool handles(const IURI* uri) {
    return uri && (!uri->hasScheme() || uri->isScheme("file"));
}

P<ISeekableInStream> openIn(const IURI* uri, int32_t shareKind) {
    if (!handles(uri))
        return nullptr;
    return make<CDiskInStream>(uri, shareKind);
}

P<ISeekableOutStream> openOut(const IURI* uri, int32_t shareKind, int32_t creationKind,
                              bool deleteOnClose) {
    if (!handles(uri))
        return nullptr;
    return make<CDiskOutStream>(uri, shareKind, creationKind, deleteOnClose);
}

P<ISeekableIOStream> openIO(const IURI* uri, int32_t shareKind, int32_t creationKind,
                            bool deleteOnClose) {
    if (!handles(uri))
        return nullptr;
    return make<CDiskIOStream>(uri, shareKind, creationKind,
                               CDiskIOStream::readAccess | CDiskIOStream::writeAccess,
                               deleteOnClose);
}

} // namespace

P<IInStream> CDiskStreamFactory::tryOpenInStream(IURI* uri, int32_t shareKind) {
    return openIn(uri, shareKind);
}

P<IResetableInStream> CDiskStreamFactory::tryOpenResetableInStream(IURI* uri, int32_t shareKind) {
    return openIn(uri, shareKind);
}

P<ISeekableInStream> CDiskStreamFactory::tryOpenSeekableInStream(IURI* uri, int32_t shareKind) {
    return openIn(uri, shareKind);
}

P<IOutStream> CDiskStreamFactory::tryOpenOutStream(IURI* uri, int32_t shareKind,
                                                   int32_t creationKind, bool deleteOnClose) {
    return openOut(uri, shareKind, creationKind, deleteOnClose);
}

P<IResetableOutStream> CDiskStreamFactory::tryOpenResetableOutStream(IURI* uri, int32_t shareKind,
                                                                     int32_t creationKind,
                                                                     bool deleteOnClose) {
    return openOut(uri, shareKind, creationKind, deleteOnClose);
}

P<ISeekableOutStream> CDiskStreamFactory::tryOpenSeekableOutStream(IURI* uri, int32_t shareKind,
                                                                   int32_t creationKind,
                                                                   bool deleteOnClose) {
    return openOut(uri, shareKind, creationKind, deleteOnClose);
}

P<IIOStream> CDiskStreamFactory::tryOpenIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                                 bool deleteOnClose) {
    return openIO(uri, shareKind, creationKind, deleteOnClose);
}

P<IResetableIOStream> CDiskStreamFactory::tryOpenResetableIOStream(IURI* uri, int32_t shareKind,
                                                                   int32_t creationKind,
                                                                   bool deleteOnClose) {
    return openIO(uri, shareKind, creationKind, deleteOnClose);
}

P<ISeekableIOStream> CDiskStreamFactory::tryOpenSeekableIOStream(IURI* uri, int32_t shareKind,
                                                                 int32_t creationKind,
                                                                 bool deleteOnClose) {
    return openIO(uri, shareKind, creationKind, deleteOnClose);
}

} // namespace tamu::posix

namespace tamu::platform {

P<IStreamFactory> createDiskStreamFactory() {
    return make<posix::CDiskStreamFactory>();
}

} // namespace tamu::platform
