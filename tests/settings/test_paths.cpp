#include "Paths.h"
#include "Prompt.h"
#include "WorkFolder.h"

#include "TestFiles.h"
#include "TestTables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pg {
namespace {

using test::ExpectEach;
using test::TRows;
using TTexts = std::vector<std::string>;

// A fresh temporary folder; "/" gives the path of a name in it as text.
struct TTempDir : test::TTempFolder {
    TTempDir() : TTempFolder("pg-paths") {}
    std::string Path() const { return TTempFolder::Path().string(); } // without a trailing "/"
    std::string operator/(const std::string& name) const { return Path() + "/" + name; }
};

// Sets (or with nullopt removes) an environment variable and restores it afterwards.
class TScopedEnv {
public:
    TScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        Set(value);
    }
    ~TScopedEnv() { Set(old_); }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(name_.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    std::string name_;
    std::optional<std::string> old_;
};

TEnvLookup EnvOf(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const std::string& name) {
        auto it = vars.find(name);
        return it == vars.end() ? std::string() : it->second;
    };
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}
mode_t ModeOf(const std::string& path) {
    return StatOf(path).st_mode & 07777;
}

void SetMTime(const std::string& path, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

size_t EntryCount(const std::string& folder) {
    return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(Paths, TempFolderDecision) {
    TTempDir a, b, c;
    const std::string missing = a / "no/such/folder";
    test::WriteWholeFile(a / "plain", "x");
    const std::pair<std::map<std::string, std::string>, std::string> rows[] = {
        // A writable TEMP wins; the folder gets its trailing separator; "\" is read as a separator.
        {{{"TEMP", a.Path()}, {"TMP", b.Path()}}, a.Path() + "/"},
        {{{"TEMP", a.Path() + "\\"}}, a.Path() + "/"},
        {{{"TEMP", a.Path() + "/"}}, a.Path() + "/"},
        // TEMP that cannot be written to (missing, or a plain file) falls back to TMP.
        {{{"TEMP", missing}, {"TMP", b.Path()}}, b.Path() + "/"},
        {{{"TEMP", a / "plain"}, {"TMP", b.Path()}}, b.Path() + "/"},
        // An empty TEMP is no folder at all.
        {{{"TEMP", ""}, {"TMP", b.Path()}}, b.Path() + "/"},
        // Neither usable: TMPDIR, then /tmp.
        {{{"TEMP", missing}, {"TMP", missing}, {"TMPDIR", c.Path()}}, c.Path() + "/"},
        {{{"TEMP", missing}, {"TMPDIR", missing}}, "/tmp/"},
        {{}, "/tmp/"}};
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(DecideTempFolder(EnvOf(rows[i].first)), rows[i].second) << "row " << i;
    // The probe leaves nothing behind.
    EXPECT_EQ(EntryCount(a.Path()), 1u);
    EXPECT_EQ(EntryCount(b.Path()), 0u);

    // Decided once: a later change of the environment does not move it.
    const std::string first = TempFolder();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.back(), '/');
    TScopedEnv temp("TEMP", c.Path());
    EXPECT_EQ(TempFolder(), first);
}

TEST(Paths, DataFolders) {
    // No (or a relative, hence invalid) XDG_DATA_HOME: the data home under HOME.
    const std::pair<std::map<std::string, std::string>, std::string> rows[] = {
        {{{"XDG_DATA_HOME", "/x/data"}, {"HOME", "/home/u"}}, "/x/data/Harlowen Inc/"},
        {{{"XDG_DATA_HOME", "/x/data/"}}, "/x/data/Harlowen Inc/"},
        {{{"HOME", "/home/u"}}, "/home/u/.local/share/Harlowen Inc/"},
        {{{"XDG_DATA_HOME", "rel/data"}, {"HOME", "/home/u/"}}, "/home/u/.local/share/Harlowen Inc/"}};
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(AppDataFolderFor(EnvOf(rows[i].first)), rows[i].second) << "row " << i;

    TTempDir t;
    TRecordingPrompter prompts;
    TScopedEnv xdg("XDG_DATA_HOME", t / "deep/data");
    EXPECT_EQ(AppDataFolder(), t / "deep/data/Harlowen Inc/");
    EXPECT_TRUE(fs::is_directory(t / "deep/data/Harlowen Inc"));
    EXPECT_EQ(ApplicationName(), "Pagellan");
    // Recomputed on every call, under the current name: a removed folder comes back.
    for (const char* name : {"Pagellan", "Other", "Pagellan"}) {
        SetApplicationName(name);
        fs::remove_all(t / "deep");
        EXPECT_EQ(ProgramDataFolder(), t / "deep/data/Harlowen Inc/" + name + "/");
        EXPECT_TRUE(fs::is_directory(t / "deep/data/Harlowen Inc/" + name));
    }
    EXPECT_TRUE(prompts.Entries().empty());
}

TEST(Paths, ForceFoldersAndFolderChecks) {
    TTempDir t;
    TRecordingPrompter prompts;
    // Already there, "\" separators, no trailing separator: each makes the whole path.
    for (const auto& [path, made] : {std::pair{t / "a/b/c/", t / "a/b/c"},
                                     {t / "a/b/c/", t / "a/b/c"},
                                     {t.Path() + "\\a\\x\\y\\", t / "a/x/y"},
                                     {t / "last", t / "last"}}) {
        EXPECT_TRUE(ForceFolders(path)) << path;
        EXPECT_TRUE(fs::is_directory(made)) << path;
    }
    EXPECT_TRUE(prompts.Entries().empty());

    // A plain file in the way: one error message for the whole operation.
    test::WriteWholeFile(t / "file", "x");
    const std::string blocked = t / "file/sub/deeper/";
    EXPECT_FALSE(ForceFolders(blocked));
    ASSERT_EQ(prompts.Entries().size(), 1u);
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::Error);
    const std::string& text = prompts.Entries()[0].Text;
    const std::string tail = "\nUnable to create folder: " + blocked;
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(test::ReadWholeFile(t / "file"), "x");

    const TRows<bool> folders = {{t.Path(), true},    {t.Path() + "/", true}, {t.Path() + "\\a\\b\\", true},
                                 {t / "file", false}, {t / "missing", false}, {"", false}};
    ExpectEach(FolderExists, folders);
    ExpectEach<bool>(FileExists, {{t / "file", true}, {t / "a", false}});

    // The write probe must not touch a user's file, whatever its name.
    test::WriteWholeFile(t / "x.tmp", "keep");
    ExpectEach<bool>(CanWriteTo, {{t.Path() + "/", true}, {t.Path(), true}});
    EXPECT_EQ(test::ReadWholeFile(t / "x.tmp"), "keep");
    ExpectEach<bool>(CanWriteTo, {{t / "missing/", false}, {t / "file/", false}});
    EXPECT_EQ(EntryCount(t.Path()), 4u); // a, last, file, x.tmp
}

