#include "PackageFind.h"

#include "PageText.h"
#include "Strings.h"

#include <algorithm>

namespace pg {

namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool InsideCharacter(const std::string& text, size_t at) {
    return at < text.size() && (uint8_t(text[at]) & 0xC0) == 0x80;
}

// The hit's line (UTF-8), cut between words to a readable length around the hit, and never
// inside a character.
std::string Snippet(const std::string& line, size_t start, size_t end) {
    constexpr size_t kAround = 30;
    size_t from = start > kAround ? start - kAround : 0;
    size_t to = std::min(line.size(), end + kAround);
    while (InsideCharacter(line, from))
        ++from;
    while (InsideCharacter(line, to))
        --to;
    if (from > 0)
        if (const size_t blank = line.find(' ', from); blank < start)
            from = blank + 1;
    if (to < line.size())
        if (const size_t blank = line.rfind(' ', to); blank != std::string::npos && blank >= end)
            to = blank;
    std::string out = line.substr(from, to - from);
    if (from > 0)
        out.insert(0, "...");
    if (to < line.size())
        out += "...";
    return out;
}

} // namespace

std::string NormaliseQuery(std::string_view query, bool matchCase) {
    std::string out;
    for (const char c : query) {
        if (Blank(c)) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
            continue;
        }
        out += c;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return matchCase ? out : LowerCase(out);
}

std::vector<TFindHit> FindOnPage(const std::vector<TTextLine>& lines, const std::string& query,
                                 bool matchCase, int form, int page) {
    std::vector<TFindHit> hits;
    if (query.empty())
        return hits;
    std::vector<size_t> starts;
    for (const TTextLine& line : lines) {
        const std::string text = line.Text();
        const std::string searched = matchCase ? text : LowerCase(text);
        starts.clear();
        size_t offset = 0;
        for (const TTextWord& word : line.Words) {
            starts.push_back(offset);
            offset += word.Text.size() + 1;
        }
        for (size_t at = searched.find(query); at != std::string::npos;
             at = searched.find(query, at + query.size())) {
            TFindHit hit{form, page, Snippet(text, at, at + query.size()), {}};
            const size_t end = at + query.size();
            for (size_t w = 0; w < line.Words.size(); ++w) {
                const size_t wordEnd = starts[w] + line.Words[w].Text.size();
                if (starts[w] < end && wordEnd > at) {
                    const TTextWord& word = line.Words[w];
                    hit.Boxes.push_back({word.Left, word.Top, word.Right, word.Bottom});
                }
            }
            hits.push_back(std::move(hit));
        }
    }
    return hits;
}

bool TFindRun::Step() {
    const size_t n = done_.load();
    if (n >= pages_.size() || cancelled_.load())
        return false;
    TPage& page = pages_[n];
    if (!page.Lines) {
        THLWMemorystream pcl;
        pcl.Write(page.Bytes);
        std::string().swap(page.Bytes);
        page.Lines = std::make_shared<const std::vector<TTextLine>>(PageTextLines(std::move(pcl)));
        page.Read = true;
    }
    std::vector<TFindHit> found = FindOnPage(*page.Lines, query_, matchCase_, page.Form, page.Page);
    hits_.insert(hits_.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    done_.store(n + 1);
    return true;
}

void TFindRun::Run() {
    while (Step()) {
    }
}

std::unique_ptr<TFindRun> TPackageTextIndex::Prepare(const std::vector<TDocSetForm*>& forms,
                                                     std::string_view query,
                                                     const TFindOptions& options) const {
    auto run = std::make_unique<TFindRun>();
    run->matchCase_ = options.MatchCase;
    run->query_ = NormaliseQuery(query, options.MatchCase);
    if (run->query_.empty())
        return run;
    for (size_t f = 0; f < forms.size(); ++f) {
        const TDocSetForm* form = forms[f];
        if (form == nullptr || form->Deleted || form->IsVivaform())
            continue;
        for (size_t p = 0; p < form->Pages.size(); ++p) {
            const TDocSetPage* source = form->Pages[p].get();
            TFindRun::TPage page{source, int(f + 1), int(p + 1), {}, {}, false};
            if (const auto known = pages_.find(source); known != pages_.end()) {
                page.Lines = known->second;
            } else {
                // The fill followed by the template, as the page window joins them.
                page.Bytes.reserve(source->FillData.Size() + source->TemplateData.Size());
                page.Bytes.append(source->FillData.View());
                page.Bytes.append(source->TemplateData.View());
            }
            run->pages_.push_back(std::move(page));
        }
    }
    return run;
}

void TPackageTextIndex::Keep(const TFindRun& run) {
    for (const TFindRun::TPage& page : run.pages_)
        if (page.Read)
            pages_.emplace(page.Key, page.Lines);
}

} // namespace pg
