#pragma once

#include <string>

namespace orxa::host {

struct JobContext;

// What `info` prints about a FLAC file, as one JSON document on one line (members in key
// order), for scripts that would otherwise parse the text.
std::string describeFileAsJson(const JobContext& context, const std::string& path);

} // namespace orxa::host
