// Feeds arbitrary bytes to the XML value store as its file. A file that does not parse must
// give the store's parse error and nothing else; one that parses is read whole (every value as
// text and as bytes, every sub-store down to a fixed depth), saved, and read again, and the
// second reading must find the same names and texts as the first.
#include "tamu/CError.h"
#include "tamu/CURI.h"
#include "tamu/CXmlValueStore.h"
#include "tamu/IArray.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IString.h"
#include "tamu/IValueStore.h"
#include "tamu/stringConv.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace tamu;

namespace {

constexpr int maxDepth = 8;

std::string text(const P<IString>& s) {
    return s ? stringConv::toStdString(*s) : "<null>";
}

std::string nameAt(const P<IArray>& names, int32_t i) {
    return text(P<IString>(dynamic_cast<IString*>(names->get(i).get())));
}

// Everything a reader can get out of the store, as one text.
void describe(IValueStore& store, int depth, std::string& out) {
    P<IArray> values = store.getValueNames();
    for (int32_t i = 0; i < values->getCount(); ++i) {
        std::string name = nameAt(values, i);
        out += "v:" + name + "=" + text(store.getString(name.c_str(), str("<none>")));
        if (P<IMemoryBlock> bytes = store.loadBinary(name.c_str(), nullptr))
            out += " bytes:" + std::to_string(bytes->getSize());
        out += " i:" + std::to_string(store.getInt64(name.c_str(), -1));
        out += store.getBool(name.c_str(), false) ? " t\n" : " f\n";
    }
    P<IArray> stores = store.getSubStoreNames();
    for (int32_t i = 0; i < stores->getCount(); ++i) {
        std::string name = nameAt(stores, i);
        out += "s:" + name + "{\n";
        P<IValueStore> sub = store.openSubStore(name.c_str(), valueStoreRead);
        if (!sub) {
            std::fprintf(stderr, "listed sub-store '%s' does not open\n", name.c_str());
            std::abort();
        }
        if (depth < maxDepth)
            describe(*sub, depth + 1, out);
        out += "}\n";
    }
}

const std::string& filePath() {
    static const std::string path = [] {
        std::string pattern = std::filesystem::temp_directory_path() / "fuzz-xml-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        // Gone when the run ends well; after a finding it stays for a look.
        static const std::string scratch = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratch, ignored);
        });
        return pattern + "/store.xml";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream file(filePath(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    P<IURI> uri = make<CURI>("file", filePath().c_str(), "", "", "", "", "");
    P<IValueStore> store;
    try {
        store = make<CXmlValueStore>(uri, valueStoreReadWrite);
    } catch (const CParseError& error) {
        if (text(error.getMessage()).rfind("XML Parse Error in file '", 0) != 0) {
            std::fprintf(stderr, "unexpected parse message: %s\n", error.what());
            std::abort();
        }
        return 0;
    }
    std::string first;
    describe(*store, 0, first);
    store->save();
    P<IValueStore> reread;
    try {
        reread = make<CXmlValueStore>(uri, valueStoreRead);
    } catch (const CParseError& error) {
        std::fprintf(stderr, "a saved store does not read back: %s\n", error.what());
        std::abort();
    }
    std::string second;
    describe(*reread, 0, second);
    if (first != second) {
        std::fprintf(stderr, "save changed the store\n--- before\n%s--- after\n%s", first.c_str(),
                     second.c_str());
        std::abort();
    }
    return 0;
}
