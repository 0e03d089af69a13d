#pragma once

#include "tamu/P.h"

#include <string>

namespace tamu {
class IFileSystem;
class IMutexFactory;
class IPathes;
class ISignalFactory;
class ISimpleThreadLocalStorageFactory;
class IStreamFactory;
class IThreadManager;
class IValueStoreFactory;
} // namespace tamu

// The platform layer's constructors and its few free functions: the only way portable code
// reaches the platform. The
// path service, the disk stream factory and the file system are made in the files of their
// classes, so that a module that never asks for them does not link them (and the URI classes
// behind them).
namespace tamu::platform {

P<IMutexFactory> createMutexFactory();
P<IThreadManager> createThreadManager();
P<ISignalFactory> createSignalFactory();
P<ISimpleThreadLocalStorageFactory> createSimpleThreadLocalStorageFactory();
P<IPathes> createPathes();
// The factory of streams over local files, registered with the stream manager.
P<IStreamFactory> createDiskStreamFactory();
// The local file system, registered with the file system manager.
P<IFileSystem> createFileSystem();
// The factory of the stores for "registry:" URIs, registered with the value store manager.
P<IValueStoreFactory> createRegistryValueStoreFactory();

// The C library's description of an errno value.
std::string getSystemErrorText(int errorCode);

// True when the calling thread's LC_CTYPE code set is UTF-8, or is the ASCII of the "C" and
// "POSIX" locales: a program that never calls setlocale still reads and writes UTF-8 text.
bool codePageIsUTF8();

// The C runtime's rendering of one floating-point field (`field` is one printf conversion such
// as "%-8.3f") in the "C" locale, so the decimal point is '.' whatever setlocale chose.
std::string formatDoubleInCLocale(const char* field, double value);

} // namespace tamu::platform
