#pragma once

#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace orxa::host {

// The strings of a WAV (INFO chunk) or AIFF file that libsndfile reads, as Vorbis comments
// ("TITLE=..."), in a fixed order: title, artist, album, date, comment, genre, track number.
std::vector<std::string> readSoundFileTags(SNDFILE* file);

// The first tag of each of those names, as far as the file's type carries it (AIFF has no
// album, date, genre or track number). Goes before the first sample is written.
void writeSoundFileTags(SNDFILE* file, const std::vector<std::string>& tags);

} // namespace orxa::host
