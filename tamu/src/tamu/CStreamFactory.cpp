#include "tamu/CStreamFactory.h"

#include "tamu/CURIError.h"
#include "tamu/IIOStream.h"
#include "tamu/IInStream.h"
#include "tamu/IOutStream.h"
#include "tamu/IResetableIOStream.h"
#include "tamu/IResetableInStream.h"
#include "tamu/IResetableOutStream.h"
#include "tamu/ISeekableIOStream.h"
#include "tamu/ISeekableInStream.h"
#include "tamu/ISeekableOutStream.h"
#include "tamu/IURI.h"

namespace tamu {

namespace {

template <class T>
P<T> found(P<T> stream, IURI* uri) {
    if (!stream)
        throw CFileNotFoundError(P<IURI>(uri));
    return stream;
}

} // namespace

P<IInStream> CStreamFactory::openInStream(IURI* uri, int32_t shareKind) {
    return found(tryOpenInStream(uri, shareKind), uri);
}

P<IResetableInStream> CStreamFactory::openResetableInStream(IURI* uri, int32_t shareKind) {
    return found(tryOpenResetableInStream(uri, shareKind), uri);
}

P<ISeekableInStream> CStreamFactory::openSeekableInStream(IURI* uri, int32_t shareKind) {
    return found(tryOpenSeekableInStream(uri, shareKind), uri);
}

P<IOutStream> CStreamFactory::openOutStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                            bool deleteOnClose) {
    return found(tryOpenOutStream(uri, shareKind, creationKind, deleteOnClose), uri);
}

P<IResetableOutStream> CStreamFactory::openResetableOutStream(IURI* uri, int32_t shareKind,
                                                              int32_t creationKind,
                                                              bool deleteOnClose) {
    return found(tryOpenResetableOutStream(uri, shareKind, creationKind, deleteOnClose), uri);
}

P<ISeekableOutStream> CStreamFactory::openSeekableOutStream(IURI* uri, int32_t shareKind,
                                                            int32_t creationKind,
                                                            bool deleteOnClose) {
    return found(tryOpenSeekableOutStream(uri, shareKind, creationKind, deleteOnClose), uri);
}

P<IIOStream> CStreamFactory::openIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                          bool deleteOnClose) {
    return found(tryOpenIOStream(uri, shareKind, creationKind, deleteOnClose), uri);
}

P<IResetableIOStream> CStreamFactory::openResetableIOStream(IURI* uri, int32_t shareKind,
                                                            int32_t creationKind,
                                                            bool deleteOnClose) {
    return found(tryOpenResetableIOStream(uri, shareKind, creationKind, deleteOnClose), uri);
}

P<ISeekableIOStream> CStreamFactory::openSeekableIOStream(IURI* uri, int32_t shareKind,
                                                          int32_t creationKind,
                                                          bool deleteOnClose) {
    return found(tryOpenSeekableIOStream(uri, shareKind, creationKind, deleteOnClose), uri);
}

} // namespace tamu
