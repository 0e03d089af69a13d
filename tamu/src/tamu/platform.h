#pragma once

#include "tamu/P.h"

namespace tamu {
class IFileSystem;
class IMutexFactory;
class IPathes;
class ISignalFactory;
class ISimpleThreadLocalStorageFactory;
class IStreamFactory;
class IThreadManager;
} // namespace tamu

// The platform layer's constructors: the only way portable code makes platform objects. The
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

} // namespace tamu::platform