TEST(Paths, ResolvePathJoinsAndMovesUp) {
    TRecordingPrompter prompts;
    // Relative paths join the base and move up, never above the root (a relative base stays
    // relative); absolute paths are taken as they are.
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"/A/B", "..\\..\\LENDER\\XFER", "/LENDER/XFER"},
        {"/A/B", "../../LENDER/XFER", "/LENDER/XFER"},
        {"\\A\\B\\", "..\\..\\LENDER\\XFER", "/LENDER/XFER"},
        {"/A/B", "..\\C", "/A/C"},
        {"/A", "../../../X", "/X"},
        {"A/B", "../C", "A/C"},
        {"/A/B/C", "..\\..\\", "/A/"},
        {"/A", "LSR", "/A/LSR"},
        {"/A/", "LSR", "/A/LSR"},
        {"\\A", "SUB\\LSR", "/A/SUB/LSR"},
        {"", "LSR", "LSR"},
        {"/A", "/X/Y", "/X/Y"},
        {"/A", "\\X\\Y", "/X/Y"},
        {"/A", "C:\\X", "C:/X"}};
    for (const auto& [base, path, expected] : rows)
        EXPECT_EQ(ResolvePath(base, path, false, false), expected) << base << " + " << path;
    EXPECT_TRUE(prompts.Entries().empty());
}

