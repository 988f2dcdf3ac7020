#include "SymbolSets.h"

#include "Strings.h"

#include <array>
#include <string_view>

namespace pg {

namespace {

// A row of characters for consecutive codes, its length checked where it is written.
template <size_t N> struct TChars {
    std::array<char16_t, N> Chars{};
    constexpr char16_t operator[](size_t i) const { return Chars[i]; }
};

template <size_t N> consteval TChars<N - 1> Chars(const char16_t (&text)[N]) {
    TChars<N - 1> row;
    for (size_t i = 0; i + 1 < N; ++i)
        row.Chars[i] = text[i];
    return row;
}

using TLow = TChars<96>;  // codes 32 .. 127
using TC1 = TChars<32>;   // codes 128 .. 159
using THigh = TChars<96>; // codes 160 .. 255

// The characters as the printer's own fonts show them. A space stands for a code the set leaves
// empty: nothing is printed there, but the text moves on.
constexpr TLow kAsciiLow = Chars(
    u" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~▒");
constexpr TLow kPcLow = Chars(
    u" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~⌂");
constexpr TLow kLegalLow = Chars(
    u" !″#$%&′()*+,-./0123456789:;‗=¢?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[®]©_°abcdefghijklmnopqrstuvwxyz§¶†™▒");
constexpr TLow kMath8Low = Chars(
    u" √″°∞÷∝′()×+,−./0123456789ℯϵ<=>≈∴ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ∇∂ς≤≠≥_∵αβγδεζηθικλμνξοπρστυφχψωϑϕϖ≃≡≢▒");
constexpr TLow kPsMathLow = Chars(
    u" !∀#∃%&∋()∗+,−./0123456789:;<=>?≅ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ[∴]⊥_‾αβχδεφγηιϕκλμνοπθρστυϖωξψζ{|}∼ ");
constexpr TLow kPiLow = Chars(
    u"  „‚“”‘’⟨⟩™℠®©Ⓜ ˉ˘ˇ˙↗↘↙↖▵▹▿◃≪§≫¶∷≜    ℱ ℏ   ℒℓ  ℘℘℞∑       ⟦‖⟧‹›┌└╭╰┼├─║∪∩╓╙□◇  ┐┘╮╯┬┤┴│⊔⊓╖╜■◆ ▒");

constexpr TC1 kPc8C1 = Chars(u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒ");
constexpr TC1 kPc850C1 = Chars(u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£Ø×ƒ");
constexpr TC1 kWindows1252C1 = Chars(u"€ ‚ƒ„…†‡ˆ‰Š‹Œ Ž  ‘’“”•–—˜™š›œ žŸ");
constexpr TC1 kWindows1250C1 = Chars(u"€ ‚ „…†‡ ‰Š‹ŚŤŽŹ ‘’“”•–— ™š›śťžź");

constexpr THigh kLatin1High = [] {
    THigh row;
    for (size_t i = 0; i < 96; ++i)
        row.Chars[i] = char16_t(0xA0 + i);
    return row;
}();
constexpr THigh kBlankHigh = [] {
    THigh row;
    row.Chars.fill(u' ');
    return row;
}();
constexpr THigh kRoman8High = Chars(
    u"\u00A0ÀÂÈÊËÎÏ´`ˆ¨˜ÙÛ£¯Ýý°ÇçÑñ¡¿¤£¥§ƒ¢âêôûáéóúàèòùäëöüÅîØÆåíøæÄìÖÜÉïßÔÁÃãÐðÍÌÓÒÕõŠšÚŸÿÞþ·µ¶¾—¼½ªº«■»± ");
constexpr THigh kPc8High = Chars(
    u"áíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0");
constexpr THigh kPc850High = Chars(u"áíóúñÑªº¿®¬½¼¡«»░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐└┴┬├─┼ãÃ╚╔╩╦╠═╬¤ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀ÓßÔÒõÕµþ"
                                   u"ÞÚÛÙýÝ¯´\u00AD±‗¾¶§÷¸°¨·¹³²■\u00A0");
constexpr THigh kWindows1250High = Chars(u"\u00A0ˇ˘Ł¤Ą¦§¨©Ş«¬\u00AD®Ż°±˛ł´µ¶·¸ąş»Ľ˝ľżŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖ×"
                                         u"ŘŮÚŰÜÝŢßŕáâăäĺćçčéęëěíîďđńňóôőö÷řůúűüýţ˙");
// Math-8's and PS Math's pieces of large brackets, integrals and radicals are the Unicode
// bracket, integral and radical pieces, or the nearest lines.
constexpr THigh kMath8High = Chars(
    u"\u00A0↑→↓←⇑⇒⇓⇐↕↔⇕⇔⇄⇆⇀‾∀∃⊤⊥∪∩∈∋∉⊂⊃⊄⊅⊆⊇⊕⊙⊗⊖⊘∧∨⊻¬∘∙•●○†‡Å⊣⊢∟∍∫∮∠∅ℵℶℷℭℑℜℨ⎡⎣⎧⎨⎩⌠⎮⌡╲‖⎷╱─═∗≅⎤⎦⎫⎬⎭⎪∣√⌉⟩⌋╲⟨∓± ");
constexpr THigh kPsMathHigh = Chars(
    u" ϒ′≤⁄∞ƒ♣♦♥♠↔←↑→↓°±″≥×∝∂•÷≠≡≈…⏐─↵ℵℑℜ℘⊗⊕∅∩∪⊃⊇⊄⊂⊆∈∉∠∇®©™∏√⋅¬∧∨⇔⇐⇑⇒⇓◊⟨®©™∑⎛⎜⎝⎡⎢⎣⎧⎨⎩⎪€⟩∫⌠⎮⌡⎞⎟⎠⎤⎥⎦⎫⎬⎭ ");

// A set: its codes 32 .. 127, 128 .. 159 (none: control codes) and 160 .. 255. A 7-bit set
// prints nothing in its upper half but moves on there, as for an empty code.
struct TSymbolSet {
    uint16_t Value;
    const TLow* Low;
    const TC1* C1;
    const THigh* High;
};

constexpr std::array<TSymbolSet, 11> kSets = {{
    {symbolset::kIso6, &kAsciiLow, nullptr, &kBlankHigh},
    {symbolset::kIsoLatin1, &kAsciiLow, nullptr, &kLatin1High},
    {symbolset::kLegal, &kLegalLow, nullptr, &kBlankHigh},
    {symbolset::kPsMath, &kPsMathLow, nullptr, &kPsMathHigh},
    {symbolset::kMath8, &kMath8Low, nullptr, &kMath8High},
    {symbolset::kRoman8, &kAsciiLow, nullptr, &kRoman8High},
    {symbolset::kWindowsLatin2, &kAsciiLow, &kWindows1250C1, &kWindows1250High},
    {symbolset::kPc8, &kPcLow, &kPc8C1, &kPc8High},
    {symbolset::kPc850, &kPcLow, &kPc850C1, &kPc850High},
    {symbolset::kPiFont, &kPiLow, nullptr, &kBlankHigh},
    {symbolset::kWindowsLatin1, &kAsciiLow, &kWindows1252C1, &kLatin1High},
}};

const TSymbolSet* FindSet(uint16_t value) {
    for (const TSymbolSet& set : kSets)
        if (set.Value == value)
            return &set;
    return nullptr;
}

uint32_t CharIn(const TSymbolSet& set, uint8_t byte) {
    if (byte < 32)
        return 0;
    if (byte < 128)
        return (*set.Low)[byte - 32];
    if (byte < 160)
        return set.C1 ? (*set.C1)[byte - 128] : 0;
    return (*set.High)[byte - 160];
}

} // namespace

uint16_t SymbolSetValue(int64_t number, char letter) {
    if (number < 0 || number > 1023)
        number = 0;
    if (letter < '@' || letter > '^')
        letter = '@';
    return uint16_t(number * 32 + (letter - '@'));
}

bool KnownSymbolSet(uint16_t symbolSet) {
    return FindSet(symbolSet) != nullptr;
}

uint32_t SymbolSetChar(uint16_t symbolSet, uint8_t byte) {
    if (const TSymbolSet* set = FindSet(symbolSet))
        return CharIn(*set, byte);
    if (byte < 32)
        return 0;
    const uint32_t ch = WindowsCodePoint(byte);
    return ch ? ch : ' ';
}

int WindowsByte(uint32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch < 0x100))
        return int(ch);
    for (int byte = 0x80; byte < 0xA0; ++byte)
        if (WindowsCodePoint(uint8_t(byte)) == ch)
            return byte;
    return -1;
}

} // namespace pg
