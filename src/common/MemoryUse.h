#pragma once

namespace tunewalk {

// At the start of main, before any thread: glibc gives each thread that allocates an arena of
// its own and keeps what is freed there for that thread. The program's workers (stat calls,
// tag readers, file jobs) come and go by the dozen, and their arenas held as much again as the
// list of a big folder. Two arenas serve a program whose work goes through one window thread.
void keepMemoryCompact();

// Hands freed memory back to the system (after a big list was let go).
void returnFreedMemory();

} // namespace tunewalk
