#include "orxa/audio/CAudioChunk.h"

#include "tamu/IMemoryBlock.h"

namespace orxa::audio {

using tamu::IMemoryBlock;
using tamu::P;

CAudioChunk::CAudioChunk(double time, IMemoryBlock* block) : m_time(time), m_block(block) {}

CAudioChunk::~CAudioChunk() = default;

void CAudioChunk::rebind(double time, IMemoryBlock* block) {
    m_time = time;
    m_block = P<IMemoryBlock>(block);
}

double CAudioChunk::getTime() const {
    return m_time;
}

uint8_t* CAudioChunk::getData() {
    return m_block ? m_block->getData() : nullptr;
}

int32_t CAudioChunk::getSize() const {
    return m_block ? m_block->getSize() : 0;
}

P<IMemoryBlock> CAudioChunk::getMemoryBlock() const {
    return m_block;
}

void CAudioChunk::serialize(tamu::ISerializationWriter& out) const {
    out.writeDouble(m_time);
    if (m_block)
        m_block->serialize(out);
    else
        out.writeInt32(0);
}

bool CAudioChunk::deserialize(tamu::ISerializationReader& in) {
    if (!m_block)
        return false;
    m_time = in.readDouble();
    return m_block->deserialize(in);
}

} // namespace orxa::audio
