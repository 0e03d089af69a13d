// Feeds arbitrary bytes to a FLAC source as a host would see them: through the stream manager
// (a factory answers the "fuzz:" scheme from memory, no disk), in a layout chosen by the first
// bytes (the file's own, another rate, other channels, another width), pulling chunks to the
// end or to an error and reading the integrity report at the end. Any crash, hang, leak or
// sanitizer report is a finding; COrxaError is the clean way out.
#include "TestHost.h"

#include "orxa/audio/IAudioChunk.h"
#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/COrxaError.h"
#include "orxa/common/IAudioStreamInfo.h"
#include "orxa/common/IStreamIntegrity.h"
#include "orxa/flac/CFLACSource.h"
#include "tamu/CMemoryIOStream.h"
#include "tamu/CMemoryManager.h"
#include "tamu/CStreamFactory.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IStreamManager.h"
#include "tamu/IURI.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using tamu::P;

namespace {

// Hands out the current input for every "fuzz:" URI.
class CInputFactory : public tamu::CStreamFactory {
public:
    P<tamu::IMemoryBlock> input;

    P<tamu::ISeekableInStream> tryOpenSeekableInStream(tamu::IURI* uri, int32_t) override {
        return fits(uri) ? P<tamu::ISeekableInStream>(stream()) : nullptr;
    }
    P<tamu::IResetableInStream> tryOpenResetableInStream(tamu::IURI* uri, int32_t) override {
        return fits(uri) ? P<tamu::IResetableInStream>(stream()) : nullptr;
    }
    P<tamu::IInStream> tryOpenInStream(tamu::IURI* uri, int32_t) override {
        return fits(uri) ? P<tamu::IInStream>(stream()) : nullptr;
    }
#define ORXA_NO_OUTPUT(Stream)                                                                     \
    P<tamu::I##Stream> tryOpen##Stream(tamu::IURI*, int32_t, int32_t, bool) override {             \
        return nullptr;                                                                            \
    }
    ORXA_NO_OUTPUT(OutStream)
    ORXA_NO_OUTPUT(ResetableOutStream)
    ORXA_NO_OUTPUT(SeekableOutStream)
    ORXA_NO_OUTPUT(IOStream)
    ORXA_NO_OUTPUT(ResetableIOStream)
    ORXA_NO_OUTPUT(SeekableIOStream)
#undef ORXA_NO_OUTPUT

private:
    static bool fits(tamu::IURI* uri) {
        P<tamu::IString> scheme = uri ? uri->getScheme() : nullptr;
        return scheme && tamu::stringConv::toStdString(*scheme) == "fuzz";
    }
    P<tamu::CMemoryIOStream> stream() const {
        return tamu::make<tamu::CMemoryIOStream>(input);
    }
};

struct World {
    P<tamu::IMemoryManager> memory = tamu::make<tamu::CMemoryManager>(30);
    P<testhost::CTestHostLog> log = tamu::make<testhost::CTestHostLog>(0);
    P<testhost::CTestPluginHost> host = tamu::make<testhost::CTestPluginHost>(log, memory);
    P<CInputFactory> factory = tamu::make<CInputFactory>();
    World() { tamu::getStreamManager()->addFactory(factory.get()); }
};

World& world() {
    static World* made = new World();
    return *made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    World& w = world();
    const uint8_t choice = data[0];
    w.factory->input = w.memory->allocate(static_cast<int32_t>(size - 1));
    std::memcpy(w.factory->input->getData(), data + 1, size - 1);

    // 0: the file's own layout (asked for once the header is known), 1: another rate,
    // 2: other channels, 3: another width.
    const int mode = choice & 3;
    int32_t rate = 44100, channels = 2, bytes = 2;
    if (mode == 1)
        rate = (choice & 4) ? 8000 : 96000;
    if (mode == 2)
        channels = 1 + (choice >> 2) % 8;
    if (mode == 3)
        bytes = 1 + (choice >> 2) % 4;

    auto source = tamu::make<orxa::flac::CFLACSource>(
        w.host.get(), tamu::stringConv::fromStd("fuzz"), tamu::stringConv::fromStd("fuzz:input"),
        rate, channels, bytes);
    source->setMD5Checking((choice & 0x80) != 0);
    source->setPictureReading((choice & 0x40) != 0);
    try {
        source->open();
        for (int guard = 0; guard < 200000; ++guard) {
            P<orxa::audio::IAudioChunk> chunk = source->getNextAudioChunk();
            if (!chunk)
                break;
            if (chunk->getSize() % (channels * bytes) != 0)
                std::abort(); // a chunk always holds whole frames of the asked layout
        }
    } catch (const orxa::common::COrxaError&) {
    } catch (const orxa::common::COrxaEOFError&) {
    }
    source->isIntact();
    source->getLostSamples();
    source->getStreamPictureCount();
    try {
        source->close();
    } catch (const orxa::common::COrxaError&) {
    }
    w.factory->input = nullptr;
    return 0;
}