TEST(Paths, ResolvePathWarnings) {
    TRecordingPrompter prompts;
    const std::string tail = " is not a legal DOS (8.3) filename. Errors may occur";
    EXPECT_EQ(ResolvePath("/A", "LONGFILENAME.PCL", true, false), "/A/LONGFILENAME.PCL");
    EXPECT_EQ(prompts.Texts(), TTexts{"LONGFILENAME.PCL" + tail});
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::Warning);
    // One row per call: base, name, whether 8.3 is checked, the message (none: empty).
    const std::tuple<std::string, std::string, bool, std::string> rows[] = {
        {"/A", "FORM.PCL", true, ""},
        {"/A", "FORM", true, ""},
        {"/A", "12345678.123", true, ""},
        {"/A", "FORM.TEXT", true, "FORM.TEXT" + tail},
        // Two bad components: one message with one line each.
        {"\\LONGFOLDERNAME", "X\\LONGFILENAME.PCL", true,
         "LONGFOLDERNAME" + tail + "\nLONGFILENAME.PCL" + tail},
        // Without the check nothing is said.
        {"/A", "LONGFILENAME.PCL", false, ""}};
    for (const auto& [base, path, check83, message] : rows) {
        prompts.Clear();
        ResolvePath(base, path, check83, false);
        EXPECT_EQ(prompts.Texts(), message.empty() ? TTexts{} : TTexts{message}) << path;
    }

    TTempDir t;
    test::WriteWholeFile(t / "F.PCL", "x");
    fs::create_directory(t / "SUB");
    prompts.Clear();
    ResolvePath(t.Path(), "F.PCL", false, true);
    ResolvePath(t.Path(), "SUB\\", false, true);
    EXPECT_TRUE(prompts.Entries().empty());
    ResolvePath(t.Path(), "G.PCL", false, true);
    ResolvePath(t.Path(), "NONE\\", false, true);
    ResolvePath(t.Path(), "SUB", false, true); // a folder where a file is expected
    EXPECT_EQ(prompts.Texts(), (TTexts{"CAUTION: File " + t / "G.PCL" + " not found",
                                       "CAUTION: Directory " + t / "NONE/" + " not found",
                                       "CAUTION: File " + t / "SUB" + " not found"}));
}

TEST(Paths, ClearReadOnly) {
    TTempDir t;
    TRecordingPrompter prompts;
    const std::string f = t.File("doc.qdx", "x");
    ::chmod(f.c_str(), 0644);
    EXPECT_FALSE(ClearReadOnly(f, true));
    EXPECT_FALSE(ClearReadOnly(t / "missing.qdx", true));
    EXPECT_TRUE(prompts.Entries().empty());

    ::chmod(f.c_str(), 0444);
    EXPECT_TRUE(ClearReadOnly(f, false)); // no question without ask
    EXPECT_TRUE(prompts.Entries().empty());

    const std::string question = f + " is marked as Read-Only.  Reset it so you can save modifications?";
    prompts.QueueAnswer(PromptAnswer::No);
    EXPECT_TRUE(ClearReadOnly(f, true));
    EXPECT_EQ(ModeOf(f), 0444u);
    prompts.QueueAnswer(PromptAnswer::Yes);
    EXPECT_FALSE(ClearReadOnly(f, true));
    EXPECT_EQ(ModeOf(f), 0644u);
    ASSERT_EQ(prompts.Texts(), (TTexts{question, question}));
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::YesNo);
}

TEST(Paths, TextHelpers) {
    // A file name has at most 64 characters.
    const TRows<> names = {{"a/b\\c:d.zip", "d.zip"}, {"plain.pcl", "plain.pcl"}, {"dir/", ""}};
    ExpectEach(FileNamePart, names);
    EXPECT_EQ(FileNamePart("/x/" + std::string(70, 'n')), std::string(64, 'n'));
    const TRows<> folders = {
        {"a/b/c.pcl", "a/b"}, {"a\\b\\c.pcl", "a\\b"}, {"C:\\x.pcl", "C:\\"}, {"/x.pcl", "/"},
        {"x", "x"},           {"xy.pcl", ""},          {"C:x.pcl", "C"}};
    ExpectEach(FolderPart, folders);
    const TRows<> extensions = {{"form.pcl", "pcl"}, {"page.html", "htm"}, {"a.b.QDX", "QDX"},
                                {"noext", ""},       {"dir.d/noext", ""},  {"C:\\Loans.2024\\PKG", ""}};
    ExpectEach(ExtensionPart, extensions);
    // The new extension is used as it stands, a leading "." included.
    const std::tuple<const char*, const char*, const char*> forced[] = {
        {"a.pcl", "pdf", "a.pdf"}, {"a", "pdf", "a.pdf"},       {"a.b.c", "x", "a.b.x"},
        {"a.", "CFG", "a.CFG"},    {"a.pcl", ".pdf", "a..pdf"}, {"a", ".pdf", "a..pdf"}};
    for (const auto& [path, ext, expected] : forced)
        EXPECT_EQ(ForceExtension(path, ext), expected) << path << " " << ext;
    // Only a "." in the file name counts.
    EXPECT_EQ(ForceExtension("/opt/pg.d/pagellan", "CFG"), "/opt/pg.d/pagellan.CFG");
    EXPECT_EQ(ForceExtension("C:\\Loans.2024\\PKG", "TSN"), "C:\\Loans.2024\\PKG.TSN");
    ExpectEach(IncludeSlash, {{"", ""}, {"a", "a/"}, {"a/", "a/"}, {"a\\", "a\\"}});
    EXPECT_EQ(NativePath("a\\b/c\\"), "a/b/c/");
    const TRows<> encoded = {
        {"a b/c", "a+b%2Fc"}, {"AZaz09_", "AZaz09_"}, {"x@y.com&\xE9-", "x%40y%2Ecom%26%E9%2D"}, {"", ""}};
    ExpectEach(FormEncode, encoded);
}

