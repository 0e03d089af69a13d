#include "tamu/valueStoreSupport.h"

#include "tamu/CURI.h"
#include "tamu/CURIError.h"
#include "tamu/EncodedTextBuffer.h"
#include "tamu/IFileSystemManager.h"
#include "tamu/IOutStream.h"
#include "tamu/IStreamManager.h"
#include "tamu/IValueStore.h"
#include "tamu/stringConv.h"

#include <atomic>
#include <cstdio>
#include <random>

namespace tamu::valueStore {

namespace {

P<IURI> own(IURI* uri) {
    return uri ? uri->clone() : nullptr;
}

// A name no other saver picks: several processes may save the same file at once.
P<IURI> temporaryBeside(IURI& uri) {
    static std::atomic<uint64_t> counter{0};
    static const uint64_t processSalt = std::random_device{}() * 0x9E3779B97F4A7C15ull;
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                  static_cast<unsigned long long>(processSalt ^ ++counter));
    P<IString> name = str(".")->concat(*uri.getRawFileName())->concat(suffix);
    CURI reference(*name);
    return make<CURI>(uri, reference);
}

} // namespace

void requireRead(int32_t mode, IURI* uri) {
    if (!(mode & valueStoreRead))
        throw CFileAccessDeniedError(own(uri), str("No read access"));
}

void requireWrite(int32_t mode, IURI* uri) {
    if (!(mode & valueStoreWrite))
        throw CFileAccessDeniedError(own(uri), str("No write access"));
}

std::string utf8(StringArg text) {
    return stringConv::toStdString(*makeString(text, StringStorage::reference));
}

void saveAtomically(IURI& uri, const std::function<void(IOutStream&)>& write) {
    P<IURI> temporary = temporaryBeside(uri);
    try {
        P<IOutStream> out =
            getStreamManager()->openOutStream(temporary.get(), shareNone, createOrTruncate, false);
        write(*out);
        out->flush();
        out->close();
        getFileSystemManager()->moveFile(temporary.get(), &uri, true);
    } catch (...) {
        getFileSystemManager()->deleteFile(temporary.get(), false);
        throw;
    }
}

} // namespace tamu::valueStore
