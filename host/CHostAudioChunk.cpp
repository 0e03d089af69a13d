#include "CHostAudioChunk.h"

#include "tamu/IMemoryBlock.h"

#include <utility>

namespace orxa::host {

CHostAudioChunk::CHostAudioChunk(double time, tamu::P<tamu::IMemoryBlock> block)
    : m_time(time), m_block(std::move(block)) {}

CHostAudioChunk::~CHostAudioChunk() = default;

double CHostAudioChunk::getTime() const {
    return m_time;
}

uint8_t* CHostAudioChunk::getData() {
    return m_block->getData();
}

int32_t CHostAudioChunk::getSize() const {
    return m_block->getSize();
}

tamu::P<tamu::IMemoryBlock> CHostAudioChunk::getMemoryBlock() const {
    return m_block;
}

void CHostAudioChunk::serialize(tamu::ISerializationWriter& out) const {
    out.writeDouble(m_time);
    m_block->serialize(out);
}

bool CHostAudioChunk::deserialize(tamu::ISerializationReader& in) {
    m_time = in.readDouble();
    return m_block->deserialize(in);
}

} // namespace orxa::host
