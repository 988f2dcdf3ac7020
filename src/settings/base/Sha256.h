#pragma once
// SHA-256 digests, computed by OpenSSL, as 64 lower-case hexadecimal digits: fingerprints of
// page data in reports and the check of downloaded update files. Where OpenSSL's library
// cannot be loaded there is no digest: the answer is empty.

#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace pg {

// A digest fed in pieces (a large file read in blocks).
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Add(std::string_view bytes);
    // The digest of everything added; the object is spent afterwards.
    std::string Hex();

private:
    evp_md_ctx_st* ctx_;
};

// The digest of the bytes.
std::string Sha256Hex(std::string_view bytes);

} // namespace pg
