#include "HLWStream.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <tuple>

using namespace pg;

namespace {
const std::string ESC = "\x1b";

std::string Text(const THLWMemorystream& s) {
    return std::string(s.View());
}

// A ZIP archive in memory: a folder entry first, then two files.
std::string MakeZip(std::time_t mtime) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &err);
    zip_t* za = zip_open_from_source(src, ZIP_TRUNCATE, &err);
    zip_source_keep(src);
    zip_dir_add(za, "forms/", 0);
    static const char first[] = "first entry data";
    static const char second[] = "second";
    zip_int64_t i1 =
        zip_file_add(za, "forms/FORM1.QDX", zip_source_buffer(za, first, sizeof first - 1, 0), 0);
    zip_file_add(za, "FORM2.QDX", zip_source_buffer(za, second, sizeof second - 1, 0), 0);
    zip_file_set_mtime(za, zip_uint64_t(i1), mtime, 0);
    zip_close(za);
    zip_source_open(src);
    zip_source_seek(src, 0, SEEK_END);
    zip_int64_t size = zip_source_tell(src);
    zip_source_seek(src, 0, SEEK_SET);
    std::string bytes(size_t(size), '\0');
    zip_source_read(src, bytes.data(), zip_uint64_t(size));
    zip_source_close(src);
    zip_source_free(src);
    zip_error_fini(&err);
    return bytes;
}
} // namespace

TEST(MemoryStream, PlainStreamOperations) {
    THLWMemorystream s;
    s.Write("hello");
    EXPECT_EQ(s.Position(), 5u);
    s.Seek(1);
    s.Write("EL");
    EXPECT_EQ(Text(s), "hELlo");
    s.Seek(3);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2u);
    EXPECT_EQ(std::string(buf), "lo");
    EXPECT_EQ(s.Read(buf, 8), 0u);
    s.SetSize(2);
    EXPECT_EQ(Text(s), "hE");
    EXPECT_EQ(s.Position(), 2u);
    s.Seek(4);
    s.Write("x"); // writing past the end grows with zero bytes
    EXPECT_EQ(s.View(), std::string_view("hE\0\0x", 5));
}

TEST(MemoryStream, TextAppendInsertAndPositions) {
    THLWMemorystream s;
    EXPECT_EQ(s.AsText(), "");
    s.AppendText("abc");
    s.AppendText("");
    EXPECT_EQ(s.Position(), 3u);
    s.InsertText("XY", 1);
    EXPECT_EQ(Text(s), "aXYbc");
    EXPECT_EQ(s.Position(), 0u);
    s.InsertText("", 2);
    EXPECT_EQ(Text(s), "aXYbc");
    s.InsertText("!", 99); // beyond the end: appended
    EXPECT_EQ(Text(s), "aXYbc!");

    THLWMemorystream other("123");
    other.Seek(2);
    s.AppendStream(other); // the whole source, from its start
    EXPECT_EQ(Text(s), "aXYbc!123");
    EXPECT_EQ(s.Position(), 0u);
    s.AppendStream(s);
    EXPECT_EQ(Text(s), "aXYbc!123aXYbc!123");
    s.Seek(5);
    EXPECT_EQ(s.AsText(), "aXYbc!123aXYbc!123");
    EXPECT_EQ(s.Position(), 0u);
}

