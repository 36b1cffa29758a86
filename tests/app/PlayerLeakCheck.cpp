// The leak checker's settings for the player tests, in the sanitizer build.
//
// Qt Multimedia loads so many plugins with thread-local storage that the loader grows the
// threads' TLS tables while a file plays, and this compiler's leak checker then crashes now and
// then reading a grown table at exit. Here TLS is left out of the roots, which can only report
// more, never hide a leak; what the loader and one plugin library keep only through TLS is
// allowed for.

extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_options() {
    return "use_tls=0";
}

extern "C" __attribute__((used, visibility("default"))) const char*
__lsan_default_suppressions() {
    return "leak:_dl_resize_dtv\n"
           "leak:_dl_map_object_deps\n"
           "leak:libsrt-gnutls.so\n";
}
