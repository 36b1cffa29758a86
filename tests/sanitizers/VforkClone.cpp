// Linked into the tests of the thread-sanitizer build only.
//
// The sanitizer of GCC 12 handles every clone() as a fork and runs its after-fork code in the
// child. QProcess starts a program with a vfork-style clone, whose child shares the parent's
// memory, so that code lands in the parent's own state: from then on the sanitizer no longer
// sees the thread's locks (and reports races that are none), or it ends the process when a
// thread is started. Such a clone goes straight to the C library here, as glibc's own
// posix_spawn does it; its child only sets up and calls exec.
#include <cstdarg>
#include <dlfcn.h>
#include <sched.h>

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) noexcept {
    va_list rest;
    va_start(rest, arg);
    void* parentTid = va_arg(rest, void*);
    void* tls = va_arg(rest, void*);
    void* childTid = va_arg(rest, void*);
    va_end(rest);
    using Clone = int (*)(int (*)(void*), void*, int, void*, ...);
    static const auto sanitizers = reinterpret_cast<Clone>(dlsym(RTLD_NEXT, "clone"));
    static const auto libcs =
        reinterpret_cast<Clone>(dlsym(dlopen("libc.so.6", RTLD_NOLOAD | RTLD_LAZY), "clone"));
    return (flags & CLONE_VM ? libcs : sanitizers)(fn, stack, flags, arg, parentTid, tls, childTid);
}
