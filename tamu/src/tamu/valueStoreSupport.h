#pragma once

#include "tamu/P.h"
#include "tamu/StringArg.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tamu {

class IArray;
class IOutStream;
class IString;
class IURI;

namespace valueStore {

// CFileAccessDeniedError "No read access" / "No write access" unless `mode` has the flag.
void requireRead(int32_t mode, IURI* uri);
void requireWrite(int32_t mode, IURI* uri);

// The text as UTF-8 bytes (names as tinyxml2 and SQLite take them).
std::string utf8(StringArg text);

// Writes a file through `write` so that no reader ever sees it half written: the bytes go to a
// temporary file beside it, which is renamed over the old file only when all of them are out.
// A failure removes the temporary file and leaves the old file as it was.
void saveAtomically(IURI& uri, const std::function<void(IOutStream&)>& write);

} // namespace valueStore
} // namespace tamu
