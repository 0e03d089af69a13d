#include "base64Alphabet.h"

#include <array>

namespace tamu::base64 {

const char alphabet[65] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

namespace {

constexpr std::array<uint8_t, 256> makeDecodingTable() {
    std::array<uint8_t, 256> table{};
    for (auto& value : table)
        value = invalidValue;
    constexpr const char* letters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (uint8_t i = 0; i < 64; ++i)
        table[static_cast<uint8_t>(letters[i])] = i;
    return table;
}

constexpr std::array<uint8_t, 256> decodingTable = makeDecodingTable();

} // namespace

uint8_t valueOf(uint8_t character) {
    return decodingTable[character];
}

int64_t encodedLength(int64_t byteCount) {
    return (byteCount * 8 + 5) / 6;
}

int64_t decodedLength(int64_t charCount) {
    return (charCount * 6) / 8;
}

} // namespace tamu::base64
