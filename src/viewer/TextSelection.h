#pragma once
// Selecting text on a page shown: the words of the page (from the text device, in reading
// order) chosen by a drag, a double click or "select all", and the chosen words as plain text
// in reading order. Positions are page pixels, the space the word boxes are in.

#include "PackageFind.h"
#include "TextDevice.h"

#include <string>
#include <vector>

namespace pg {

class TTextSelection {
public:
    // The page's lines; the selection becomes empty.
    void SetLines(std::vector<TTextLine> lines);
    const std::vector<TTextLine>& Lines() const { return lines_; }
    bool Empty() const { return selected_.empty(); }
    void Clear() { selected_.clear(); }

    // A drag from `from` to `to`: the words between the two points in reading order, each point
    // standing at its place in its line (a point between lines in the lower one); a word under
    // either end is taken whole. False when nothing is selected.
    bool SelectRange(int fromX, int fromY, int toX, int toY);
    // The word under the point (a double click); false when there is none.
    bool SelectWordAt(int x, int y);
    // Every word of the page.
    void SelectAll();

    // The words chosen: each line's words joined by one space, lines ended by "\n" (none
    // after the last); UTF-8.
    std::string Text() const;
    // Their boxes, as the find marks take them.
    std::vector<TTextBox> Boxes() const;

private:
    struct TWordRef {
        size_t Line = 0, Word = 0;
        bool operator==(const TWordRef&) const = default;
    };
    // Where a point stands in reading order: its line (lines_.size() below the last) and x.
    std::pair<size_t, int> ReadingPlace(int x, int y) const;
    const TTextWord* WordAt(int x, int y, TWordRef& ref) const;

    std::vector<TTextLine> lines_;
    std::vector<TWordRef> selected_; // in reading order
};

} // namespace pg
