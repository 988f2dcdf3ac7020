#include "HLWStream.h"

#include "Paths.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace pg {

namespace {

constexpr size_t kCutHeadLimit = 100'000'000;
constexpr size_t kFindLimit = 10'000'000;
constexpr size_t kInflateChunk = 16'384;

// Position of needle in hay from start on, or npos. The needles are short marker and command
// texts, so memchr on the first byte followed by a compare is the fast way through PCL data.
size_t Find(std::string_view hay, std::string_view needle, size_t start = 0) {
    if (start > hay.size())
        return std::string_view::npos;
    return hay.find(needle, start);
}

// Comparison with bit 0x20 ignored, so letters match in either case.
bool FoldedEqual(char a, char b) {
    return (a & ~0x20) == (b & ~0x20);
}

size_t FindFolded(std::string_view hay, std::string_view needle, size_t start) {
    if (needle.empty())
        return start <= hay.size() ? start : std::string_view::npos;
    if (needle.size() > hay.size())
        return std::string_view::npos;
    // The first byte matches two values, with bit 0x20 clear and set; the next place of each is
    // kept so every byte is looked at once.
    const char lo = char(needle[0] & ~0x20), hi = char(needle[0] | 0x20);
    const size_t last = hay.size() - needle.size();
    const char* base = hay.data();
    auto next = [&](char c, size_t from) -> size_t {
        if (from > last)
            return std::string_view::npos;
        const void* at = std::memchr(base + from, c, last - from + 1);
        return at ? size_t(static_cast<const char*>(at) - base) : std::string_view::npos;
    };
    size_t p = next(lo, start), q = next(hi, start);
    for (;;) {
        size_t i = std::min(p, q);
        if (i == std::string_view::npos)
            return i;
        if (std::equal(needle.begin() + 1, needle.end(), hay.begin() + std::ptrdiff_t(i) + 1, FoldedEqual))
            return i;
        if (i == p)
            p = next(lo, i + 1);
        else
            q = next(hi, i + 1);
    }
}

} // namespace

void THLWMemorystream::Share(std::shared_ptr<const std::string> bytes) {
    data_.clear();
    shared_ = std::move(bytes);
    pos_ = 0;
}

void THLWMemorystream::Own() {
    if (!shared_)
        return;
    data_ = *shared_;
    shared_.reset();
}

void THLWMemorystream::SetSize(size_t n) {
    Own();
    data_.resize(n);
    pos_ = std::min(pos_, n);
}

void THLWMemorystream::Clear() {
    data_.clear();
    shared_.reset();
    pos_ = 0;
}

size_t THLWMemorystream::Read(void* buffer, size_t count) {
    const std::string& bytes = Bytes();
    if (pos_ >= bytes.size())
        return 0;
    size_t n = std::min(count, bytes.size() - pos_);
    std::memcpy(buffer, bytes.data() + pos_, n);
    pos_ += n;
    return n;
}

void THLWMemorystream::Write(const void* buffer, size_t count) {
    if (count == 0)
        return;
    Own();
    if (pos_ + count > data_.size())
        data_.resize(pos_ + count);
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ += count;
}

bool THLWMemorystream::LoadFromFile(const std::string& path) {
    std::string bytes;
    std::string error;
    if (!ReadFileBytes(path, bytes, error))
        return false;
    Clear();
    data_ = std::move(bytes);
    return true;
}

bool THLWMemorystream::SaveToFile(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(Memory(), std::streamsize(Size()));
    out.close();
    return !out.fail();
}

std::string THLWMemorystream::Release() {
    Own();
    std::string out = std::move(data_);
    Clear();
    return out;
}

std::string THLWMemorystream::AsText() {
    pos_ = 0;
    return Bytes();
}

void THLWMemorystream::AppendText(std::string_view text) {
    if (text.empty())
        return;
    Own();
    data_.append(text);
    pos_ = data_.size();
}

void THLWMemorystream::AppendStream(const THLWMemorystream& source) {
    Own();
    if (&source == this)
        data_ += std::string(data_);
    else
        data_.append(source.View());
    pos_ = 0;
}

void THLWMemorystream::InsertText(std::string_view text, size_t offset) {
    if (text.empty())
        return;
    Own();
    data_.insert(std::min(offset, data_.size()), text);
    pos_ = 0;
}

void THLWMemorystream::CutHead(size_t p) {
    size_t from = p == 0 ? 0 : p - 1;
    Own();
    if (from >= data_.size())
        data_.clear();
    else
        data_ = data_.substr(from, kCutHeadLimit);
    pos_ = 0;
}

