#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orxa::host::riffChunks {

// The byte offsets of the LIST chunks of a RIFF/WAVE file in which a sub-chunk claims to run
// past the end of its LIST. libsndfile 1.2 parses such a chunk (INFO tags, cue labels) in a
// loop that does not end: opening the file would hang the tool. Empty for any other file, and
// for a file that cannot be read (opening it reports that).
std::vector<int64_t> damagedListChunks(const std::string& path);

} // namespace orxa::host::riffChunks
