#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class IURI;
class IInStream;
class IResetableInStream;
class ISeekableInStream;
class IOutStream;
class IResetableOutStream;
class ISeekableOutStream;
class IIOStream;
class IResetableIOStream;
class ISeekableIOStream;

// Share kinds: what others may do with a file while this stream has it open.
constexpr int32_t shareNone = 0;
constexpr int32_t shareReaders = 1;
constexpr int32_t shareReadersAndWriters = 2;

// Creation kinds of the output and I/O streams.
constexpr int32_t openExisting = 1;
constexpr int32_t createOrTruncate = 2;
constexpr int32_t openOrCreate = 3;

// Opens a URI as a stream with the wanted capabilities. Operations come in pairs: the "try"
// one answers empty when this factory does not handle the URI, the other one turns that empty
// answer into CFileNotFoundError. A factory that handles the URI but cannot open it throws.
// shareKind is one of the share kinds, creationKind one of the creation kinds below.
class TAMU_API IStreamFactory : public virtual IBase {
public:
    virtual P<IInStream> tryOpenInStream(IURI* uri, int32_t shareKind) = 0;
    virtual P<IInStream> openInStream(IURI* uri, int32_t shareKind) = 0;
    virtual P<IResetableInStream> tryOpenResetableInStream(IURI* uri, int32_t shareKind) = 0;
    virtual P<IResetableInStream> openResetableInStream(IURI* uri, int32_t shareKind) = 0;
    virtual P<ISeekableInStream> tryOpenSeekableInStream(IURI* uri, int32_t shareKind) = 0;
    virtual P<ISeekableInStream> openSeekableInStream(IURI* uri, int32_t shareKind) = 0;

    virtual P<IOutStream> tryOpenOutStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                           bool deleteOnClose) = 0;
    virtual P<IOutStream> openOutStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                        bool deleteOnClose) = 0;
    virtual P<IResetableOutStream> tryOpenResetableOutStream(IURI* uri, int32_t shareKind,
                                                             int32_t creationKind,
                                                             bool deleteOnClose) = 0;
    virtual P<IResetableOutStream> openResetableOutStream(IURI* uri, int32_t shareKind,
                                                          int32_t creationKind,
                                                          bool deleteOnClose) = 0;
    virtual P<ISeekableOutStream> tryOpenSeekableOutStream(IURI* uri, int32_t shareKind,
                                                           int32_t creationKind,
                                                           bool deleteOnClose) = 0;
    virtual P<ISeekableOutStream> openSeekableOutStream(IURI* uri, int32_t shareKind,
                                                        int32_t creationKind,
                                                        bool deleteOnClose) = 0;

    virtual P<IIOStream> tryOpenIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                         bool deleteOnClose) = 0;
    virtual P<IIOStream> openIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                      bool deleteOnClose) = 0;
    virtual P<IResetableIOStream> tryOpenResetableIOStream(IURI* uri, int32_t shareKind,
                                                           int32_t creationKind,
                                                           bool deleteOnClose) = 0;
    virtual P<IResetableIOStream> openResetableIOStream(IURI* uri, int32_t shareKind,
                                                        int32_t creationKind,
                                                        bool deleteOnClose) = 0;
    virtual P<ISeekableIOStream> tryOpenSeekableIOStream(IURI* uri, int32_t shareKind,
                                                         int32_t creationKind,
                                                         bool deleteOnClose) = 0;
    virtual P<ISeekableIOStream> openSeekableIOStream(IURI* uri, int32_t shareKind,
                                                      int32_t creationKind, bool deleteOnClose) = 0;
};

} // namespace tamu
