// The libzip functions the memory stream uses to read ZIP archives, loaded from libzip when
// the first archive is read. libzip brings libcrypto and the bzip2 and lzma libraries with it;
// linked directly they would be loaded by every program at start-up, for a format that only
// some packages hold. Each function here has the signature of the libzip header and forwards
// to the library's own; without the library an archive cannot be opened, so it reads as
// unreadable.

#include <dlfcn.h>
#include <zip.h>

#include <cstring>

namespace {

void* ZipSymbol(const char* name) {
    static void* const library = ::dlopen("libzip.so.4", RTLD_NOW | RTLD_LOCAL);
    return library ? ::dlsym(library, name) : nullptr;
}

template <typename F> F Resolve(const char* name) {
    return reinterpret_cast<F>(ZipSymbol(name));
}

} // namespace

#define PG_ZIP(name) static const auto fn = Resolve<decltype(&::name)>(#name)

extern "C" {

void zip_error_init(zip_error_t* error) {
    PG_ZIP(zip_error_init);
    if (fn)
        fn(error);
    else
        std::memset(error, 0, sizeof *error);
}

void zip_error_fini(zip_error_t* error) {
    PG_ZIP(zip_error_fini);
    if (fn)
        fn(error);
}

zip_source_t* zip_source_buffer_create(const void* data, zip_uint64_t length, int freep, zip_error_t* error) {
    PG_ZIP(zip_source_buffer_create);
    return fn ? fn(data, length, freep, error) : nullptr;
}

void zip_source_free(zip_source_t* source) {
    PG_ZIP(zip_source_free);
    if (fn)
        fn(source);
}

zip_t* zip_open_from_source(zip_source_t* source, int flags, zip_error_t* error) {
    PG_ZIP(zip_open_from_source);
    return fn ? fn(source, flags, error) : nullptr;
}

void zip_discard(zip_t* archive) {
    PG_ZIP(zip_discard);
    if (fn)
        fn(archive);
}

zip_int64_t zip_get_num_entries(zip_t* archive, zip_flags_t flags) {
    PG_ZIP(zip_get_num_entries);
    return fn ? fn(archive, flags) : 0;
}

void zip_stat_init(zip_stat_t* st) {
    PG_ZIP(zip_stat_init);
    if (fn)
        fn(st);
    else
        std::memset(st, 0, sizeof *st);
}

int zip_stat_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags, zip_stat_t* st) {
    PG_ZIP(zip_stat_index);
    return fn ? fn(archive, index, flags, st) : -1;
}

zip_file_t* zip_fopen_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags) {
    PG_ZIP(zip_fopen_index);
    return fn ? fn(archive, index, flags) : nullptr;
}

zip_int64_t zip_fread(zip_file_t* file, void* buffer, zip_uint64_t length) {
    PG_ZIP(zip_fread);
    return fn ? fn(file, buffer, length) : -1;
}

int zip_fclose(zip_file_t* file) {
    PG_ZIP(zip_fclose);
    return fn ? fn(file) : -1;
}

} // extern "C"
