#include "common/MemoryUse.h"

#include <cstdlib> // says whether this is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tunewalk {

void keepMemoryCompact() {
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
#endif
}

void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace tunewalk
