// Patch DELTA PROGRAM: rebuilds PROGRAM from its current bytes and DELTA, a zstd frame made
// with "zstd --patch-from=OLD NEW". The new bytes go to a temporary file beside the program
// that replaces it only when the whole delta decoded; the program's permissions are kept.
// Beside the program it leaves DELTA's name with the extension "log" (what was done) and, on
// failure, with "err" (why), which the installer checks. Exit code 0 on success, else 1.

#include <zstd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

[[gnu::used]] const char kPagellanVersionStamp[] = "\x01PagellanFileVersion=" PAGELLAN_PROGRAM_VERSION;

namespace fs = std::filesystem;

namespace {

// Nothing we patch is larger than this; a delta that claims more is refused.
constexpr size_t kMaxOutput = size_t(1) << 30;

bool ReadAll(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
    return !in.bad();
}

bool Apply(const std::string& delta, const std::string& old, std::string& out, std::string& why) {
    ZSTD_DCtx* dctx = ZSTD_createDCtx();
    // The old file is the window the delta refers to: allow windows as large as zstd makes.
    ZSTD_DCtx_setParameter(dctx, ZSTD_d_windowLogMax, 31);
    size_t rc = ZSTD_DCtx_refPrefix(dctx, old.data(), old.size());
    ZSTD_inBuffer in{delta.data(), delta.size(), 0};
    std::string chunk(ZSTD_DStreamOutSize(), '\0');
    bool complete = false;
    while (!ZSTD_isError(rc)) {
        ZSTD_outBuffer o{chunk.data(), chunk.size(), 0};
        rc = ZSTD_decompressStream(dctx, &o, &in);
        out.append(chunk.data(), o.pos);
        if (out.size() > kMaxOutput) {
            ZSTD_freeDCtx(dctx);
            why = "the patched file would exceed 1 GB";
            return false;
        }
        complete = rc == 0;
        // Done when the input is used up and nothing more is waiting to be flushed.
        if (in.pos == in.size && o.pos < o.size)
            break;
    }
    ZSTD_freeDCtx(dctx);
    if (ZSTD_isError(rc)) {
        why = std::string("the patch does not apply: ") + ZSTD_getErrorName(rc);
        return false;
    }
    if (!complete || in.pos != in.size) {
        why = "the patch is truncated";
        return false;
    }
    return true;
}

bool WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: Patch DELTA PROGRAM\n");
        return 1;
    }
    const fs::path delta = argv[1], program = argv[2];
    const fs::path folder = program.has_parent_path() ? program.parent_path() : fs::path(".");
    const fs::path log = folder / fs::path(delta.filename()).replace_extension("log");
    const fs::path err = folder / fs::path(delta.filename()).replace_extension("err");
    std::string report = "Patch " + delta.string() + " -> " + program.string() + "\n";
    const auto fail = [&](const std::string& why) {
        report += "FAILED: " + why + "\n";
        WriteText(log, report);
        WriteText(err, why + "\n");
        return 1;
    };
    std::error_code ec;
    fs::remove(err, ec);
    std::string patch, old, result, why;
    if (!ReadAll(delta, patch))
        return fail("cannot read " + delta.string());
    if (!ReadAll(program, old))
        return fail("cannot read " + program.string());
    if (!Apply(patch, old, result, why))
        return fail(why);
    const fs::path temp = program.string() + ".patching";
    if (!WriteText(temp, result)) {
        fs::remove(temp, ec);
        return fail("cannot write " + temp.string());
    }
    fs::permissions(temp, fs::status(program, ec).permissions(), ec);
    fs::rename(temp, program, ec);
    if (ec) {
        fs::remove(temp, ec);
        return fail("cannot replace " + program.string());
    }
    report += "OK: " + std::to_string(old.size()) + " -> " + std::to_string(result.size()) + " bytes\n";
    WriteText(log, report);
    return 0;
}
