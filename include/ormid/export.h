// Marks the library's API: the shared library is built with hidden
// visibility and exports only what carries ORMID_API.
#pragma once

#if defined(_WIN32)
#define ORMID_API
#else
#define ORMID_API __attribute__((visibility("default")))
#endif