void THLWMemorystream::TruncateLast(size_t n) {
    SetSize(n == 0 ? 0 : n - 1);
}

size_t THLWMemorystream::FindFrom(std::string_view text, size_t p) const {
    size_t from = p == 0 ? 0 : p - 1;
    if (text.empty() || from >= Size())
        return 0;
    std::string_view window = View().substr(from, kFindLimit);
    size_t at = Find(window, text);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::unique_ptr<THLWMemorystream> THLWMemorystream::CopyRange(size_t offset, size_t length) const {
    if (Size() < offset)
        return nullptr;
    return std::make_unique<THLWMemorystream>(std::string(View().substr(offset, length)));
}

size_t THLWMemorystream::ReplaceAll(std::string_view find, std::string_view replacement) {
    size_t count = 0;
    if (!find.empty()) {
        std::string_view src = View();
        size_t at = Find(src, find);
        if (at != std::string_view::npos) {
            std::string out;
            out.reserve(src.size());
            size_t from = 0;
            while (at != std::string_view::npos) {
                out.append(src.substr(from, at - from));
                out.append(replacement);
                from = at + find.size();
                ++count;
                at = Find(src, find, from);
            }
            out.append(src.substr(from));
            shared_.reset();
            data_ = std::move(out);
        }
    }
    pos_ = Size();
    return count;
}

void THLWMemorystream::ExtractMacro(int id, std::string& out) {
    out.clear();
    if (Size() == 0)
        return;
    Own();
    size_t f = FindFolded(data_, MacroSelect(id), 0);
    if (f == std::string_view::npos)
        return;
    static const std::string kDelete = "\x1b&f8X";
    size_t e = FindFolded(data_, kDelete, f);
    if (e == std::string_view::npos || e <= f)
        return;
    size_t end = e + kDelete.size();
    out = data_.substr(f, end - f);
    data_.erase(f, end - f);
    pos_ = 0;
}

// Removes brackets in one forward pass. Each round of the plain algorithm looks for the first
// open and the first close marker in the whole content; after a removal the text before the
// removed bracket holds neither marker, so both searches can continue where the last bracket
// ended. The one exception is a marker formed across the joint of a removal; then the plain
// algorithm finishes the job on the joined text.
void THLWMemorystream::ExtractMarked(int id, std::string& out) {
    const std::string open = MacroOpen(id);
    const std::string close = MacroClose(id);
    out.clear();
    std::string_view src = View();
    std::string kept;
    size_t from = 0;
    bool removed = false;
    for (;;) {
        size_t f = Find(src, open, from);
        if (f == std::string_view::npos)
            break;
        size_t e = Find(src, close, from);
        if (e == std::string_view::npos || e <= f)
            break;
        out.assign(src.substr(f + open.size(), e - f - open.size()));
        if (!removed)
            kept.reserve(src.size());
        kept.append(src.substr(from, f - from));
        from = e + close.size();
        removed = true;
        // A marker spanning the joint would start in the last bytes kept.
        size_t reach = std::max(open.size(), close.size()) - 1;
        size_t tailFrom = kept.size() > reach ? kept.size() - reach : 0;
        std::string joint = kept.substr(tailFrom) + std::string(src.substr(from, reach));
        size_t tail = kept.size() - tailFrom;
        std::string_view j = joint;
        if (j.find(open) < tail || j.find(close) < tail) {
            kept.append(src.substr(from));
            data_ = std::move(kept);
            shared_.reset();
            pos_ = 0;
            ExtractMarkedPlain(open, close, out);
            return;
        }
    }
    if (removed) {
        kept.append(src.substr(from));
        data_ = std::move(kept);
        shared_.reset();
        pos_ = 0;
    }
}

void THLWMemorystream::ExtractMarkedPlain(const std::string& open, const std::string& close,
                                          std::string& out) {
    for (;;) {
        size_t f = Find(data_, open);
        if (f == std::string_view::npos)
            return;
        size_t e = Find(data_, close);
        if (e == std::string_view::npos || e <= f)
            return;
        out = data_.substr(f + open.size(), e - f - open.size());
        data_.erase(f, e + close.size() - f);
        pos_ = 0;
    }
}

void THLWMemorystream::Compress() {
    Own();
    uLongf bound = compressBound(uLong(data_.size()));
    std::string out(bound, '\0');
    int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &bound,
                       reinterpret_cast<const Bytef*>(data_.data()), uLong(data_.size()), 9);
    if (rc != Z_OK)
        throw std::runtime_error("Compression failed");
    out.resize(bound);
    data_ = std::move(out);
    pos_ = 0;
}

