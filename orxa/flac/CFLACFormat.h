#pragma once

#include "orxa/common/IAudioFormat.h"
#include "orxa/common/IEncoderSettings.h"
#include "orxa/common/IFormatStatus.h"
#include "tamu/CObject.h"

// libFLAC's encoder type is an anonymous struct, which cannot be declared ahead.
#include <FLAC/stream_encoder.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tamu {
class ISeekableOutStream;
class IURI;
} // namespace tamu

namespace orxa::common {
class IPluginHost;
}

namespace orxa::flac {

class CEncoderMetadata;

// Encodes the audio chunks a host writes into a FLAC file. libFLAC writes, seeks and tells
// through the format's callbacks and rewrites STREAMINFO at the start of the file when the
// encoder is finished, so the output must be seekable. One thread at a time drives a format.
class CFLACFormat : public tamu::CObject,
                    public virtual common::IAudioFormat,
                    public virtual common::IEncoderSettings,
                    public virtual common::IFormatStatus {
public:
    CFLACFormat(common::IPluginHost* host, const tamu::P<tamu::IString>& pluginName,
                const tamu::P<tamu::IString>& location, int32_t sampleRate, int32_t channels,
                int32_t bytesPerSample);
    // Finishes the file when the host did not close it.
    ~CFLACFormat() override;

    bool isOpen() override;
    // Failures are logged, never thrown; isOpen tells the host.
    void open() override;
    void close() override;
    tamu::P<tamu::IURI> getURI() override;
    bool queryFlag() override;
    tamu::P<tamu::IString> getPluginName() override;
    // Bytes of FLAC for `seconds` of audio, from typical bit rates.
    int64_t estimateSize(double seconds) override;

    int32_t getSampleRate() override;
    int32_t getChannels() override;
    int32_t getBytesPerSample() override;
    void reservedSlot4(int32_t a, int32_t b) override;
    void reservedSlot5(int32_t a, int32_t b, int32_t c) override;
    // COrxaError when the format is not open or libFLAC refuses the audio.
    void writeAudioChunk(const tamu::P<audio::IAudioChunk>& chunk) override;

    void addTag(const tamu::P<tamu::IString>& tag) override;
    void clearTags() override;
    void addPicture(common::IStreamPicture* picture) override;
    void setPadding(int32_t bytes) override;
    void setCompressionLevel(int32_t level) override;
    void setSeekPoints(double seconds, int64_t totalSamples) override;
    void setVerify(bool verify) override;
    void setTotalSamplesEstimate(int64_t samples) override;

    bool hasFailed() override;
    tamu::P<tamu::IString> getFailure() override;
    tamu::P<tamu::IString> getFailureReason() override;

private:
    // What a host set through IEncoderSettings; the defaults write the fixed stream.
    struct Settings;

    // COrxaError naming `method` once the encoder has begun.
    void requireNotStarted(const char* method) const;
    // The blocks the settings ask for, or null when they ask for none.
    std::unique_ptr<CEncoderMetadata> makeMetadata() const;
    // The text of a refused write: libFLAC's verify failure names its sample.
    tamu::P<tamu::IString> encodingFailure() const;

    // libFLAC's callbacks; the client data is the format. None of them throws.
    static FLAC__StreamEncoderWriteStatus writeCallback(const FLAC__StreamEncoder*,
                                                        const FLAC__byte buffer[], size_t bytes,
                                                        uint32_t samples, uint32_t frame,
                                                        void* self);
    static FLAC__StreamEncoderSeekStatus seekCallback(const FLAC__StreamEncoder*,
                                                      FLAC__uint64 offset, void* self);
    static FLAC__StreamEncoderTellStatus tellCallback(const FLAC__StreamEncoder*,
                                                      FLAC__uint64* offset, void* self);
    FLAC__StreamEncoderWriteStatus writeBytes(const FLAC__byte* buffer, size_t bytes);
    FLAC__StreamEncoderSeekStatus seekTo(FLAC__uint64 offset);
    FLAC__StreamEncoderTellStatus tell(FLAC__uint64* offset);
    // The report of a handler's failure for guardCallback.
    auto handlerFailure(const char* handler, bool withMessage);

    void startEncoder();
    void log(const tamu::P<tamu::IString>& text);
    // Logs a failure and keeps the first one of this open, and the stream's reason for it, for
    // IFormatStatus.
    void fail(const tamu::P<tamu::IString>& text, const tamu::P<tamu::IString>& reason = nullptr);
    tamu::P<tamu::IString> locationText() const;

    tamu::P<tamu::ISeekableOutStream> m_outStream;
    tamu::P<tamu::IURI> m_uri;
    tamu::P<common::IPluginHost> m_host;
    int32_t m_sampleRate;
    int32_t m_channels;
    int32_t m_bytesPerSample;
    bool m_isFinished = false;
    // The first failure since open and its reason, for IFormatStatus.
    tamu::P<tamu::IString> m_failure;
    tamu::P<tamu::IString> m_failureReason;
    tamu::P<tamu::IString> m_pluginName;
    FLAC__StreamEncoder* m_encoder = nullptr;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<CEncoderMetadata> m_metadata;
};

} // namespace orxa::flac
