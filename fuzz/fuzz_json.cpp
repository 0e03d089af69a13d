// Feeds arbitrary UTF-8 text to the JSON parser: parse, print, parse the print again and print
// once more; the second print must equal the first, and the pretty print must read back as the
// same tree. The grammar's only expected failures are its two error kinds.
//
// Numbers are the one place where a print may rightly read back differently: "%g" keeps six
// digits and the reader makes an integer of any number without a fraction of 1e-05 or an
// exponent of 2 or more, so the double 5e-11 comes back as the integer 0, -0 as 0, and
// infinity has no JSON text at all. Trees holding such a double are still parsed and printed,
// but their prints are not compared.
#include "tamu/CError.h"
#include "tamu/CJsonParser.h"
#include "tamu/CJsonPrinter.h"
#include "tamu/CVariant.h"
#include "tamu/CVariantArray.h"
#include "tamu/CVariantMap.h"
#include "tamu/IArray.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tamu;

namespace {

// Pretty printing costs the square of the depth; longer inputs are printed compact only.
constexpr size_t prettyLimit = 1024;

std::string text(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

void fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s\n  first:  '%s'\n  second: '%s'\n", what, a.c_str(), b.c_str());
    std::abort();
}

P<IString> print(const IVariant* value, bool pretty) {
    return make<CJsonPrinter>(pretty)->print(value);
}

// Whether the double's text reads back as a double with the same text.
bool readsBack(double value) {
    std::string printed = text(print(make<CVariantDouble>(value).get(), false));
    try {
        P<IVariant> array = make<CJsonParser>()->parse(stringConv::fromStd("[" + printed + "]"));
        P<IVariant> back = interfaceCast<CVariantArray>(array)->get(0);
        return dynamic_cast<const CVariantDouble*>(back.get()) &&
               text(print(back.get(), false)) == printed;
    } catch (const CError&) {
        return false;
    }
}

bool numbersReadBack(const IVariant* value) {
    if (auto* number = dynamic_cast<const CVariantDouble*>(value))
        return readsBack(number->getValue());
    if (auto* array = dynamic_cast<const CVariantArray*>(value)) {
        for (int32_t i = 0; i < array->getCount(); ++i)
            if (!numbersReadBack(array->get(i).get()))
                return false;
    }
    if (auto* map = dynamic_cast<const CVariantMap*>(value)) {
        P<IArray> keys = map->getKeys();
        for (int32_t i = 0; i < keys->getCount(); ++i)
            if (!numbersReadBack(map->get(interfaceCast<IString>(keys->get(i))).get()))
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    P<IString> input =
        stringConv::fromUTF8(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    auto parser = make<CJsonParser>();
    P<IVariant> tree;
    try {
        tree = parser->parse(input);
    } catch (const CJsonParserError&) {
        return 0;
    } catch (const CParseError&) {
        return 0;
    }
    if (!tree) {
        if (!input->isEmpty())
            fail("a text that is not empty parsed to nothing", text(input), "");
        return 0;
    }

    P<IString> first = print(tree.get(), false);
    bool comparable = numbersReadBack(tree.get());
    P<IVariant> again;
    try {
        // The same parser again: each parse starts from a stream of its own.
        again = parser->parse(first);
    } catch (const CError& e) {
        if (comparable)
            fail("the print does not parse", text(first), text(e.getMessage()));
        return 0;
    }
    std::string second = text(print(again.get(), false));
    if (comparable && second != text(first))
        fail("the second print differs from the first", text(first), second);

    if (size <= prettyLimit) {
        P<IString> pretty = print(tree.get(), true);
        try {
            std::string fromPretty = text(print(parser->parse(pretty).get(), false));
            if (comparable && fromPretty != text(first))
                fail("the pretty print reads back differently", text(first), fromPretty);
        } catch (const CError& e) {
            if (comparable)
                fail("the pretty print does not parse", text(pretty), text(e.getMessage()));
        }
    }
    return 0;
}
