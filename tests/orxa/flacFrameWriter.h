#pragma once

// Writes FLAC files by hand with VERBATIM or CONSTANT subframes, for the streams the flac
// encoder never makes (variable block sizes, frames whose channel count or bit depth differs
// from STREAMINFO) or makes only slowly (billions of samples).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace flactest {

class BitWriter {
public:
    void put(uint64_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            m_current = static_cast<uint8_t>((m_current << 1) | ((value >> i) & 1));
            if (++m_used == 8) {
                m_bytes.push_back(m_current);
                m_current = 0;
                m_used = 0;
            }
        }
    }
    void align() {
        while (m_used != 0)
            put(0, 1);
    }
    std::vector<uint8_t>& bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    uint8_t m_current = 0;
    int m_used = 0;
};

// FLAC's CRCs, most significant bit first from zero: CRC-8 (0x07) and CRC-16 (0x8005).
template <typename T, T polynomial>
T crc(const std::vector<uint8_t>& data) {
    constexpr int top = 8 * sizeof(T) - 1;
    T crc = 0;
    for (uint8_t byte : data) {
        crc = static_cast<T>(crc ^ (byte << (top - 7)));
        for (int b = 0; b < 8; ++b)
            crc = static_cast<T>((crc >> top) & 1 ? (crc << 1) ^ polynomial : crc << 1);
    }
    return crc;
}

// A file with a STREAMINFO of the given layout, built frame by frame.
class FlacFileWriter {
public:
    FlacFileWriter(int rate, int channels, int bits, int minBlock, int maxBlock,
                   uint64_t totalSamples) {
        BitWriter out;
        out.put(0x664C6143, 32); // "fLaC"
        out.put(1, 1);           // last metadata block
        out.put(0, 7);           // STREAMINFO
        out.put(34, 24);
        out.put(static_cast<uint64_t>(minBlock), 16);
        out.put(static_cast<uint64_t>(maxBlock), 16);
        out.put(0, 24);
        out.put(0, 24);
        out.put(static_cast<uint64_t>(rate), 20);
        out.put(static_cast<uint64_t>(channels - 1), 3);
        out.put(static_cast<uint64_t>(bits - 1), 5);
        out.put(totalSamples, 36);
        for (int i = 0; i < 4; ++i)
            out.put(0, 32); // no MD5
        m_file = out.bytes();
    }

    // One variable-blocksize frame starting at `firstSample`; samples[c][i], `bits` wide.
    void addFrame(uint64_t firstSample, const std::vector<std::vector<int32_t>>& samples,
                  int bits) {
        BitWriter out;
        putHeader(out, firstSample, samples[0].size(), samples.size(), bits);
        for (const std::vector<int32_t>& channel : samples) {
            out.put(0, 1);
            out.put(1, 6); // VERBATIM
            out.put(0, 1);
            for (int32_t sample : channel)
                out.put(static_cast<uint64_t>(static_cast<uint32_t>(sample)) &
                            ((uint64_t{1} << bits) - 1),
                        bits);
        }
        finishFrame(out);
    }

    // A frame of `blockSize` samples that all hold `value` in every channel: CONSTANT
    // subframes, a few bytes however long the block, so hours of audio take little room.
    void addConstantFrame(uint64_t firstSample, std::size_t blockSize, std::size_t channels,
                          int32_t value, int bits) {
        BitWriter out;
        putHeader(out, firstSample, blockSize, channels, bits);
        for (std::size_t c = 0; c < channels; ++c) {
            out.put(0, 8); // padding bit, CONSTANT, no wasted bits
            out.put(static_cast<uint64_t>(static_cast<uint32_t>(value)) &
                        ((uint64_t{1} << bits) - 1),
                    bits);
        }
        finishFrame(out);
    }

    const std::vector<uint8_t>& bytes() const { return m_file; }

private:
    static void putHeader(BitWriter& out, uint64_t firstSample, std::size_t blockSize,
                          std::size_t channels, int bits) {
        static const int bitsCodes[33] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 4,
                                          0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 7};
        out.put(0x3FFE, 14);
        out.put(0, 1);
        out.put(1, 1); // variable block size: headers carry sample numbers
        out.put(7, 4); // block size - 1 follows in 16 bits
        out.put(0, 4); // sample rate from STREAMINFO
        out.put(channels - 1, 4);
        out.put(static_cast<uint64_t>(bitsCodes[bits]), 3);
        out.put(0, 1);
        putUtf8(out, firstSample);
        out.put(blockSize - 1, 16);
        out.put(crc<uint8_t, 0x07>(out.bytes()), 8);
    }

    void finishFrame(BitWriter& out) {
        out.align();
        out.put(crc<uint16_t, 0x8005>(out.bytes()), 16);
        m_file.insert(m_file.end(), out.bytes().begin(), out.bytes().end());
    }

    static void putUtf8(BitWriter& out, uint64_t value) {
        if (value < 0x80) {
            out.put(value, 8);
            return;
        }
        int extra = 1; // continuation bytes, each carrying 6 bits
        while (value >> (5 * extra + 6))
            ++extra;
        // The lead byte: extra + 1 ones, a zero, then the top bits.
        const uint64_t lead = ((0xFF00u >> (extra + 1)) & 0xFF);
        out.put(lead | (value >> (6 * extra)), 8);
        for (int i = extra - 1; i >= 0; --i)
            out.put(0x80 | ((value >> (6 * i)) & 0x3F), 8);
    }

    std::vector<uint8_t> m_file;
};

} // namespace flactest