TEST(MemoryStream, CutTruncateFindAndCopy) {
    THLWMemorystream s("0123456789");
    // 1-based: 4 keeps from the byte '3'; 1 keeps everything.
    for (const auto& [from, left] : {std::pair{4, "3456789"}, {1, "3456789"}, {50, ""}}) {
        s.CutHead(from);
        EXPECT_EQ(Text(s), left) << from;
    }

    THLWMemorystream big(std::string(70'000, 'x'));
    big.TruncateLast(big.Size());
    EXPECT_EQ(big.Size(), 69'999u);

    THLWMemorystream f("abcabcXabc");
    EXPECT_EQ(f.FindFrom("abc", 1), 1u);
    EXPECT_EQ(f.FindFrom("abc", 2), 3u); // found at 4, relative to 2
    EXPECT_EQ(f.FindFrom("X", 3), 5u);
    EXPECT_EQ(f.FindFrom("Q", 1), 0u);
    EXPECT_EQ(f.FindFrom("abc", 11), 0u); // past the end
    EXPECT_EQ(f.FindFrom("", 1), 0u);

    // A range running past the end is cut there; one starting past the end gives nothing.
    for (const auto& [from, count, text] : {std::tuple{3, 4, "abcX"}, {8, 100, "bc"}, {10, 5, ""}}) {
        auto part = f.CopyRange(from, count);
        ASSERT_TRUE(part) << from;
        EXPECT_EQ(Text(*part), text);
        EXPECT_EQ(part->Position(), 0u);
    }
    EXPECT_FALSE(f.CopyRange(11, 1));
}

TEST(MemoryStream, ReplaceAll) {
    // The scan continues after each replacement, so a replacement holding the pattern is not
    // replaced again.
    const struct {
        std::string in, from, to;
        size_t count;
        std::string out;
    } rows[] = {
        {ESC + "&l1l1h" + ESC + "&l1l1h", ESC + "&l1l1h", ESC + "&l1l", 2, ESC + "&l1l" + ESC + "&l1l"},
        {"aXa", "a", "aa", 2, "aaXaa"},
        {ESC + "Ebody" + ESC + "E", ESC + "E", "", 2, "body"},
        {"nothing", "zz", "y", 0, "nothing"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.in);
        THLWMemorystream s(r.in);
        EXPECT_EQ(s.ReplaceAll(r.from, r.to), r.count);
        EXPECT_EQ(Text(s), r.out);
        if (r.count) {
            EXPECT_EQ(s.Position(), s.Size());
        }
    }
}

TEST(MemoryStream, MacroMarkerTexts) {
    EXPECT_EQ(MacroSelect(10001), ESC + "&f10001Y");
    EXPECT_EQ(MacroBegin(10000), ESC + "&f10000Y" + ESC + "&f0X");
    EXPECT_EQ(MacroEnd(10000), ESC + "&f1X" + ESC + "&f10000Y" + ESC + "&f8X");
    EXPECT_EQ(MacroOpen(10001), ESC + "&f10001Y" + ESC + "&f0X" + ESC + "&f1X");
    EXPECT_EQ(MacroClose(10001), ESC + "&f10001Y" + ESC + "&f8X");
}

// Only the first definition is taken; letters match in either case (bit 0x20 ignored); a select
// without a delete after it stays.
TEST(MemoryStream, ExtractMacro) {
    const std::string macro = MacroBegin(10000) + "<FormList/>" + MacroEnd(10000);
    const std::string lower =
        ESC + "&f10000y" + ESC + "&f0xXML" + ESC + "&f1x" + ESC + "&f10000y" + ESC + "&f8x";
    const struct {
        std::string in, out, left;
    } rows[] = {{"plain data", "", "plain data"},
                {"", "", ""},
                {"head" + macro + "tail" + macro, macro, "headtail" + macro},
                {"a" + lower + "b", lower, "ab"},
                {"x" + MacroBegin(10000) + "data", "", "x" + MacroBegin(10000) + "data"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.in);
        THLWMemorystream s(r.in);
        std::string out = "stale";
        s.ExtractMacro(10000, out);
        EXPECT_EQ(out, r.out);
        EXPECT_EQ(Text(s), r.left);
    }
}

// The last marked part is kept and every marked part removed. A close marker before the next
// open marker ends the work; a marker formed across the joint of a removal is found again;
// other ids are left alone.
TEST(MemoryStream, ExtractMarked) {
    const std::string open = MacroOpen(10001), close = MacroClose(10001), half = open.substr(0, 6);
    const std::string other = MacroOpen(10003) + "fill" + MacroClose(10003);
    const struct {
        std::string in, out, left;
    } rows[] = {{"page" + open + "NOTE", "", "page" + open + "NOTE"},
                {"A" + open + "first" + close + "B" + open + "second" + close + "C", "second", "ABC"},
                {open + "1" + close + open + "2" + close + open + "3" + close, "3", ""},
                {open + "a" + close + close + open + "b" + close, "a", close + open + "b" + close},
                {half + open + "x" + close + open.substr(6) + "y" + close + "z", "y", "z"},
                {other, "", other}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.in);
        THLWMemorystream s(r.in);
        std::string out = "stale";
        s.ExtractMarked(10001, out);
        EXPECT_EQ(out, r.out);
        EXPECT_EQ(Text(s), r.left);
    }
}

TEST(MemoryStream, CompressAndDecompress) {
    std::string original;
    for (int i = 0; i < 5000; ++i)
        original += "Line " + std::to_string(i) + " of fill data\r\n";
    for (const std::string& bytes : {original, std::string(), std::string("\x00\x01\x02\xff", 4)}) {
        THLWMemorystream s(bytes);
        s.Compress();
        if (bytes == original) {
            EXPECT_LT(s.Size(), original.size() / 4);
            EXPECT_EQ(uint8_t(s.View()[0]), 0x78); // zlib header
            EXPECT_EQ(uint8_t(s.View()[1]), 0xDA); // level 9
        }
        s.Decompress();
        EXPECT_EQ(Text(s), bytes);
        EXPECT_EQ(s.Position(), 0u);
    }
    // Data that is not compressed is left as it is.
    THLWMemorystream plain("just some PCL text " + ESC + "E");
    plain.Decompress();
    EXPECT_EQ(Text(plain), "just some PCL text " + ESC + "E");
}

TEST(MemoryStream, UnzipFirstEntry) {
    std::tm when{};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 15;
    when.tm_hour = 10;
    when.tm_min = 30;
    when.tm_isdst = -1;
    std::time_t t = std::mktime(&when);
    THLWMemorystream s(MakeZip(t));
    std::string name;
    TDateTime date = -1;
    ASSERT_TRUE(s.UnzipFirstEntry(name, date));
    EXPECT_EQ(name, "forms/FORM1.QDX");
    EXPECT_EQ(Text(s), "first entry data");
    EXPECT_EQ(DateText(date), "03/15/2024");
    EXPECT_EQ(TimeText(date).substr(0, 5), "10:30");

    THLWMemorystream notZip("not a zip archive");
    EXPECT_FALSE(notZip.UnzipFirstEntry(name, date));
    EXPECT_EQ(Text(notZip), "not a zip archive");
}

TEST(MemoryStream, FilesRoundTrip) {
    auto path = std::filesystem::temp_directory_path() / "pagellan_stream_test.bin";
    THLWMemorystream s(std::string("\x1b"
                                   "E\x00\xfe.P",
                                   6));
    ASSERT_TRUE(s.SaveToFile(path.string()));
    THLWMemorystream back;
    ASSERT_TRUE(back.LoadFromFile(path.string()));
    EXPECT_EQ(back.View(), s.View());
    std::filesystem::remove(path);
    EXPECT_FALSE(back.LoadFromFile(path.string()));
    EXPECT_EQ(back.View(), s.View()); // a failed load keeps the content
}

TEST(DateTime, ZeroIsMidnightOfTheEpochDay) {
    for (const auto& [value, date, time] :
         {std::tuple{0.0, "12/30/1899", "00:00:00"}, std::tuple{45366.5, "03/15/2024", "12:00:00"}}) {
        EXPECT_EQ(DateText(value), date);
        EXPECT_EQ(TimeText(value), time);
    }
}
