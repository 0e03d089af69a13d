#include "flacTestSupport.h"

#include "orxa/common/CPluginExtensions.h"
#include "orxa/common/IPluginExtensions.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CMemoryBlockReader.h"
#include "tamu/CMemoryBlockWriter.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"

#include <cstring>

using namespace flactest;
using tamu::P;

namespace {

std::vector<std::string> entriesOf(orxa::common::IPluginExtensions& list) {
    std::vector<std::string> entries;
    for (int32_t i = 0; i < list.getCount(); ++i)
        entries.push_back(tamu::stringConv::toStdString(*list.getAt(i)));
    return entries;
}

template <class Worker>
std::vector<int32_t> layoutOf(Worker& worker) {
    return {worker.getSampleRate(), worker.getChannels(), worker.getBytesPerSample()};
}

class PluginWorkers : public FlacTest {};

} // namespace

TEST(PluginExtensions, KeepsEachLowerCasedEntryOnceAndSerializesInOrder) {
    auto list = tamu::make<orxa::common::CPluginExtensions>();
    EXPECT_TRUE(list->addExtension(tamu::str("flac")));
    EXPECT_FALSE(list->addExtension(tamu::str("flac")));
    EXPECT_FALSE(list->addExtension(tamu::str("FLAC")));
    EXPECT_TRUE(list->addExtension(tamu::str("Fla")));
    EXPECT_EQ(entriesOf(*list), (std::vector<std::string>{"flac", "fla"}));

    auto block = tamu::make<tamu::CMemoryBlock>();
    tamu::CMemoryBlockWriter writer(block);
    list->serialize(writer);
    tamu::CMemoryBlockReader reader(block);
    EXPECT_EQ(reader.readInt32(), 2);
    EXPECT_EQ(tamu::stringConv::toStdString(*reader.readString()), "flac");
    EXPECT_EQ(tamu::stringConv::toStdString(*reader.readString()), "fla");

    // Read back, entries are appended as they come, duplicates included.
    auto restored = tamu::make<orxa::common::CPluginExtensions>();
    restored->addExtension(tamu::str("fla"));
    tamu::CMemoryBlockReader again(block);
    EXPECT_TRUE(restored->deserialize(again));
    EXPECT_EQ(entriesOf(*restored), (std::vector<std::string>{"fla", "flac", "fla"}));
}

TEST_F(PluginWorkers, ListsFlacOnceForEitherKind) {
    for (uint32_t mask : {2u, 16u, 18u, 0xFFFFFFFFu}) {
        P<orxa::common::IPluginExtensions> list = m_plugin->getExtensions(mask);
        ASSERT_TRUE(list);
        EXPECT_EQ(entriesOf(*list), std::vector<std::string>{"flac"}) << mask;
    }
    for (uint32_t mask : {0u, 1u, 4u}) {
        P<orxa::common::IPluginExtensions> list = m_plugin->getExtensions(mask);
        ASSERT_TRUE(list);
        EXPECT_EQ(list->getCount(), 0) << mask;
    }
}

TEST_F(PluginWorkers, CreatesWorkersOnlyForTheirKind) {
    P<tamu::IString> location = tamu::str("x.flac");
    EXPECT_FALSE(m_plugin->createSource(location, 16, 0, nullptr));
    EXPECT_FALSE(m_plugin->createFormat(location, 2, 0, nullptr));
    EXPECT_FALSE(m_plugin->createSource(location, 1, 0, nullptr));
    EXPECT_FALSE(m_plugin->createSource(nullptr, 2, 0, nullptr));
    EXPECT_FALSE(m_plugin->createFormat(nullptr, 16, 0, nullptr));
    P<orxa::common::ISource> source = m_plugin->createSource(location, 18, 0, nullptr);
    P<orxa::common::IFormat> format = m_plugin->createFormat(location, 18, 0, nullptr);
    ASSERT_TRUE(source);
    ASSERT_TRUE(format);

    // Nothing is opened at creation.
    EXPECT_FALSE(source->isOpen());
    EXPECT_FALSE(format->isOpen());
    EXPECT_EQ(source->queryNumber(), 100);
    EXPECT_TRUE(source->queryFlag());
    EXPECT_TRUE(format->queryFlag());
    EXPECT_EQ(tamu::stringConv::toStdString(*source->getPluginName()), "orxa_flac");
    EXPECT_EQ(tamu::stringConv::toStdString(*format->getPluginName()), "orxa_flac");
    EXPECT_EQ(tamu::stringConv::toStdString(*source->getURI()->toString()), "x.flac");
    EXPECT_EQ(tamu::stringConv::toStdString(*format->getURI()->toString()), "x.flac");
    source->setUserValue(2.5);
    EXPECT_DOUBLE_EQ(source->getUserValue(), 2.5);
    EXPECT_TRUE(m_log->lines().empty());
}

TEST_F(PluginWorkers, ReadsTheLayoutFromTheOptionRecords) {
    using orxa::common::FormatOptions;
    using orxa::common::SourceOptions;
    const auto sourceWith = [&](const SourceOptions* options) {
        return tamu::interfaceCast<orxa::common::IAudioSource>(
            m_plugin->createSource(tamu::str("a.flac"), 2, 0, options));
    };
    const auto formatWith = [&](const FormatOptions* options) {
        return tamu::interfaceCast<orxa::common::IAudioFormat>(
            m_plugin->createFormat(tamu::str("a.flac"), 16, 0, options));
    };

    // A short record: only the bytes its size word covers are taken.
    uint8_t sourceRecord[36] = {};
    const int32_t sourceWords[] = {20, 7, 44100, 2, 2, 99, 99, 99, 99};
    std::memcpy(sourceRecord, sourceWords, sizeof sourceRecord);
    auto source = sourceWith(reinterpret_cast<SourceOptions*>(sourceRecord));
    EXPECT_EQ(layoutOf(*source), (std::vector<int32_t>{44100, 2, 2}));
    EXPECT_EQ(source->getChannelCode(), 3);
    EXPECT_DOUBLE_EQ(source->getDuration(), -1.0);
    EXPECT_FALSE(source->getAuxiliary());

    FormatOptions formatRecord = layout<FormatOptions>(48000, 1, 3);
    EXPECT_EQ(layoutOf(*formatWith(&formatRecord)), (std::vector<int32_t>{48000, 1, 3}));

    // A record claiming more than the plug-in knows is not trusted at all; none is zeros.
    SourceOptions oversized = layout<SourceOptions>(44100, 1, 2);
    oversized.size = 200;
    for (const SourceOptions* options : {&oversized, static_cast<SourceOptions*>(nullptr)}) {
        EXPECT_EQ(layoutOf(*sourceWith(options)), (std::vector<int32_t>{0, 0, 0}));
        EXPECT_EQ(sourceWith(options)->getChannelCode(), 0);
    }
    formatRecord.size = 121;
    EXPECT_EQ(layoutOf(*formatWith(&formatRecord)), (std::vector<int32_t>{0, 0, 0}));
}
