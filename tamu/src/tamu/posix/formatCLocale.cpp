#include "tamu/platform.h"

#include <clocale>
#include <cstdio>
#include <locale.h>

namespace tamu::platform {

namespace {

// The "C" locale object is glibc's static one: nothing to free.
locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Switches the calling thread to the "C" locale for one call; other threads are untouched.
class CThreadLocaleScope {
public:
    CThreadLocaleScope() : m_previous(uselocale(cLocale())) {}
    CThreadLocaleScope(const CThreadLocaleScope&) = delete;
    CThreadLocaleScope& operator=(const CThreadLocaleScope&) = delete;
    ~CThreadLocaleScope() { uselocale(m_previous); }

private:
    locale_t m_previous;
};

} // namespace

std::string formatDoubleInCLocale(const char* field, double value) {
    CThreadLocaleScope scope;
    char small[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int length = std::snprintf(small, sizeof small, field, value);
    if (length < 0)
        return std::string();
    if (static_cast<size_t>(length) < sizeof small)
        return std::string(small, static_cast<size_t>(length));
    std::string text(static_cast<size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, field, value);
#pragma GCC diagnostic pop
    return text;
}

} // namespace tamu::platform
