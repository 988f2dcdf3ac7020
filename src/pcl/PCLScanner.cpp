// The scanner of a PCL document: bytes become text runs, escape sequences split into single
// commands, the data blocks those announce, HP-GL/2 stretches and job-control lines, handed
// to the page interpreter in input order. A form feed ends the page.

#include "PCLParse.h"
#include "PCLValues.h"
#include "Strings.h"

#include <algorithm>
#include <cstring>

namespace pg {

namespace {

constexpr uint8_t kFormFeed = 12;
constexpr uint8_t kCarriageReturn = 13;
constexpr uint8_t kBackspace = 8;
// The universal exit command, after which job-control lines may follow.
constexpr std::string_view kUniversalExit = "\x1b%-12345X";

bool IsTerminator(uint8_t b) {
    return b >= 64 && b <= 94;
}

bool IsCommandEnd(char c) {
    return c == '@' || (c >= 'a' && c <= 'z');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

// The index of the character that ends the last command of a sequence's commands part (the
// last character counts in its lower-case form); npos when none does.
size_t LastCommandEnd(std::string_view rest) {
    for (size_t i = rest.size(); i > 0; --i)
        if (IsCommandEnd(i == rest.size() ? Lower(rest[i - 1]) : rest[i - 1]))
            return i - 1;
    return std::string_view::npos;
}

// The byte count of a data block: the number in the command's parameter characters (an
// unreadable one reads 0).
int32_t BlockLength(std::string_view accumulator) {
    std::string number;
    for (char c : accumulator)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            number += c;
    return StrToIntDef(number, 0);
}

// The visible mark of a control byte in the debugging view of the scanner.
std::string ControlMark(uint8_t b) {
    switch (b) {
    case kBackspace:
        return "<<TAB >>";
    case kFormFeed:
        return "<<FF >>";
    case kCarriageReturn:
        return "<<CR >>";
    default:
        return "<<" + IntToStr(b) + " >> ";
    }
}

} // namespace

// The pending text run: a view into the input while its bytes are contiguous there, a copy
// of its own once a dropped byte or a visible mark breaks that.
class TPCLBuffer::TTextRun {
public:
    bool Empty() const { return View().empty(); }
    std::string_view View() const { return owned_ ? std::string_view(copy_) : view_; }
    void Clear() {
        view_ = {};
        copy_.clear();
        owned_ = false;
    }
    // The bytes data[pos .. pos + length).
    void Take(std::string_view data, size_t pos, size_t length) {
        const std::string_view bytes = data.substr(pos, length);
        if (!owned_ && view_.empty()) {
            view_ = bytes;
            return;
        }
        if (!owned_ && view_.data() + view_.size() == bytes.data()) {
            view_ = std::string_view(view_.data(), view_.size() + bytes.size());
            return;
        }
        Add(bytes);
    }
    void Add(std::string_view bytes) {
        if (!owned_) {
            copy_.assign(view_);
            owned_ = true;
        }
        copy_.append(bytes);
    }
    void RemoveFormFeeds() {
        if (View().find(char(kFormFeed)) == std::string_view::npos)
            return;
        Add("");
        copy_.erase(std::remove(copy_.begin(), copy_.end(), char(kFormFeed)), copy_.end());
    }

private:
    std::string_view view_;
    std::string copy_;
    bool owned_ = false;
};

// The scanner. Bytes become text runs and escape sequences; a form feed ends the page.
// Sequences and most runs are contiguous in the input, so they are kept as views into it.
void TPCLBuffer::ParseStream(bool fromSnapshot) {
    Interpreter.BeginStream(fromSnapshot);
    JobControl = false;
    StartPageOutput();
    CurrentInput->Seek(0);
    TTextRun run;
    size_t sequenceStart = 0;
    bool inSequence = false; // a sequence is pending (begun by an escape byte)
    bool escape = false;
    while (CurrentInput->Position() < CurrentInput->Size()) {
        const std::string_view data = CurrentInput->View();
        const size_t pos = CurrentInput->Position();
        const uint8_t b = uint8_t(data[pos]);
        if (b == kEsc) {
            CurrentInput->Seek(pos + 1);
            // A data block announced inside the pending sequence starts there, before this
            // escape byte: the scan goes on after the block, which may end before or past it.
            if (inSequence &&
                ExecuteSequence(data.substr(sequenceStart, pos - sequenceStart), sequenceStart)) {
                inSequence = escape = false;
                continue;
            }
            sequenceStart = pos;
            inSequence = escape = true;
            JobControl = false;
            if (!run.Empty())
                Interpreter.Text(run.View());
            run.Clear();
            continue;
        }
        if (escape) {
            // ESC 9 and ESC = are complete two-character commands, as on a printer.
            const bool twoCharacter = pos == sequenceStart + 1 && (b == '9' || b == '=');
            if (IsTerminator(b) || twoCharacter) {
                CurrentInput->Seek(pos + 1);
                inSequence = escape = false;
                if (!run.Empty())
                    Interpreter.Text(run.View());
                const std::string_view sequence = data.substr(sequenceStart, pos + 1 - sequenceStart);
                JobControl = sequence == kUniversalExit;
                // The universal exit ends the job's marked page; it begins the next one.
                if (JobControl)
                    Interpreter.EndMarkedPage();
                if (std::any_of(sequence.begin(), sequence.end(), [](char c) { return uint8_t(c) > 32; }))
                    ExecuteSequence(sequence, sequenceStart);
                run.Clear();
                continue;
            }
            // Parameter bytes up to the next terminator or escape byte.
            size_t end = pos + 1;
            while (end < data.size() && data[end] != kEsc && !IsTerminator(uint8_t(data[end])))
                ++end;
            CurrentInput->Seek(end);
            continue;
        }
        if (Interpreter.TransparentBytes > 0) {
            // Transparent print data: characters of the font, control codes included.
            const size_t length = std::min(size_t(Interpreter.TakeTransparentBytes()), data.size() - pos);
            if (!run.Empty())
                Interpreter.Text(run.View());
            run.Clear();
            CurrentInput->Seek(pos + length);
            Interpreter.MarkContent();
            Interpreter.Text(data.substr(pos, length), true);
            continue;
        }
        if (Interpreter.State.HpglMode) {
            if (!run.Empty())
                Interpreter.Text(run.View());
            run.Clear();
            ScanHpgl(data, pos);
            continue;
        }
        if (JobControl) {
            // Job-control lines go to the output as they are; they are not page text.
            const size_t length = JobControlLength(data, pos);
            JobControl = length != 0;
            if (JobControl) {
                Output.EmitText(data.substr(pos, length));
                CurrentInput->Seek(pos + length);
                continue;
            }
        }
        if (b > 31) {
            size_t end = pos + 1;
            while (end < data.size() && uint8_t(data[end]) > 31)
                ++end;
            run.Take(data, pos, end - pos);
            CurrentInput->Seek(end);
            Interpreter.MarkContent();
            continue;
        }
        CurrentInput->Seek(pos + 1);
        ScanText(run, data, pos);
    }
    if (!run.Empty())
        Interpreter.Text(run.View());
    if (PageOutputSize() != 0 && CurrentInput == &InputStream && Interpreter.PageHasContent)
        EndPage(false);
}

void TPCLBuffer::ScanHpgl(std::string_view data, size_t pos) {
    size_t end = data.find(char(kEsc), pos);
    if (end == std::string_view::npos)
        end = data.size();
    const std::string_view bytes = data.substr(pos, end - pos);
    CurrentInput->Seek(end);
    Interpreter.Plot(bytes);
}

// Lines that begin with "@PJL", each up to and including its line feed (or up to the next
// escape byte), with the line breaks before them.
size_t TPCLBuffer::JobControlLength(std::string_view data, size_t pos) {
    size_t at = pos;
    for (;;) {
        size_t line = at;
        while (line < data.size() && (data[line] == '\r' || data[line] == '\n'))
            ++line;
        if (data.substr(line, 4) != "@PJL")
            return at - pos;
        size_t end = data.find_first_of(std::string_view("\n\x1b", 2), line);
        if (end == std::string_view::npos)
            return data.size() - pos;
        at = data[end] == '\n' ? end + 1 : end;
    }
}

// A control byte (1..31 except ESC) or NUL at data[pos] in text.
void TPCLBuffer::ScanText(TTextRun& run, std::string_view data, size_t pos) {
    const uint8_t b = uint8_t(data[pos]);
    if (b == 0)
        return;
    if (b == kFormFeed) {
        if (ShowControlCodes)
            run.Add(ControlMark(b));
        run.RemoveFormFeeds();
        Interpreter.Text(run.View());
        run.Clear();
        // The next page begins at its top, at the first line.
        Interpreter.ToNextPageTop();
        const size_t pages = PageList.size();
        EndPage(false);
        if (KeepPageEjects && PageList.size() > pages)
            EmitPageEject();
        return;
    }
    if (b == kCarriageReturn) {
        Interpreter.Text(run.View());
        run.Clear();
        if (ShowControlCodes)
            run.Add(ControlMark(b));
        else
            run.Take(data, pos, 1);
        Interpreter.CarriageReturn();
        return;
    }
    if (ShowControlCodes)
        run.Add(ControlMark(b));
    else
        run.Take(data, pos, 1);
}

// Splits one escape sequence into commands: "\x1b&l1o2a0E" gives ESC&l1O, ESC&l2A, ESC&l0E.
bool TPCLBuffer::ExecuteSequence(std::string_view sequence, size_t inputStart) {
    Interpreter.BeginSequence();
    std::string_view prefix;
    std::string_view rest;
    const bool twoCharacter = sequence.size() >= 2 && sequence[0] == kEsc && uint8_t(sequence[1]) >= 48 &&
                              uint8_t(sequence[1]) <= 126;
    if (twoCharacter) {
        if (sequence[1] == '9' || sequence[1] == '=') {
            Interpreter.Dispatch(sequence.substr(0, 2), PackedCommandKey(sequence.substr(0, 2)));
            return false;
        }
        prefix = sequence.substr(0, 1);
        rest = sequence.substr(1, 1);
    } else if (sequence.size() == 3 && IsTerminator(uint8_t(sequence[2]))) {
        // A command without a group character or value ("ESC(X": font 0 by identifier).
        prefix = sequence.substr(0, 2);
        rest = sequence.substr(2);
    } else {
        prefix = sequence.substr(0, std::min<size_t>(3, sequence.size()));
        rest = sequence.substr(prefix.size());
    }
    TCommandKeyPacker prefixKey;
    prefixKey.Add(prefix);
    char shortCommand[64];
    std::string command;
    size_t start = 0;
    bool blockRead = false;
    for (size_t i = 0; i < rest.size(); ++i) {
        const char c = i + 1 == rest.size() ? Lower(rest[i]) : rest[i];
        if (!IsCommandEnd(c))
            continue;
        const std::string_view accumulator = rest.substr(start, i - start);
        std::string_view text;
        if (start == 0 && rest[i] == Upper(c)) {
            // The first command of the sequence, already in upper case: the input's own bytes.
            text = sequence.substr(0, prefix.size() + i + 1);
        } else if (prefix.size() + accumulator.size() < sizeof(shortCommand)) {
            std::memcpy(shortCommand, prefix.data(), prefix.size());
            std::memcpy(shortCommand + prefix.size(), accumulator.data(), accumulator.size());
            shortCommand[prefix.size() + accumulator.size()] = Upper(c);
            text = std::string_view(shortCommand, prefix.size() + accumulator.size() + 1);
        } else {
            command.assign(prefix);
            command.append(accumulator);
            command += Upper(c);
            text = command;
        }
        start = i + 1;
        TCommandKeyPacker key = prefixKey;
        key.Add(accumulator);
        key.Add(c);
        Interpreter.Dispatch(text, key.Value() ? key.Value() : PackedCommandKey(text));
        if (Upper(c) != 'W')
            continue;
        const int32_t n = BlockLength(accumulator);
        // The blocks follow the sequence's last command, one after the other. That is where the
        // scan stands after a terminated sequence; a sequence ended by the next escape byte holds
        // the start of its data after its last command.
        if (n > 0 && !blockRead)
            CurrentInput->Seek(inputStart + prefix.size() + LastCommandEnd(rest) + 1);
        ReadBinaryBlock(text, n);
        blockRead = blockRead || n > 0;
    }
    return blockRead;
}

// The data block of n bytes announced by a command ending in W: read whole from the input
// position, so that the scan stays in step with the input, and re-emitted after its command.
void TPCLBuffer::ReadBinaryBlock(std::string_view command, int32_t n) {
    const std::string_view data = CurrentInput->View();
    const size_t pos = std::min(CurrentInput->Position(), data.size());
    const size_t count = n > 0 ? std::min(size_t(n), data.size() - pos) : 0;
    CurrentInput->Seek(pos + count);
    Interpreter.Block(command, data.substr(pos, count));
}

} // namespace pg
