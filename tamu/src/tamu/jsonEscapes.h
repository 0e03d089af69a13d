#pragma once

namespace tamu::json {

// The characters JSON text writes as a backslash and a letter, with that letter; the printer
// and the parser both read this one table, so what one writes the other reads.
struct Escape {
    char16_t unit;
    char16_t letter;
};

inline constexpr Escape escapes[] = {
    {u'\\', u'\\'}, {u'"', u'"'},  {u'\b', u'b'}, {u'\f', u'f'},
    {u'\n', u'n'},  {u'\r', u'r'}, {u'\t', u't'},
};

// The entry whose `field` is `value`, null when there is none.
inline const Escape* findEscape(char16_t Escape::*field, char16_t value) {
    for (const Escape& escape : escapes) {
        if (escape.*field == value)
            return &escape;
    }
    return nullptr;
}

} // namespace tamu::json