TEST(Paths, CopyFileKeepsBytesAndDate) {
    TTempDir t;
    TRecordingPrompter prompts;
    const std::string bytes("PK\0\x01\xFF tail", 10);
    const std::string src = t.File("src.qdx", bytes);
    SetMTime(src, 981173106, 500); // 2001-02-03
    EXPECT_TRUE(CopyFile(src, t / "dst.qdx"));
    EXPECT_EQ(test::ReadWholeFile(t / "dst.qdx"), bytes);
    EXPECT_EQ(StatOf(t / "dst.qdx").st_mtim.tv_sec, 981173106);
    EXPECT_EQ(StatOf(t / "dst.qdx").st_mtim.tv_nsec, 500);

    // An existing destination is replaced; "\" separators work.
    test::WriteWholeFile(t / "old.qdx", "older and longer content");
    EXPECT_TRUE(CopyFile(src, t.Path() + "\\old.qdx"));
    EXPECT_EQ(test::ReadWholeFile(t / "old.qdx"), bytes);

    // Names that differ only in case and blanks are the same file: nothing is copied.
    EXPECT_FALSE(CopyFile(src, t.Path() + "/SRC.QDX "));
    EXPECT_FALSE(fs::exists(t / "SRC.QDX"));
    EXPECT_FALSE(CopyFile(" " + src, src));
    EXPECT_EQ(test::ReadWholeFile(src), bytes);
    EXPECT_TRUE(prompts.Entries().empty());

    // Errors are shown and answer false; no destination appears.
    EXPECT_FALSE(CopyFile(t / "missing", t / "out"));
    EXPECT_FALSE(fs::exists(t / "out"));
    EXPECT_FALSE(CopyFile(src, t / "nofolder/out"));
    ASSERT_EQ(prompts.Entries().size(), 2u);
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::Error);
    EXPECT_EQ(prompts.Entries()[0].Text.rfind("Cannot open file \"" + t / "missing" + "\". ", 0), 0u);
    EXPECT_EQ(prompts.Entries()[1].Text.rfind("Cannot create file \"" + t / "nofolder/out" + "\". ", 0), 0u);
    EXPECT_EQ(EntryCount(t.Path()), 3u); // src, dst, old: no temporary files left

    test::WriteWholeFile(t / "other", "o");
    EXPECT_TRUE(CopyFileDate(src, t / "other"));
    EXPECT_EQ(StatOf(t / "other").st_mtim.tv_sec, 981173106);
    EXPECT_FALSE(CopyFileDate(t / "missing", t / "other"));
}

