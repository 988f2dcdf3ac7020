// Code 128 encoding of the bar-code value and its raster row.
#include "PrintJob.h"

#include <array>

namespace pg {

namespace {

enum class TCodeSet { None, A, B, C };

constexpr int kStartA = 103;
constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kStop = 106;
constexpr int kCheckModulus = 103;
constexpr int kStopModules = 13;

// Bar and space widths of every symbol value (ISO/IEC 15417), bar first; the stop has seven.
constexpr std::array<std::string_view, 107> kWidths = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};

std::array<std::string, 107> BuildPatterns() {
    std::array<std::string, 107> patterns;
    for (size_t v = 0; v < kWidths.size(); ++v) {
        char module = '1';
        for (const char width : kWidths[v]) {
            patterns[v].append(size_t(width - '0'), module);
            module = module == '1' ? '0' : '1';
        }
    }
    return patterns;
}

const std::array<std::string, 107>& Patterns() {
    static const std::array<std::string, 107> patterns = BuildPatterns();
    return patterns;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

class TEncoder {
public:
    void Emit(TCodeSet set, int value) {
        Select(set);
        symbols_.push_back(value);
    }
    // The function symbol FNC4 marks the next character as one of the upper half (128..255).
    void EmitFnc4(TCodeSet set) { Emit(set, set == TCodeSet::A ? 101 : 100); }

    std::vector<int> Finish() {
        int sum = symbols_.front();
        for (size_t k = 1; k < symbols_.size(); ++k)
            sum += int(k) * symbols_[k];
        symbols_.push_back(sum % kCheckModulus);
        symbols_.push_back(kStop);
        return std::move(symbols_);
    }

private:
    void Select(TCodeSet set) {
        if (set == current_)
            return;
        if (current_ == TCodeSet::None)
            symbols_.push_back(set == TCodeSet::A ? kStartA : set == TCodeSet::B ? kStartB : kStartC);
        else
            symbols_.push_back(set == TCodeSet::A ? 101 : set == TCodeSet::B ? 100 : 99);
        current_ = set;
    }

    TCodeSet current_ = TCodeSet::None;
    std::vector<int> symbols_;
};

// One character outside a digit pair. Code set B carries 32..127; control characters go in
// code set A; characters of the upper half are sent as FNC4 followed by the character 128 lower,
// which is how Code 128 readers hand back Latin-1 text.
void EmitCharacter(TEncoder& encoder, unsigned char c) {
    if (c >= 128) {
        const unsigned char low = c - 128;
        encoder.EmitFnc4(low < 32 ? TCodeSet::A : TCodeSet::B);
        c = low;
    }
    if (c < 32)
        encoder.Emit(TCodeSet::A, c + 64);
    else
        encoder.Emit(TCodeSet::B, c - 32);
}

} // namespace

std::vector<int> Code128Symbols(std::string_view text) {
    if (text.empty())
        return {};
    TEncoder encoder;
    size_t i = 0;
    while (i < text.size()) {
        if (i + 2 < text.size() && IsDigit(text[i]) && IsDigit(text[i + 1])) {
            encoder.Emit(TCodeSet::C, 10 * (text[i] - '0') + (text[i + 1] - '0'));
            i += 2;
            continue;
        }
        EmitCharacter(encoder, static_cast<unsigned char>(text[i]));
        ++i;
    }
    return encoder.Finish();
}

std::string_view Code128Pattern(int symbol) {
    if (symbol < 0 || symbol > kStop)
        return {};
    return Patterns()[size_t(symbol)];
}

std::string Code128Row(const std::vector<int>& symbols, int& dots) {
    std::string modules;
    modules.reserve(symbols.size() * kStopModules);
    for (const int symbol : symbols)
        modules += Code128Pattern(symbol);
    dots = int(modules.size()) * kModuleDots;
    std::string row(size_t(dots + 7) / 8, '\0');
    for (size_t m = 0; m < modules.size(); ++m) {
        if (modules[m] != '1')
            continue;
        for (int d = 0; d < kModuleDots; ++d) {
            const size_t dot = m * kModuleDots + size_t(d);
            row[dot / 8] = char(static_cast<unsigned char>(row[dot / 8]) | (0x80u >> (dot % 8)));
        }
    }
    return row;
}

} // namespace pg
