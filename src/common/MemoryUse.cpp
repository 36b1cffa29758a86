#include "common/MemoryUse.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tunewalk {

void keepMemoryCompact() {
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 2);
#endif
}

void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace tunewalk
