#pragma once

#include <sndfile.h>

// libsndfile, loaded the first time a job reads or writes a WAV or AIFF file. Linked at build
// time it would be loaded and bound, with the seven codec libraries behind it, by every start of
// the tool: `info`, `test`, raw decoding and transcoding need none of it.
namespace orxa::host::soundfile {

// The functions the tool calls, by libsndfile's own signatures.
struct Api {
    decltype(&::sf_open) open;
    decltype(&::sf_open_fd) openFd;
    decltype(&::sf_open_virtual) openVirtual;
    decltype(&::sf_close) close;
    decltype(&::sf_command) command;
    decltype(&::sf_set_string) setString;
    decltype(&::sf_get_string) getString;
    decltype(&::sf_strerror) strerror;
    decltype(&::sf_error) error;
    decltype(&::sf_readf_int) readfInt;
    decltype(&::sf_writef_int) writefInt;
};

// Loads the library on the first call, from any thread. Throws std::runtime_error, saying why,
// when it cannot be loaded or lacks a function; every later call throws the same.
const Api& api();

} // namespace orxa::host::soundfile
