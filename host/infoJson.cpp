#include "infoJson.h"

#include "CDecodingSource.h"
#include "CInputFile.h"
#include "channelLayout.h"
#include "jobs.h"

#include "orxa/common/IStreamPicture.h"
#include "tamu/CJsonPrinter.h"
#include "tamu/CVariant.h"
#include "tamu/CVariantArray.h"
#include "tamu/CVariantMap.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <algorithm>

namespace orxa::host {

namespace {

using tamu::P;

P<tamu::IVariant> number(int64_t value) {
    return tamu::make<tamu::CVariantInt64>(value);
}

P<tamu::IVariant> text(const std::string& value) {
    return tamu::make<tamu::CVariantString>(tamu::stringConv::fromStd(value));
}

P<tamu::IVariant> textOf(const P<tamu::IString>& value) {
    return tamu::make<tamu::CVariantString>(value ? value : tamu::stringConv::fromStd(""));
}

// {"min": least, "max": most}, or null when the header leaves both at 0.
P<tamu::IVariant> range(int32_t least, int32_t most) {
    if (least == 0 && most == 0)
        return tamu::make<tamu::CVariantNull>();
    auto map = tamu::make<tamu::CVariantMap>();
    map->set("min", number(least));
    map->set("max", number(most));
    return map;
}

} // namespace

std::string describeFileAsJson(const JobContext& context, const std::string& path) {
    CInputFile input(path);
    CDecodingSource source(*context.plugin, input, Layout{}, false, true);
    const StreamInfo& info = source.info();
    auto document = tamu::make<tamu::CVariantMap>();
    document->set("file", text(path));
    document->set("sampleRate", number(info.sampleRate));
    document->set("channels", number(info.channels));
    document->set("layout", text(channelLayout::nameOf(info.channels)));
    document->set("bitsPerSample", number(info.bitsPerSample));
    // Unknown lengths are null rather than 0, which a stream may really hold.
    document->set("totalSamples", info.totalSamples > 0
                                      ? number(info.totalSamples)
                                      : P<tamu::IVariant>(tamu::make<tamu::CVariantNull>()));
    document->set("seekPoints", number(std::max(info.seekPoints, 0)));
    auto tags = tamu::make<tamu::CVariantArray>();
    for (const std::string& tag : info.tags)
        tags->append(text(tag));
    document->set("tags", tags);
    document->set("vendor", info.vendor.empty()
                                ? P<tamu::IVariant>(tamu::make<tamu::CVariantNull>())
                                : text(info.vendor));
    const std::string md5 = info.md5Hex();
    document->set("md5",
                  md5.empty() ? P<tamu::IVariant>(tamu::make<tamu::CVariantNull>()) : text(md5));
    document->set("blockSize", range(info.minBlockSize, info.maxBlockSize));
    document->set("frameSize", range(info.minFrameSize, info.maxFrameSize));
    auto pictures = tamu::make<tamu::CVariantArray>();
    for (const P<orxa::common::IStreamPicture>& picture : info.pictures) {
        auto entry = tamu::make<tamu::CVariantMap>();
        entry->set("type", number(picture->getPictureType()));
        entry->set("mimeType", textOf(picture->getMimeType()));
        entry->set("description", textOf(picture->getDescription()));
        entry->set("width", number(picture->getWidth()));
        entry->set("height", number(picture->getHeight()));
        entry->set("depth", number(picture->getDepth()));
        entry->set("colours", number(picture->getColours()));
        P<tamu::IMemoryBlock> data = picture->getData();
        entry->set("bytes", number(data ? data->getSize() : 0));
        pictures->append(entry);
    }
    document->set("pictures", pictures);
    source.close();
    auto printer = tamu::make<tamu::CJsonPrinter>(false);
    return tamu::stringConv::toStdString(*printer->print(document.get())) + "\n";
}

} // namespace orxa::host
