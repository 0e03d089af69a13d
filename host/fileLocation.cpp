#include "fileLocation.h"

#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <cstring>
#include <filesystem>

namespace orxa::host {

tamu::P<tamu::IString> fileLocation(const std::string& path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    std::string text = "file://";
    for (unsigned char c : absolute) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     (c != 0 && std::strchr("/-._~", c));
        if (plain)
            text += static_cast<char>(c);
        else {
            text += '%';
            text += hex[c >> 4];
            text += hex[c & 15];
        }
    }
    return tamu::stringConv::fromStd(text);
}

} // namespace orxa::host
