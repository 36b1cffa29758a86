#pragma once

namespace tunewalk {

// At the start of main, before any thread: glibc gives each thread that allocates an arena of
// its own, and memory freed in one is not taken up by another. The program's workers (stat
// calls, tag readers, file jobs) come and go by the dozen, and their arenas came to hold twice
// what the list of a big folder needs, growing with every listing. One arena serves a program
// whose work goes through one window thread; its workers allocate little.
void keepMemoryCompact();

// Hands freed memory back to the system (after a big list was let go).
void returnFreedMemory();

} // namespace tunewalk