TEST(Paths, DeleteFilesByMask) {
    const std::tuple<const char*, const char*, bool> masks[] = {
        {"form.tmp", "*.tmp", true}, {"FORM.TMP", "*.tmp", true}, {"form.tmpx", "*.tmp", false},
        {"f1.x", "f?.x", true},      {"f12.x", "f?.x", false},    {"f.x", "f?.x", false},
        {"noext", "*.*", true},      {"a.b.c", "a*c", true},      {"", "?", false}};
    for (const auto& [name, mask, matches] : masks)
        EXPECT_EQ(MatchesMask(name, mask), matches) << name << " " << mask;
    EXPECT_TRUE(MatchesMask("PG_12_QuodexCRCs.xml", "PG_*_QuodexCRCs.XML"));

    TTempDir t;
    for (const char* name : {"a.tmp", "B.TMP", "c.pcl", "f1.x", "f12.x"})
        test::WriteWholeFile(t / name, "x");
    fs::create_directory(t / "d.tmp");
    test::WriteWholeFile(t / "d.tmp/inner.tmp", "x");

    EXPECT_EQ(DeleteFiles(t / "*.tmp"), 2);
    EXPECT_FALSE(fs::exists(t / "a.tmp"));
    EXPECT_FALSE(fs::exists(t / "B.TMP"));
    EXPECT_TRUE(fs::exists(t / "c.pcl"));
    EXPECT_TRUE(fs::exists(t / "d.tmp/inner.tmp")); // folders are neither deleted nor entered

    EXPECT_EQ(DeleteFiles(t.Path() + "\\f?.x"), 1);
    EXPECT_FALSE(fs::exists(t / "f1.x"));
    EXPECT_TRUE(fs::exists(t / "f12.x"));
    EXPECT_EQ(DeleteFiles(t / "missing/*.*"), 0);
    EXPECT_EQ(DeleteFiles(t / "*.*"), 2);
    EXPECT_EQ(EntryCount(t.Path()), 1u); // only the folder d.tmp
}

TEST(Paths, FileSizeAndTextFiles) {
    TTempDir t;
    const std::string f = t / "log.txt";
    EXPECT_EQ(FileSizeOf(f), -1);
    EXPECT_TRUE(WriteTextFile("hello", f, true)); // append to a missing file creates it
    EXPECT_EQ(test::ReadWholeFile(f), "hello");
    EXPECT_EQ(FileSizeOf(f), 5);
    EXPECT_TRUE(WriteTextFile(" world", f, true));
    EXPECT_EQ(test::ReadWholeFile(f), "hello world");
    EXPECT_TRUE(WriteTextFile("new", t.Path() + "\\log.txt", false));
    EXPECT_EQ(test::ReadWholeFile(f), "new");
    EXPECT_TRUE(WriteTextFile("", f, false));
    EXPECT_EQ(FileSizeOf(f), 0);
    EXPECT_EQ(FileSizeOf(t.Path()), -1);
    for (bool append : {false, true})
        EXPECT_FALSE(WriteTextFile("x", t / "nofolder/log.txt", append)) << append;
    EXPECT_EQ(EntryCount(t.Path()), 1u);
}

TEST(Paths, AtomicWriteFile) {
    TTempDir t;
    const std::string f = t / "history.xml";
    EXPECT_TRUE(AtomicWriteFile(f, "first"));
    EXPECT_EQ(test::ReadWholeFile(f), "first");
    ::chmod(f.c_str(), 0640);
    const std::string big(1 << 20, 'z');
    EXPECT_TRUE(AtomicWriteFile(f, big));
    EXPECT_EQ(test::ReadWholeFile(f), big);
    EXPECT_EQ(ModeOf(f), 0640u); // a replaced file keeps its permissions
    EXPECT_EQ(EntryCount(t.Path()), 1u);

    // Through a link: the linked file gets the bytes, the link stays a link.
    fs::create_symlink(f, t / "link.xml");
    EXPECT_TRUE(AtomicWriteFile(t / "link.xml", "via link"));
    EXPECT_TRUE(fs::is_symlink(t / "link.xml"));
    EXPECT_EQ(test::ReadWholeFile(f), "via link");
    fs::remove(t / "link.xml");
    EXPECT_TRUE(AtomicWriteFile(f, big));

    // The folder does not exist: nothing is created anywhere.
    EXPECT_FALSE(AtomicWriteFile(t / "nofolder/x.xml", "data"));
    EXPECT_FALSE(fs::exists(t / "nofolder"));
    // The target is a non-empty folder: the rename fails; folder and content stay as they were.
    fs::create_directory(t / "busy");
    test::WriteWholeFile(t / "busy/keep", "keep");
    EXPECT_FALSE(AtomicWriteFile(t / "busy", "data"));
    EXPECT_TRUE(fs::is_directory(t / "busy"));
    EXPECT_EQ(test::ReadWholeFile(t / "busy/keep"), "keep");
    EXPECT_FALSE(AtomicWriteFile(t.Path() + "/", "data")); // a folder name, no file name
    EXPECT_EQ(EntryCount(t.Path()), 2u);                   // history.xml and busy: no temporary file left
    EXPECT_EQ(test::ReadWholeFile(f), big);
}

