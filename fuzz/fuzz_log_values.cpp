// Generated messages through the log bridge, and generated edits of a value list checked
// against a plain map. The input is a little program: each step takes an opcode byte, then
// what the step needs (a level, a length-prefixed text, a value). Texts are arbitrary bytes
// read as UTF-8, so broken and overlong sequences and embedded zeros reach the strings too.
// A crash, a sanitizer report or an abort below (a check that failed) is a finding.
#include "orxa/common/CTamuToOrxaLog.h"
#include "orxa/common/IHostLog.h"
#include "orxa/common/logBridge.h"
#include "tamu/CException.h"
#include "tamu/CValueList.h"
#include "tamu/charEncodings.h"
#include "tamu/CObject.h"
#include "tamu/ILogManager.h"
#include "tamu/IString.h"
#include "tamu/IValueList.h"
#include "tamu/stringConv.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

using tamu::P;

namespace {

// Reads the program; past the end every read gives zeros, so every input is a whole program.
class Program {
public:
    Program(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_at >= m_size; }
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    int32_t int32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return static_cast<int32_t>(value);
    }
    std::string text() {
        const size_t length = byte() % 48;
        std::string result;
        for (size_t i = 0; i < length && !done(); ++i)
            result += static_cast<char>(byte());
        return result;
    }
    // A value-list name from few letters, so names meet again, in both cases.
    std::string name() {
        static const char letters[] = "aAbB_";
        std::string result;
        for (size_t length = 1 + byte() % 3; length > 0; --length)
            result += letters[byte() % 5];
        return result;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

void check(bool condition) {
    if (!condition)
        std::abort();
}

P<tamu::IString> utf8(const std::string& bytes) {
    return tamu::stringConv::fromUTF8(bytes.data(), static_cast<int32_t>(bytes.size()));
}

int32_t hostLevelOf(int32_t level) {
    return level >= 0 && level <= 3 ? 3 - level : 0;
}

// Keeps the last line and counts, so that millions of runs do not pile up lines.
class CLastLineLog : public tamu::CObject, public virtual orxa::common::IHostLog {
public:
    void reserved1() override {}
    int32_t getLevel() override { return 3; }
    void reserved3() override {}
    void log(int32_t level, const P<tamu::IString>& message) override {
        ++lines;
        lastLevel = level;
        lastText = message ? tamu::stringConv::toStdString(*message) : "";
    }
    void logEntry(const P<tamu::IString>&, const tamu::CException&) override { ++entries; }

    size_t lines = 0;
    int entries = 0;
    int32_t lastLevel = -1;
    std::string lastText;
};

struct World {
    P<CLastLineLog> hostLog = tamu::make<CLastLineLog>();
    World() { check(orxa::common::installLogBridge(hostLog)); }
};

World& world() {
    static World* made = new World();
    return *made;
}

// The value list keyed as the model keys it: case-insensitive lists fold the ASCII letters,
// which are the only letters the names have.
std::string keyOf(const std::string& name, bool caseSensitive) {
    std::string key = name;
    if (!caseSensitive)
        for (char& c : key)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return key;
}

// A string leaves invalid UTF-8 bytes out of comparisons and hashing, so "\xbeB" names the
// same value as "B". The model keys an arbitrary name by the characters the string decodes;
// a character beyond ASCII is spelled so that it can never meet a model name, which has ASCII
// letters only.
std::string decodedName(const std::string& bytes) {
    const P<tamu::ICharEncoding> utf8 = tamu::getUTF8Encoding();
    const int32_t size = static_cast<int32_t>(bytes.size());
    std::string key;
    uint32_t codePoint = 0;
    for (int32_t pos = utf8->decodeNextChar(codePoint, bytes.data(), size, 0); pos >= 0;
         pos = utf8->decodeNextChar(codePoint, bytes.data(), size, pos))
        key += codePoint < 0x80 ? std::string(1, static_cast<char>(codePoint))
                                : "\xff" + std::to_string(codePoint) + ";";
    return key;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = world();
    Program program(data, size);
    const bool caseSensitive = program.byte() & 1;
    auto list = tamu::make<tamu::CValueList>(caseSensitive);
    std::map<std::string, int64_t> model; // integers only: what each name holds
    auto bridge = tamu::make<orxa::common::CTamuToOrxaLog>(w.hostLog.get());
    size_t expectedLines = w.hostLog->lines;

    for (int steps = 0; steps < 256 && !program.done(); ++steps) {
        switch (program.byte() % 8) {
        case 0: { // a message through the log manager, to every listener
            const int32_t level = static_cast<int8_t>(program.byte());
            const std::string message = program.text();
            tamu::getLogManager()->log(level, utf8(program.text()), utf8(message), -1, -1);
            // The manager may leave out what is below its level; what arrives is mapped.
            check(w.hostLog->lines <= expectedLines + 1);
            if (w.hostLog->lines == expectedLines + 1)
                check(w.hostLog->lastLevel == hostLevelOf(level) &&
                      w.hostLog->lastText == tamu::stringConv::toStdString(*utf8(message)));
            expectedLines = w.hostLog->lines;
            break;
        }
        case 1: { // straight into a bridge: always one line
            const int32_t level = program.int32();
            const std::string message = program.text();
            bridge->log(level, utf8(program.text()), utf8(message), program.int32(), -1);
            check(w.hostLog->lines == expectedLines + 1);
            check(w.hostLog->lastLevel == hostLevelOf(level));
            check(w.hostLog->lastText == tamu::stringConv::toStdString(*utf8(message)));
            expectedLines = w.hostLog->lines;
            break;
        }
        case 2: { // an exception's entry
            const int entries = w.hostLog->entries;
            tamu::getLogManager()->logException(
                utf8(program.text()), tamu::CException(utf8(program.text()), utf8(program.text())));
            check(w.hostLog->entries <= entries + 1);
            expectedLines = w.hostLog->lines;
            break;
        }
        case 3: { // set an integer
            const std::string name = program.name();
            const int32_t value = program.int32();
            if (program.byte() & 1) {
                list->setInt64(name.c_str(), int64_t{value} * 65536);
                model[keyOf(name, caseSensitive)] = int64_t{value} * 65536;
            } else {
                list->setInt(name.c_str(), value);
                model[keyOf(name, caseSensitive)] = value;
            }
            break;
        }
        case 4: { // read one back
            const std::string name = program.name();
            const auto found = model.find(keyOf(name, caseSensitive));
            check(list->contains(name.c_str()) == (found != model.end()));
            if (found != model.end())
                check(list->getInt64(name.c_str(), 0) == found->second);
            break;
        }
        case 5: { // remove
            const std::string name = program.name();
            const bool had = model.erase(keyOf(name, caseSensitive)) > 0;
            check(list->remove(name.c_str()) == had);
            break;
        }
        case 6: { // a text under an arbitrary name: stored, then gone again
            const std::string name = program.text();
            const std::string key = keyOf(decodedName(name), caseSensitive);
            if (model.count(key) != 0 || key.empty())
                break;
            P<tamu::IString> value = utf8(program.text());
            list->set(utf8(name), value);
            P<tamu::IString> back = list->getString(utf8(name), nullptr);
            check(back && back->equals(value));
            check(list->getCount() == static_cast<int32_t>(model.size()) + 1);
            list->remove(utf8(name));
            break;
        }
        default: { // the whole list: its count, its names and a copy
            check(list->getCount() == static_cast<int32_t>(model.size()));
            P<tamu::IValueList> copy = list->clone();
            check(copy->getCount() == list->getCount());
            for (const auto& [key, value] : model)
                check(copy->getInt64(key.c_str(), value + 1) == value);
            if (program.byte() & 1) {
                list->clear();
                model.clear();
            }
            break;
        }
        }
    }
    return 0;
}