bool THLWMemorystream::Decompress(size_t limit) {
    pos_ = 0;
    Own();
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return true;
    zs.next_in = reinterpret_cast<Bytef*>(data_.data());
    zs.avail_in = uInt(data_.size());
    std::string out;
    char chunk[kInflateChunk];
    bool first = true;
    int rc = Z_OK;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(chunk);
        zs.avail_out = kInflateChunk;
        rc = inflate(&zs, Z_NO_FLUSH);
        if (first && (rc == Z_DATA_ERROR || rc == Z_STREAM_ERROR || rc == Z_NEED_DICT || rc == Z_MEM_ERROR ||
                      (rc == Z_BUF_ERROR && zs.avail_out == kInflateChunk))) {
            inflateEnd(&zs);
            return true;
        }
        first = false;
        if (kInflateChunk - zs.avail_out > limit - out.size()) {
            inflateEnd(&zs);
            return false;
        }
        out.append(chunk, kInflateChunk - zs.avail_out);
    } while (rc == Z_OK && (zs.avail_in > 0 || zs.avail_out == 0));
    inflateEnd(&zs);
    data_ = std::move(out);
    return true;
}

bool THLWMemorystream::UnzipFirstEntry(std::string& name, TDateTime& dateTime) {
    zip_error_t error;
    zip_error_init(&error);
    Own();
    zip_source_t* source = zip_source_buffer_create(data_.data(), data_.size(), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return false;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return false;
    }
    std::unique_ptr<zip_t, decltype(&zip_discard)> guard(archive, &zip_discard);
    zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            continue;
        std::string entryName = st.name;
        if (!entryName.empty() && entryName.back() == '/')
            continue;
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!file)
            return false;
        std::string bytes;
        char buffer[kInflateChunk];
        zip_int64_t n;
        while ((n = zip_fread(file, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, size_t(n));
        bool failed = n < 0;
        zip_fclose(file);
        if (failed)
            return false;
        name = entryName;
        dateTime = (st.valid & ZIP_STAT_MTIME) ? DateTimeFromTime(st.mtime) : 0.0;
        guard.reset();
        data_ = std::move(bytes);
        pos_ = 0;
        return true;
    }
    return false;
}

std::string MacroSelect(int id) {
    return "\x1b&f" + std::to_string(id) + "Y";
}
std::string MacroBegin(int id) {
    return MacroSelect(id) + "\x1b&f0X";
}
std::string MacroEnd(int id) {
    return "\x1b&f1X" + MacroSelect(id) + "\x1b&f8X";
}
std::string MacroOpen(int id) {
    return MacroBegin(id) + "\x1b&f1X";
}
std::string MacroClose(int id) {
    return MacroSelect(id) + "\x1b&f8X";
}

std::string EmbeddedPdfText(std::string_view pdf) {
    return MacroBegin(kMacroEmbeddedPdf) + "\x1b&p" + std::to_string(pdf.size()) + "X" + std::string(pdf) +
           MacroEnd(kMacroEmbeddedPdf);
}

std::string TakeEmbeddedPdfs(std::string_view pcl, std::vector<TEmbeddedPdf>& pages) {
    const std::string begin = MacroBegin(kMacroEmbeddedPdf) + "\x1b&p";
    const std::string end = MacroEnd(kMacroEmbeddedPdf);
    std::string out;
    size_t from = 0;
    for (size_t at = pcl.find(begin); at != std::string_view::npos; at = pcl.find(begin, at + 1)) {
        size_t digits = at + begin.size();
        size_t count = 0;
        bool number = false;
        // Far more digits than any length would take: the text is not ours.
        while (digits < pcl.size() && digits - at - begin.size() < 12 && pcl[digits] >= '0' &&
               pcl[digits] <= '9') {
            count = count * 10 + size_t(pcl[digits++] - '0');
            number = true;
        }
        if (!number || digits >= pcl.size() || pcl[digits] != 'X')
            continue;
        const size_t data = digits + 1;
        if (count > pcl.size() - data || pcl.substr(data + count, end.size()) != end)
            continue;
        out.append(pcl.substr(from, at - from));
        pages.push_back({out.size(), std::string(pcl.substr(data, count))});
        from = data + count + end.size();
        at = from - 1;
    }
    out.append(pcl.substr(from));
    return out;
}

} // namespace pg
