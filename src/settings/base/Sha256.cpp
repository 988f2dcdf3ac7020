// SHA-256 from OpenSSL's libcrypto, loaded when the first digest is taken: linked directly, it
// would be loaded at start-up by every program that carries these helpers (the command-line
// program among them), for the few commands that take a digest.

#include "Sha256.h"

#include "Strings.h"

#include <dlfcn.h>
#include <openssl/evp.h>

namespace pg {

namespace {

struct TCrypto {
    decltype(&::EVP_MD_CTX_new) New = nullptr;
    decltype(&::EVP_MD_CTX_free) Free = nullptr;
    decltype(&::EVP_sha256) Sha256 = nullptr;
    decltype(&::EVP_DigestInit_ex) Init = nullptr;
    decltype(&::EVP_DigestUpdate) Update = nullptr;
    decltype(&::EVP_DigestFinal_ex) Final = nullptr;

    bool Loaded() const { return New && Free && Sha256 && Init && Update && Final; }
};

template <typename F> void Resolve(void* library, const char* name, F& fn) {
    fn = reinterpret_cast<F>(::dlsym(library, name));
}

const TCrypto& Crypto() {
    static const TCrypto crypto = [] {
        TCrypto c;
        void* library = ::dlopen("libcrypto.so.3", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return c;
        Resolve(library, "EVP_MD_CTX_new", c.New);
        Resolve(library, "EVP_MD_CTX_free", c.Free);
        Resolve(library, "EVP_sha256", c.Sha256);
        Resolve(library, "EVP_DigestInit_ex", c.Init);
        Resolve(library, "EVP_DigestUpdate", c.Update);
        Resolve(library, "EVP_DigestFinal_ex", c.Final);
        return c;
    }();
    return crypto;
}

} // namespace

TSha256::TSha256() : ctx_(Crypto().Loaded() ? Crypto().New() : nullptr) {
    if (ctx_ != nullptr && Crypto().Init(ctx_, Crypto().Sha256(), nullptr) != 1) {
        Crypto().Free(ctx_);
        ctx_ = nullptr;
    }
}

TSha256::~TSha256() {
    if (ctx_ != nullptr)
        Crypto().Free(ctx_);
}

void TSha256::Add(std::string_view bytes) {
    if (ctx_ != nullptr)
        Crypto().Update(ctx_, bytes.data(), bytes.size());
}

std::string TSha256::Hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (ctx_ == nullptr || Crypto().Final(ctx_, digest, &length) != 1)
        return {};
    return BytesToHex(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string Sha256Hex(std::string_view bytes) {
    TSha256 sha;
    sha.Add(bytes);
    return sha.Hex();
}

} // namespace pg