// In a sticky folder that every user may write to, a link is followed only when it is ours:
// another user's link there names a file of ours to be overwritten.
TEST(Paths, AtomicWriteRefusesAnotherUsersLinkInASharedFolder) {
    TTempDir t;
    const std::string shared = t / "shared", own = t / "own.txt";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    test::WriteWholeFile(own, "own");
    fs::create_symlink(own, shared + "/mine");
    EXPECT_TRUE(AtomicWriteFile(shared + "/mine", "through our link"));
    EXPECT_EQ(test::ReadWholeFile(own), "through our link");
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can plant a link as another user";
    fs::create_symlink(own, shared + "/planted");
    ASSERT_EQ(::lchown((shared + "/planted").c_str(), 65534, 65534), 0);
    std::string error;
    EXPECT_FALSE(AtomicWriteFile(shared + "/planted", "planted", error));
    EXPECT_EQ(error, "a link stands where " + shared + "/planted should be written; it is not followed");
    EXPECT_FALSE(WriteTextFile("planted", shared + "/planted", false));
    EXPECT_TRUE(fs::is_symlink(shared + "/planted"));
    EXPECT_EQ(test::ReadWholeFile(own), "through our link");
    EXPECT_EQ(EntryCount(shared), 2u);
    // The same link in a folder only its owner may write to is the owner's choice: followed.
    ::chmod(shared.c_str(), 0755);
    EXPECT_TRUE(AtomicWriteFile(shared + "/planted", "owner's folder"));
    EXPECT_EQ(test::ReadWholeFile(own), "owner's folder");
}

