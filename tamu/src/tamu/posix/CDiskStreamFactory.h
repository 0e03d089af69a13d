#pragma once

#include "tamu/CStreamFactory.h"

namespace tamu::posix {

// Opens `file` and scheme-less URIs as disk streams: input streams are CDiskInStream, output
// streams CDiskOutStream, the others CDiskIOStream with read and write access. Failures of
// the streams' constructors reach the caller unchanged.
class CDiskStreamFactory : public CStreamFactory {
public:
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
};

} // namespace tamu::posix
