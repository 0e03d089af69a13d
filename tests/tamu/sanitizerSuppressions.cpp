// Leaks of the C library that the tests provoke but cannot free, kept out of LeakSanitizer's
// report. One definition for the whole test binary: add further lines here. Visible by
// default, or the sanitizer runtime would not find it in a build that hides symbols.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    // glibc's newlocale keeps the LOCPATH search list it builds (the code-page tests load a
    // locale from a scratch directory).
    return "leak:__argz_add_sep\n"
           "leak:__argz_create_sep\n";
}
