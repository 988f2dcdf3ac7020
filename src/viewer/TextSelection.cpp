#include "TextSelection.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace pg {

void TTextSelection::SetLines(std::vector<TTextLine> lines) {
    lines_ = std::move(lines);
    selected_.clear();
}

std::pair<size_t, int> TTextSelection::ReadingPlace(int x, int y) const {
    // A point between two lines stands in the lower one, as a point beside a line stands in it.
    for (size_t line = 0; line < lines_.size(); ++line)
        if (y <= lines_[line].Bottom)
            return {line, x};
    return {lines_.size(), INT_MIN};
}

const TTextWord* TTextSelection::WordAt(int x, int y, TWordRef& ref) const {
    for (size_t line = 0; line < lines_.size(); ++line)
        for (size_t word = 0; word < lines_[line].Words.size(); ++word) {
            const TTextWord& w = lines_[line].Words[word];
            if (x >= w.Left && x <= w.Right && y >= w.Top && y <= w.Bottom) {
                ref = {line, word};
                return &w;
            }
        }
    return nullptr;
}

bool TTextSelection::SelectRange(int fromX, int fromY, int toX, int toY) {
    selected_.clear();
    auto first = ReadingPlace(fromX, fromY), last = ReadingPlace(toX, toY);
    if (last < first)
        std::swap(first, last);
    TWordRef under[2];
    const bool hit[2] = {WordAt(fromX, fromY, under[0]) != nullptr, WordAt(toX, toY, under[1]) != nullptr};
    for (size_t line = 0; line < lines_.size(); ++line)
        for (size_t word = 0; word < lines_[line].Words.size(); ++word) {
            const TTextWord& w = lines_[line].Words[word];
            // A word is between the ends when its middle is.
            const std::pair<size_t, int> middle{line, (w.Left + w.Right) / 2};
            const TWordRef ref{line, word};
            if ((first <= middle && middle <= last) || (hit[0] && under[0] == ref) ||
                (hit[1] && under[1] == ref))
                selected_.push_back(ref);
        }
    return !selected_.empty();
}

bool TTextSelection::SelectWordAt(int x, int y) {
    selected_.clear();
    TWordRef ref;
    if (WordAt(x, y, ref) == nullptr)
        return false;
    selected_.push_back(ref);
    return true;
}

void TTextSelection::SelectAll() {
    selected_.clear();
    for (size_t line = 0; line < lines_.size(); ++line)
        for (size_t word = 0; word < lines_[line].Words.size(); ++word)
            selected_.push_back({line, word});
}

std::string TTextSelection::Text() const {
    std::string text;
    for (size_t i = 0; i < selected_.size(); ++i) {
        if (i > 0)
            text += selected_[i].Line == selected_[i - 1].Line ? " " : "\n";
        text += lines_[selected_[i].Line].Words[selected_[i].Word].Text;
    }
    return text;
}

std::vector<TTextBox> TTextSelection::Boxes() const {
    std::vector<TTextBox> boxes;
    boxes.reserve(selected_.size());
    for (const TWordRef& ref : selected_) {
        const TTextWord& w = lines_[ref.Line].Words[ref.Word];
        boxes.push_back({w.Left, w.Top, w.Right, w.Bottom});
    }
    return boxes;
}

} // namespace pg