// Where work folders are made: the runtime folder, else the cache folder's "pagellan", each only
// when nobody else may enter it, else the temporary folder.
TEST(WorkFolder, BaseDecision) {
    TTempDir t;
    const std::string runtime = t / "runtime", open = t / "open", tmp = t / "tmp", plain = t / "plain";
    fs::create_directories(runtime);
    fs::create_directories(tmp);
    ::chmod(runtime.c_str(), 0700);
    fs::create_directories(open);
    ::chmod(open.c_str(), 0755);
    test::WriteWholeFile(plain, "");
    // Caches prepared for the rows below.
    const std::string shared = t / "shared-cache", planted = t / "planted-cache", loose = t / "loose-cache";
    fs::create_directories(shared);
    ::chmod(shared.c_str(), 0777);
    fs::create_directories(planted);
    fs::create_directory_symlink(open, planted + "/pagellan");
    fs::create_directories(loose + "/pagellan");
    ::chmod((loose + "/pagellan").c_str(), 0755);
    struct Row {
        const char* name;
        std::map<std::string, std::string> env;
        std::string base;
    };
    const Row rows[] = {
        {"private runtime folder",
         {{"XDG_RUNTIME_DIR", runtime}, {"XDG_CACHE_HOME", t / "c1"}},
         runtime + "/"},
        {"runtime folder others may enter",
         {{"XDG_RUNTIME_DIR", open}, {"XDG_CACHE_HOME", t / "c2"}},
         t / "c2/pagellan/"},
        {"relative runtime folder",
         {{"XDG_RUNTIME_DIR", "runtime"}, {"XDG_CACHE_HOME", t / "c3"}},
         t / "c3/pagellan/"},
        {"cache under HOME",
         {{"XDG_CACHE_HOME", "relative"}, {"HOME", t / "home"}},
         t / "home/.cache/pagellan/"},
        {"cache others may write to", {{"XDG_CACHE_HOME", shared}, {"TEMP", tmp}}, tmp + "/"},
        {"a link planted as our cache folder", {{"XDG_CACHE_HOME", planted}, {"TEMP", tmp}}, tmp + "/"},
        {"our cache folder left open", {{"XDG_CACHE_HOME", loose}, {"TEMP", tmp}}, loose + "/pagellan/"},
        {"no cache folder can be made", {{"XDG_CACHE_HOME", plain + "/cache"}, {"TEMP", tmp}}, tmp + "/"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(WorkFolderBaseFor(EnvOf(r.env)), r.base);
        if (r.base != tmp + "/") {
            EXPECT_EQ(ModeOf(r.base), 0700u);
        }
    }
    EXPECT_EQ(ModeOf(t / "home/.cache"), 0700u);
    EXPECT_EQ(ModeOf(open), 0755u);
    EXPECT_TRUE(fs::is_empty(open));
}

TEST(WorkFolder, PrivateAndGoneWithTheOperation) {
    TTempDir t;
    TScopedEnv runtime("XDG_RUNTIME_DIR", t.Path());
    const std::string victim = t / "own.txt";
    test::WriteWholeFile(victim, "own");
    std::string first, second;
    {
        TWorkFolder a("pg-op"), b("pg-op");
        ASSERT_TRUE(a.Made());
        ASSERT_TRUE(b.Made());
        first = a.Path();
        second = b.Path();
        EXPECT_NE(first, second);
        EXPECT_EQ(first.rfind(t / "pg-op-", 0), 0u);
        EXPECT_EQ(first.back(), '/');
        EXPECT_EQ(ModeOf(first), 0700u);
        // Files are the user's alone, whatever the umask says.
        EXPECT_TRUE(AtomicWriteFile(a.File("Tmp.pcl"), "pcl"));
        EXPECT_EQ(ModeOf(a.File("Tmp.pcl")), 0600u);
        EXPECT_TRUE(InWorkFolder(a.File("Tmp.pcl")));
        EXPECT_FALSE(InWorkFolder(victim));
        // A link where a work file should be is refused, and what it points at stays.
        fs::create_symlink(victim, a.File("Tmp.PDF"));
        std::string error;
        EXPECT_FALSE(AtomicWriteFile(a.File("Tmp.PDF"), "pdf", error));
        EXPECT_EQ(error,
                  "a link stands where " + a.File("Tmp.PDF") + " should be written; it is not followed");
        EXPECT_FALSE(WriteTextFile("pdf", a.File("Tmp.PDF"), false));
        EXPECT_EQ(test::ReadWholeFile(victim), "own");
        b.Remove();
        EXPECT_FALSE(fs::exists(second));
        EXPECT_FALSE(b.Made());
        EXPECT_FALSE(InWorkFolder(second + "x"));
    }
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(InWorkFolder(first + "Tmp.pcl"));
    EXPECT_EQ(test::ReadWholeFile(victim), "own");
    EXPECT_EQ(EntryCount(t.Path()), 1u);
}

TEST(Paths, SystemAndUser) {
    EXPECT_EQ(FileVersionText(fs::read_symlink("/proc/self/exe").string()), "4.1.0.3");
    TTempDir t;
    ExpectEach(FileVersionText, {{t.File("other.exe", "x"), ""}, {t / "missing.exe", ""}, {"", ""}});

    const std::tuple<const char*, const char*, const char*> systems[] = {
        {"Linux", "6.1.0-18-amd64", "Linux 6.1"},
        {"Linux", "5.15.153.1-microsoft", "Linux 5.15"},
        {"Linux", "6", "Linux 6.0"},
        {"X", "", "X 0.0"}};
    for (const auto& [sysname, release, expected] : systems)
        EXPECT_EQ(SystemVersionText(sysname, release), expected) << release;
    utsname u{};
    ASSERT_EQ(::uname(&u), 0);
    EXPECT_EQ(WindowsVersionText(), SystemVersionText(u.sysname, u.release));
    EXPECT_TRUE(IsNtSixOrLater());
    EXPECT_EQ(BrowserVersionText(), "");

    const passwd* pw = getpwuid(geteuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(UserName(), pw->pw_name);
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    const std::string name = ComputerName();
    EXPECT_FALSE(name.empty());
    EXPECT_LE(name.size(), 15u);
    EXPECT_EQ(std::string(host).rfind(name, 0), 0u);
    EXPECT_EQ(name.find('.'), std::string::npos);
}

TEST(Paths, ModifierKeysComeFromTheHook) {
    EXPECT_FALSE(CtrlDown());
    EXPECT_FALSE(AltDown());
    EXPECT_FALSE(ShiftDown());
    TKeyStateHook previous = SetKeyStateHook([](TModifierKey k) { return k == TModifierKey::Ctrl; });
    EXPECT_FALSE(previous);
    EXPECT_TRUE(CtrlDown());
    EXPECT_FALSE(AltDown());
    SetKeyStateHook([](TModifierKey k) { return k != TModifierKey::Ctrl; });
    EXPECT_FALSE(CtrlDown());
    EXPECT_TRUE(AltDown());
    EXPECT_TRUE(ShiftDown());
    SetKeyStateHook(previous);
    EXPECT_FALSE(AltDown());
}

} // namespace
} // namespace pg
