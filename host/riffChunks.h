#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The headers of WAV (RIFF) and AIFF (IFF) files, read apart from libsndfile: what it does not
// tell, and what it cannot be trusted to read.
namespace orxa::host::riffChunks {

// The frames of `frameBytes` bytes the header says the file holds: a WAV's data chunk size, an
// AIFF's numSampleFrames; -1 when it does not say (a WAV written to a pipe) or `type` (libsndfile's
// SF_FORMAT_WAV, SF_FORMAT_AIFF, ...) is another. libsndfile itself counts only the frames present.
int64_t promisedFrames(const std::string& path, int type, int64_t frameBytes);

// The byte offsets of the LIST chunks of a RIFF/WAVE file in which a sub-chunk claims to run
// past the end of its LIST. libsndfile 1.2 parses such a chunk (INFO tags, cue labels) in a
// loop that does not end: opening the file would hang the tool. Empty for any other file, and
// for a file that cannot be read (opening it reports that).
std::vector<int64_t> damagedListChunks(const std::string& path);

} // namespace orxa::host::riffChunks
