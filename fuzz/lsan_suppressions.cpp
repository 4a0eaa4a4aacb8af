// Leaks that are not ours and would stop every fuzzer at its first input: libgsf keeps a
// small allocation of its compound-file reader alive on some damaged files, and glib's
// type system keeps what it registers until the process ends.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:gsf_infile_msole_new\n"
           "leak:g_type_register_static\n"
           "leak:g_type_class_ref\n";
}

// libgsf and glib are built without frame pointers: the fast unwinder stops inside glib, the
// stack never reaches gsf_infile_msole_new and its leak would be reported as a finding.
// The slow unwinder walks through them, so the suppression above matches.
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0:malloc_context_size=16";
}
