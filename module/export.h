// Marks the two records the module exports. On Windows the .def file names the
// exports; on ELF builds everything else is hidden and these two are made visible.
#pragma once

#if defined(_WIN32)
#define TARVOLEN_EXPORT
#else
#define TARVOLEN_EXPORT __attribute__((visibility("default")))
#endif
