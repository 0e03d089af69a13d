#pragma once

#include "orxa/common/IAudioSource.h"
#include "orxa/common/IAudioStreamInfo.h"
#include "orxa/common/IStreamIntegrity.h"
#include "tamu/CObject.h"

// libFLAC's decoder and frame types are anonymous structs, which cannot be declared ahead.
#include <FLAC/stream_decoder.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace tamu {
class IConstArray;
class IMemoryBlock;
class IMutex;
class ISeekableInStream;
class IURI;
} // namespace tamu

namespace orxa::common {
class IPluginHost;
class IStreamPicture;
} // namespace orxa::common

namespace orxa::audio {
class CAudioChunkPool;
}

namespace orxa::samplerateconverter {
class CSampleRateConverter;
}

namespace orxa::flac {

class CBackgroundMD5;

// Decodes a FLAC file into audio chunks, one chunk per FLAC frame, in the layout the host asked
// for: frames are packed as they come when the file has that layout, and go through a
// sample-rate converter when it does not. Decoding and skipping belong to one thread at a time;
// open, close and isOpen may come from others.
class CFLACSource : public tamu::CObject,
                    public virtual common::IAudioSource,
                    public virtual common::IAudioStreamInfo,
                    public virtual common::IStreamIntegrity {
public:
    CFLACSource(common::IPluginHost* host, const tamu::P<tamu::IString>& pluginName,
                const tamu::P<tamu::IString>& location, int32_t sampleRate, int32_t channels,
                int32_t bytesPerSample);
    ~CFLACSource() override;

    bool isOpen() override;
    void open() override;
    void close() override;
    // Moves to the sample nearest `seconds` at the file's rate: the next chunk begins exactly
    // there. On a stream that can seek, libFLAC finds the place (by the seek table, else by
    // bisection); otherwise, or when libFLAC cannot, the frames up to it are decoded and
    // dropped. At or past the end, the next chunk is the end of the stream.
    void skipTo(double seconds) override;
    double getDuration() override;
    int32_t queryNumber() override;
    // True once the decoder has delivered the last frame and found the end of the stream.
    bool isAtEnd() override;
    void setUserValue(double value) override;
    double getUserValue() override;
    tamu::P<tamu::IURI> getURI() override;
    bool queryFlag() override;
    tamu::P<tamu::IString> getPluginName() override;

    tamu::P<tamu::IBase> getAuxiliary() override;
    void reservedSlot2(int32_t value) override;
    // At the end of the stream: the converter's remainder (when converting), then one empty
    // pointer; any later call throws COrxaEOFError.
    tamu::P<audio::IAudioChunk> getNextAudioChunk() override;
    int32_t getSampleRate() override;
    int32_t getChannels() override;
    int32_t getBytesPerSample() override;
    int32_t getChannelCode() override;

    int32_t getStreamSampleRate() override;
    int32_t getStreamChannels() override;
    int32_t getStreamBitsPerSample() override;
    int64_t getStreamTotalSamples() override;
    tamu::P<tamu::IConstArray> getStreamTags() override;
    tamu::P<tamu::IString> getStreamVendor() override;
    void getStreamMD5(uint8_t signature[16]) override;
    int32_t getStreamMinBlockSize() override;
    int32_t getStreamMaxBlockSize() override;
    int32_t getStreamMinFrameSize() override;
    int32_t getStreamMaxFrameSize() override;
    int32_t getStreamSeekPointCount() override;
    void setPictureReading(bool read) override;
    int32_t getStreamPictureCount() override;
    tamu::P<common::IStreamPicture> getStreamPicture(int32_t index) override;

    void setMD5Checking(bool check) override;
    bool getMD5Checking() override;
    int64_t getDecodedSamples() override;
    int64_t getExpectedSamples() override;
    int32_t getLostSyncCount() override;
    int32_t getCRCMismatchCount() override;
    int32_t getHeaderMismatchCount() override;
    int64_t getLostSamples() override;
    bool isStreamEnded() override;
    bool isEndedEarly() override;
    EMD5Result getMD5Result() override;
    bool isIntact() override;
    tamu::P<tamu::IString> getReadFailure() override;

private:
    // closed until an open succeeds, failed when one threw; at end once the decoder has no
    // more audio to give (it found the end, or a skipTo went to or past it), so that the next
    // chunks are the end of the stream.
    enum class EState { closed, opened, atEnd, failed };
    // libFLAC's callbacks; the client data is the source. None of them throws.
    static FLAC__StreamDecoderReadStatus
    readCallback(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* self);
    static FLAC__StreamDecoderWriteStatus writeCallback(const FLAC__StreamDecoder*,
                                                        const FLAC__Frame* frame,
                                                        const FLAC__int32* const buffer[],
                                                        void* self);
    static void metadataCallback(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata,
                                 void* self);
    static void errorCallback(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status,
                              void* self);
    FLAC__StreamDecoderReadStatus readBytes(FLAC__byte* buffer, size_t* bytes);
    FLAC__StreamDecoderWriteStatus writeFrame(const FLAC__Frame& frame,
                                              const FLAC__int32* const* samples);
    // The frame brought into the stream's layout and queued as a chunk.
    FLAC__StreamDecoderWriteStatus deliverFrame(const FLAC__Frame& frame,
                                                const FLAC__int32* const* samples);
    // Hands the frame to the MD5 thread: `packed` when the packing is already the signature's
    // form, else the frame's samples in that form.
    void hashFrame(const FLAC__Frame& frame, const FLAC__int32* const* samples,
                   const tamu::P<tamu::IMemoryBlock>& packed);
    void takeMetadata(const FLAC__StreamMetadata& metadata);
    void takeError(FLAC__StreamDecoderErrorStatus status);

    void log(int32_t level, const tamu::P<tamu::IString>& text);
    tamu::P<tamu::IString> locationText() const;
    // Throws the error the error callback recorded, if any.
    void reportDecoderError();
    // The open decoder, or COrxaError naming `method` when the source is not open.
    FLAC__StreamDecoder* requireDecoder(const char* method);
    tamu::P<audio::IAudioChunk> endOfStream();
    // Once the decoder has found the end: whether the stream was whole and, by finishing the
    // decoder, what libFLAC's MD5 check found. Runs once per open.
    void settleEnd();
    void dropReadyFrames();
    bool hasReadyFrame() const;
    // isOpen without the lock, for the source's own methods.
    bool isOpened() const;
    // Forgets the decoding in progress (frames, position, pending error, end steps) and the
    // decoded layout, and enters `state`: what open and close share.
    void resetDecoding(EState state);
    // Forgets what the last file said of itself and the integrity report, before a new open.
    void forgetFile();
    // The damage of a STREAMINFO block, or empty when it is sound.
    static const char* streamInfoDamage(const FLAC__StreamMetadata_StreamInfo& info);
    void deleteDecoder();

    tamu::P<tamu::IURI> m_uri;
    tamu::P<tamu::ISeekableInStream> m_inStream;
    tamu::P<common::IPluginHost> m_host;
    // The layout the host asked for.
    int32_t m_sampleRate;
    int32_t m_channels;
    int32_t m_bytesPerSample;
    // The layout frames are packed in as they are decoded, before any conversion: the file's
    // rate and channels, its bit depth in whole bytes.
    int32_t m_decodedSampleRate = 0;
    int32_t m_decodedChannels = 0;
    int32_t m_decodedBytesPerSample = 0;
    tamu::P<tamu::IString> m_pluginName;
    tamu::P<samplerateconverter::CSampleRateConverter> m_converter;
    double m_duration = -1.0;
    double m_userValue = 0.0;
    // The block of the chunk handed out last, which the chunk shares.
    tamu::P<tamu::IMemoryBlock> m_handedOutBlock;
    // The chunk objects of the frames handed out without conversion.
    tamu::P<audio::CAudioChunkPool> m_chunks;
    int64_t m_decodedSamples = 0;
    FLAC__StreamDecoder* m_decoder = nullptr;
    bool m_errorPending = false;
    int32_t m_errorStatus = 0;
    EState m_state = EState::closed;
    tamu::P<tamu::IMutex> m_lock;

    // What the file's STREAMINFO says of itself, the answers of the stream-info getters; kept
    // after close.
    int32_t m_infoSampleRate = 0;
    int32_t m_infoChannels = 0;
    int32_t m_infoBitsPerSample = 0;
    int64_t m_totalSamples = 0;
    tamu::P<tamu::IConstArray> m_tags;
    tamu::P<tamu::IString> m_vendor;
    uint8_t m_md5[16] = {};
    int32_t m_blockSizes[2] = {};
    int32_t m_frameSizes[2] = {};
    int32_t m_seekPoints = 0;
    bool m_readPictures = false;
    std::vector<tamu::P<common::IStreamPicture>> m_pictures;
    // The end of the stream is handed out in steps: the converter's remainder, then one empty
    // pointer, then COrxaEOFError.
    enum class EEndStep { converterRest, emptyChunk, eofError };
    EEndStep m_endStep = EEndStep::converterRest;
    // The integrity report, reset by each open.
    bool m_checkMD5 = false;
    bool m_md5Active = false; // what the current open asked for
    // Hashes the decoded frames beside the decoding while the signature can still be checked:
    // from an open whose stream has one, until the end or a skip.
    std::unique_ptr<CBackgroundMD5> m_hasher;
    int32_t m_streamInfoBlocks = 0;
    const char* m_streamInfoDamage = nullptr;
    bool m_md5IsZero = true;
    tamu::P<tamu::IString> m_readFailure;
    int32_t m_lostSyncCount = 0;
    int32_t m_crcMismatchCount = 0;
    int32_t m_headerMismatchCount = 0;
    int64_t m_lostSamples = 0;
    // The sample number the next frame should start at; a later one shows dropped frames.
    int64_t m_nextSample = 0;
    bool m_streamEnded = false;
    bool m_endedEarly = false;
    EMD5Result m_md5Result = EMD5Result::unchecked;
    // Decoded frames not yet handed out, each with the stream position at its end.
    struct ReadyFrame {
        tamu::P<tamu::IMemoryBlock> block;
        int64_t endSample;
    };
    std::vector<ReadyFrame> m_readyFrames;
    size_t m_nextReadyFrame = 0;
    // Stands in for channels a frame lacks; only grown, so steady decoding allocates nothing.
    std::vector<int32_t> m_silence;

    static FLAC__StreamDecoderSeekStatus seekCallback(const FLAC__StreamDecoder*,
                                                      FLAC__uint64 offset, void* self);
    static FLAC__StreamDecoderTellStatus tellCallback(const FLAC__StreamDecoder*,
                                                      FLAC__uint64* offset, void* self);
    static FLAC__StreamDecoderLengthStatus lengthCallback(const FLAC__StreamDecoder*,
                                                          FLAC__uint64* length, void* self);
    static FLAC__bool eofCallback(const FLAC__StreamDecoder*, void* self);
    // Hands libFLAC the stream, with the callbacks that let it seek where the stream can.
    FLAC__StreamDecoderInitStatus initStream();
    bool probeSeekable();
    // A decoder finished at the end of the stream reads it from its start again.
    void restartDecoder();
    void seekTo(int64_t target);
    // Decodes and drops the audio before `target`, from where the decoder is.
    void decodeForwardTo(int64_t target);
    // The stream position of the next chunk's first sample.
    int64_t nextChunkStart() const;

    // Whether the input can seek, as found at open.
    bool m_seekable = false;
    // A skipTo happened since open: the stream is not decoded whole.
    bool m_seeked = false;
    // The metadata has been taken; blocks read again after a rewind are not news.
    bool m_metadataKnown = false;
    // The stream position, in samples per channel, at the end of the last decoded frame.
    int64_t m_position = 0;
};

} // namespace orxa::flac
