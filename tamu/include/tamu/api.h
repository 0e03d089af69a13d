#pragma once

// Types whose identity must be shared with a host that loads the plug-in (interfaces reached
// through dynamic_cast, exceptions caught by type) keep default visibility; everything else in
// the library is hidden so a host never binds to our internals.
#define TAMU_API __attribute__((visibility("default")))
