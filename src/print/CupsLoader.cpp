// The CUPS functions the printer output uses, loaded from libcups when a program first talks
// to a printer. Linking libcups directly would make every program that builds print jobs (the
// CLI's job and pdf commands among them) load it and its two dozen dependencies at start-up,
// although only printing needs it. Each function here has the signature of the CUPS header and
// forwards to the library's own; without the library it answers as CUPS does when no server
// can be reached (no printers, no connection), so nothing is sent.

#include <cups/cups.h>
#include <dlfcn.h>

namespace {

void* CupsSymbol(const char* name) {
    static void* const library = ::dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    return library ? ::dlsym(library, name) : nullptr;
}

template <typename F> F Resolve(const char* name) {
    return reinterpret_cast<F>(CupsSymbol(name));
}

} // namespace

#define PG_CUPS(name) static const auto fn = Resolve<decltype(&::name)>(#name)

extern "C" {

int cupsAddOption(const char* name, const char* value, int num_options, cups_option_t** options) {
    PG_CUPS(cupsAddOption);
    return fn ? fn(name, value, num_options, options) : num_options;
}

ipp_status_t cupsCancelDestJob(http_t* http, cups_dest_t* dest, int job_id) {
    PG_CUPS(cupsCancelDestJob);
    return fn ? fn(http, dest, job_id) : IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

http_t* cupsConnectDest(cups_dest_t* dest, unsigned flags, int msec, int* cancel, char* resource,
                        size_t resourcesize, cups_dest_cb_t cb, void* user_data) {
    PG_CUPS(cupsConnectDest);
    return fn ? fn(dest, flags, msec, cancel, resource, resourcesize, cb, user_data) : nullptr;
}

cups_dinfo_t* cupsCopyDestInfo(http_t* http, cups_dest_t* dest) {
    PG_CUPS(cupsCopyDestInfo);
    return fn ? fn(http, dest) : nullptr;
}

ipp_status_t cupsCreateDestJob(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, int* job_id,
                               const char* title, int num_options, cups_option_t* options) {
    PG_CUPS(cupsCreateDestJob);
    return fn ? fn(http, dest, info, job_id, title, num_options, options)
              : IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

ipp_attribute_t* cupsFindDestSupported(http_t* http, cups_dest_t* dest, cups_dinfo_t* dinfo,
                                       const char* option) {
    PG_CUPS(cupsFindDestSupported);
    return fn ? fn(http, dest, dinfo, option) : nullptr;
}

ipp_status_t cupsFinishDestDocument(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
    PG_CUPS(cupsFinishDestDocument);
    return fn ? fn(http, dest, info) : IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

void cupsFreeDestInfo(cups_dinfo_t* dinfo) {
    PG_CUPS(cupsFreeDestInfo);
    if (fn)
        fn(dinfo);
}

void cupsFreeDests(int num_dests, cups_dest_t* dests) {
    PG_CUPS(cupsFreeDests);
    if (fn)
        fn(num_dests, dests);
}

void cupsFreeOptions(int num_options, cups_option_t* options) {
    PG_CUPS(cupsFreeOptions);
    if (fn)
        fn(num_options, options);
}

cups_dest_t* cupsGetDestWithURI(const char* name, const char* uri) {
    PG_CUPS(cupsGetDestWithURI);
    return fn ? fn(name, uri) : nullptr;
}

int cupsEnumDests(unsigned flags, int msec, int* cancel, cups_ptype_t type, cups_ptype_t mask,
                  cups_dest_cb_t cb, void* user_data) {
    PG_CUPS(cupsEnumDests);
    return fn ? fn(flags, msec, cancel, type, mask, cb, user_data) : 0;
}

cups_dest_t* cupsGetNamedDest(http_t* http, const char* name, const char* instance) {
    PG_CUPS(cupsGetNamedDest);
    return fn ? fn(http, name, instance) : nullptr;
}

const char* cupsGetOption(const char* name, int num_options, cups_option_t* options) {
    PG_CUPS(cupsGetOption);
    return fn ? fn(name, num_options, options) : nullptr;
}

const char* cupsLastErrorString(void) {
    PG_CUPS(cupsLastErrorString);
    return fn ? fn() : "The printing system (libcups.so.2) is not installed.";
}

http_status_t cupsStartDestDocument(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, int job_id,
                                    const char* docname, const char* format, int num_options,
                                    cups_option_t* options, int last_document) {
    PG_CUPS(cupsStartDestDocument);
    return fn ? fn(http, dest, info, job_id, docname, format, num_options, options, last_document)
              : HTTP_STATUS_ERROR;
}

http_status_t cupsWriteRequestData(http_t* http, const char* buffer, size_t length) {
    PG_CUPS(cupsWriteRequestData);
    return fn ? fn(http, buffer, length) : HTTP_STATUS_ERROR;
}

void httpClose(http_t* http) {
    PG_CUPS(httpClose);
    if (fn)
        fn(http);
}

int ippGetCount(ipp_attribute_t* attr) {
    PG_CUPS(ippGetCount);
    return fn ? fn(attr) : 0;
}

int ippGetInteger(ipp_attribute_t* attr, int element) {
    PG_CUPS(ippGetInteger);
    return fn ? fn(attr, element) : 0;
}

const char* ippGetString(ipp_attribute_t* attr, int element, const char** language) {
    PG_CUPS(ippGetString);
    return fn ? fn(attr, element, language) : nullptr;
}

} // extern "C"
