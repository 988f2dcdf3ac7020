#include "Paths.h"
#include "Prompt.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pg {
namespace {

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class TTempDir {
public:
    TTempDir() {
        std::string t = "/tmp/pg-paths-XXXXXX";
        path_ = ::mkdtemp(t.data());
    }
    ~TTempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return path_; } // without a trailing "/"
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets (or with nullopt removes) an environment variable and restores it afterwards.
class TScopedEnv {
public:
    TScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        if (value)
            ::setenv(name_.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ~TScopedEnv() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

TEnvLookup EnvOf(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const std::string& name) {
        auto it = vars.find(name);
        return it == vars.end() ? std::string() : it->second;
    };
}

timespec MTime(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

void SetMTime(const std::string& path, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

size_t EntryCount(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

TEST(Paths, TempFolderDecision) {
    TTempDir a, b, c;
    const std::string missing = a / "no/such/folder";
    test::WriteWholeFile(a / "plain", "x");

    // A writable TEMP wins; the folder gets its trailing separator; "\" is read as a separator.
    EXPECT_EQ(DecideTempFolder(EnvOf({{"TEMP", a.Path()}, {"TMP", b.Path()}})), a.Path() + "/");
    EXPECT_EQ(DecideTempFolder(EnvOf({{"TEMP", a.Path() + "\\"}})), a.Path() + "/");
    EXPECT_EQ(DecideTempFolder(EnvOf({{"TEMP", a.Path() + "/"}})), a.Path() + "/");
    // TEMP that cannot be written to (missing, or a plain file) falls back to TMP.
    EXPECT_EQ(DecideTempFolder(EnvOf({{"TEMP", missing}, {"TMP", b.Path()}})), b.Path() + "/");
    EXPECT_EQ(DecideTempFolder(EnvOf({{"TEMP", a / "plain"}, {"TMP", b.Path()}})), b.Path() + "/");
    // An empty TEMP is no folder at all.
    EXPECT_EQ(DecideTempFolder(EnvOf({{"TEMP", ""}, {"TMP", b.Path()}})), b.Path() + "/");
    // Neither usable: TMPDIR, then /tmp.
    EXPECT_EQ(DecideTempFolder(EnvOf({{"TEMP", missing}, {"TMP", missing}, {"TMPDIR", c.Path()}})),
              c.Path() + "/");
    EXPECT_EQ(DecideTempFolder(EnvOf({{"TEMP", missing}, {"TMPDIR", missing}})), "/tmp/");
    EXPECT_EQ(DecideTempFolder(EnvOf({})), "/tmp/");
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
    EXPECT_EQ(AppDataFolderFor(EnvOf({{"XDG_DATA_HOME", "/x/data"}, {"HOME", "/home/u"}})),
              "/x/data/Harlowen Inc/");
    EXPECT_EQ(AppDataFolderFor(EnvOf({{"XDG_DATA_HOME", "/x/data/"}})), "/x/data/Harlowen Inc/");
    // No (or a relative, hence invalid) XDG_DATA_HOME: the data home under HOME.
    EXPECT_EQ(AppDataFolderFor(EnvOf({{"HOME", "/home/u"}})), "/home/u/.local/share/Harlowen Inc/");
    EXPECT_EQ(AppDataFolderFor(EnvOf({{"XDG_DATA_HOME", "rel/data"}, {"HOME", "/home/u/"}})),
              "/home/u/.local/share/Harlowen Inc/");

    TTempDir t;
    TRecordingPrompter prompts;
    TScopedEnv xdg("XDG_DATA_HOME", t / "deep/data");
    EXPECT_EQ(AppDataFolder(), t / "deep/data/Harlowen Inc/");
    EXPECT_TRUE(fs::is_directory(t / "deep/data/Harlowen Inc"));
    EXPECT_EQ(ApplicationName(), "Pagellan");
    EXPECT_EQ(ProgramDataFolder(), t / "deep/data/Harlowen Inc/Pagellan/");
    EXPECT_TRUE(fs::is_directory(t / "deep/data/Harlowen Inc/Pagellan"));
    SetApplicationName("Other");
    EXPECT_EQ(ProgramDataFolder(), t / "deep/data/Harlowen Inc/Other/");
    EXPECT_TRUE(fs::is_directory(t / "deep/data/Harlowen Inc/Other"));
    SetApplicationName("Pagellan");
    // Recomputed on every call: a removed folder comes back.
    fs::remove_all(t / "deep");
    EXPECT_EQ(ProgramDataFolder(), t / "deep/data/Harlowen Inc/Pagellan/");
    EXPECT_TRUE(fs::is_directory(t / "deep/data/Harlowen Inc/Pagellan"));
    EXPECT_TRUE(prompts.Entries().empty());
}

TEST(Paths, ForceFoldersAndFolderChecks) {
    TTempDir t;
    TRecordingPrompter prompts;
    EXPECT_TRUE(ForceFolders(t / "a/b/c/"));
    EXPECT_TRUE(fs::is_directory(t / "a/b/c"));
    EXPECT_TRUE(ForceFolders(t / "a/b/c/")); // already there
    EXPECT_TRUE(ForceFolders(t.Path() + "\\a\\x\\y\\"));
    EXPECT_TRUE(fs::is_directory(t / "a/x/y"));
    EXPECT_TRUE(ForceFolders(t / "last")); // no trailing separator: still the whole path
    EXPECT_TRUE(fs::is_directory(t / "last"));
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

    EXPECT_TRUE(FolderExists(t.Path()));
    EXPECT_TRUE(FolderExists(t.Path() + "/"));
    EXPECT_TRUE(FolderExists(t.Path() + "\\a\\b\\"));
    EXPECT_FALSE(FolderExists(t / "file"));
    EXPECT_FALSE(FolderExists(t / "missing"));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_TRUE(FileExists(t / "file"));
    EXPECT_FALSE(FileExists(t / "a"));

    // The write probe must not touch a user's file, whatever its name.
    test::WriteWholeFile(t / "x.tmp", "keep");
    EXPECT_TRUE(CanWriteTo(t.Path() + "/"));
    EXPECT_TRUE(CanWriteTo(t.Path()));
    EXPECT_EQ(test::ReadWholeFile(t / "x.tmp"), "keep");
    EXPECT_FALSE(CanWriteTo(t / "missing/"));
    EXPECT_FALSE(CanWriteTo(t / "file/"));
    EXPECT_EQ(EntryCount(t.Path()), 4u); // a, last, file, x.tmp
}

TEST(Paths, ResolvePathJoinsAndMovesUp) {
    TRecordingPrompter prompts;
    EXPECT_EQ(ResolvePath("/A/B", "..\\..\\LENDER\\XFER", false, false), "/LENDER/XFER");
    EXPECT_EQ(ResolvePath("/A/B", "../../LENDER/XFER", false, false), "/LENDER/XFER");
    EXPECT_EQ(ResolvePath("\\A\\B\\", "..\\..\\LENDER\\XFER", false, false), "/LENDER/XFER");
    EXPECT_EQ(ResolvePath("/A/B", "..\\C", false, false), "/A/C");
    EXPECT_EQ(ResolvePath("/A", "../../../X", false, false), "/X"); // not above the root
    EXPECT_EQ(ResolvePath("A/B", "../C", false, false), "A/C");     // a relative base stays relative
    EXPECT_EQ(ResolvePath("/A/B/C", "..\\..\\", false, false), "/A/");
    EXPECT_EQ(ResolvePath("/A", "LSR", false, false), "/A/LSR");
    EXPECT_EQ(ResolvePath("/A/", "LSR", false, false), "/A/LSR");
    EXPECT_EQ(ResolvePath("\\A", "SUB\\LSR", false, false), "/A/SUB/LSR");
    EXPECT_EQ(ResolvePath("", "LSR", false, false), "LSR");
    // Absolute paths are taken as they are.
    EXPECT_EQ(ResolvePath("/A", "/X/Y", false, false), "/X/Y");
    EXPECT_EQ(ResolvePath("/A", "\\X\\Y", false, false), "/X/Y");
    EXPECT_EQ(ResolvePath("/A", "C:\\X", false, false), "C:/X");
    EXPECT_TRUE(prompts.Entries().empty());
}

TEST(Paths, ResolvePathWarnings) {
    TRecordingPrompter prompts;
    const std::string tail = " is not a legal DOS (8.3) filename. Errors may occur";
    EXPECT_EQ(ResolvePath("/A", "LONGFILENAME.PCL", true, false), "/A/LONGFILENAME.PCL");
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"LONGFILENAME.PCL" + tail});
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::Warning);
    prompts.Clear();
    ResolvePath("/A", "FORM.PCL", true, false);
    ResolvePath("/A", "FORM", true, false);
    ResolvePath("/A", "12345678.123", true, false);
    EXPECT_TRUE(prompts.Entries().empty());
    ResolvePath("/A", "FORM.TEXT", true, false);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"FORM.TEXT" + tail});
    prompts.Clear();
    // Two bad components: one message with one line each.
    ResolvePath("\\LONGFOLDERNAME", "X\\LONGFILENAME.PCL", true, false);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"LONGFOLDERNAME" + tail + "\nLONGFILENAME.PCL" + tail});
    prompts.Clear();
    // Without the check nothing is said.
    ResolvePath("/A", "LONGFILENAME.PCL", false, false);
    EXPECT_TRUE(prompts.Entries().empty());

    TTempDir t;
    test::WriteWholeFile(t / "F.PCL", "x");
    fs::create_directory(t / "SUB");
    ResolvePath(t.Path(), "F.PCL", false, true);
    ResolvePath(t.Path(), "SUB\\", false, true);
    EXPECT_TRUE(prompts.Entries().empty());
    ResolvePath(t.Path(), "G.PCL", false, true);
    ResolvePath(t.Path(), "NONE\\", false, true);
    ResolvePath(t.Path(), "SUB", false, true); // a folder where a file is expected
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"CAUTION: File " + t / "G.PCL" + " not found",
                                                         "CAUTION: Directory " + t / "NONE/" + " not found",
                                                         "CAUTION: File " + t / "SUB" + " not found"}));
}

TEST(Paths, ClearReadOnly) {
    TTempDir t;
    TRecordingPrompter prompts;
    const std::string f = t / "doc.qdx";
    test::WriteWholeFile(f, "x");
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
    ASSERT_EQ(prompts.Entries().size(), 2u);
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::YesNo);
    EXPECT_EQ(prompts.Entries()[0].Text, question);
    EXPECT_EQ(prompts.Entries()[1].Text, question);
}

TEST(Paths, TextHelpers) {
    EXPECT_EQ(FileNamePart("a/b\\c:d.zip"), "d.zip");
    EXPECT_EQ(FileNamePart("plain.pcl"), "plain.pcl");
    EXPECT_EQ(FileNamePart("dir/"), "");
    const std::string seventy(70, 'n');
    EXPECT_EQ(FileNamePart("/x/" + seventy), std::string(64, 'n'));

    EXPECT_EQ(FolderPart("a/b/c.pcl"), "a/b");
    EXPECT_EQ(FolderPart("a\\b\\c.pcl"), "a\\b");
    EXPECT_EQ(FolderPart("C:\\x.pcl"), "C:\\");
    EXPECT_EQ(FolderPart("/x.pcl"), "/");
    EXPECT_EQ(FolderPart("x"), "x");
    EXPECT_EQ(FolderPart("xy.pcl"), "");
    EXPECT_EQ(FolderPart("C:x.pcl"), "C");

    EXPECT_EQ(ExtensionPart("form.pcl"), "pcl");
    EXPECT_EQ(ExtensionPart("page.html"), "htm");
    EXPECT_EQ(ExtensionPart("a.b.QDX"), "QDX");
    EXPECT_EQ(ExtensionPart("noext"), "");
    EXPECT_EQ(ExtensionPart("dir.d/noext"), "");
    EXPECT_EQ(ExtensionPart("C:\\Loans.2024\\PKG"), "");

    EXPECT_EQ(ForceExtension("a.pcl", "pdf"), "a.pdf");
    EXPECT_EQ(ForceExtension("a", "pdf"), "a.pdf");
    EXPECT_EQ(ForceExtension("a.b.c", "x"), "a.b.x");
    EXPECT_EQ(ForceExtension("a.", "CFG"), "a.CFG");
    EXPECT_EQ(ForceExtension("/opt/pg.d/pagellan", "CFG"), "/opt/pg.d/pagellan.CFG");
    EXPECT_EQ(ForceExtension("C:\\Loans.2024\\PKG", "TSN"), "C:\\Loans.2024\\PKG.TSN");
    // The new extension is used as it stands, a leading "." included.
    EXPECT_EQ(ForceExtension("a.pcl", ".pdf"), "a..pdf");
    EXPECT_EQ(ForceExtension("a", ".pdf"), "a..pdf");

    EXPECT_EQ(IncludeSlash(""), "");
    EXPECT_EQ(IncludeSlash("a"), "a/");
    EXPECT_EQ(IncludeSlash("a/"), "a/");
    EXPECT_EQ(IncludeSlash("a\\"), "a\\");
    EXPECT_EQ(NativePath("a\\b/c\\"), "a/b/c/");

    EXPECT_EQ(FormEncode("a b/c"), "a+b%2Fc");
    EXPECT_EQ(FormEncode("AZaz09_"), "AZaz09_");
    EXPECT_EQ(FormEncode("x@y.com&\xE9-"), "x%40y%2Ecom%26%E9%2D");
    EXPECT_EQ(FormEncode(""), "");
}

TEST(Paths, CopyFileKeepsBytesAndDate) {
    TTempDir t;
    TRecordingPrompter prompts;
    const std::string src = t / "src.qdx";
    const std::string bytes("PK\0\x01\xFF tail", 10);
    test::WriteWholeFile(src, bytes);
    SetMTime(src, 981173106, 500); // 2001-02-03
    EXPECT_TRUE(CopyFile(src, t / "dst.qdx"));
    EXPECT_EQ(test::ReadWholeFile(t / "dst.qdx"), bytes);
    EXPECT_EQ(MTime(t / "dst.qdx").tv_sec, 981173106);
    EXPECT_EQ(MTime(t / "dst.qdx").tv_nsec, 500);

    // An existing destination is replaced; "\" separators work.
    test::WriteWholeFile(t / "old.qdx", "older and longer content");
    EXPECT_TRUE(CopyFile(src, t.Path() + "\\old.qdx"));
    EXPECT_EQ(test::ReadWholeFile(t / "old.qdx"), bytes);

    // Names that differ only in case and blanks are the same file: nothing is copied.
    const std::string upper = t.Path() + "/SRC.QDX ";
    EXPECT_FALSE(CopyFile(src, upper));
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
    EXPECT_EQ(MTime(t / "other").tv_sec, 981173106);
    EXPECT_FALSE(CopyFileDate(t / "missing", t / "other"));
}

TEST(Paths, DeleteFilesByMask) {
    EXPECT_TRUE(MatchesMask("form.tmp", "*.tmp"));
    EXPECT_TRUE(MatchesMask("FORM.TMP", "*.tmp"));
    EXPECT_FALSE(MatchesMask("form.tmpx", "*.tmp"));
    EXPECT_TRUE(MatchesMask("f1.x", "f?.x"));
    EXPECT_FALSE(MatchesMask("f12.x", "f?.x"));
    EXPECT_FALSE(MatchesMask("f.x", "f?.x"));
    EXPECT_TRUE(MatchesMask("noext", "*.*"));
    EXPECT_TRUE(MatchesMask("a.b.c", "a*c"));
    EXPECT_TRUE(MatchesMask("PG_12_QuodexCRCs.xml", "PG_*_QuodexCRCs.XML"));
    EXPECT_FALSE(MatchesMask("", "?"));

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
    EXPECT_FALSE(WriteTextFile("x", t / "nofolder/log.txt", false));
    EXPECT_FALSE(WriteTextFile("x", t / "nofolder/log.txt", true));
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

TEST(Paths, SystemAndUser) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(FileVersionText(self), "4.1.0.3");
    TTempDir t;
    test::WriteWholeFile(t / "other.exe", "x");
    EXPECT_EQ(FileVersionText(t / "other.exe"), "");
    EXPECT_EQ(FileVersionText(t / "missing.exe"), "");
    EXPECT_EQ(FileVersionText(""), "");

    EXPECT_EQ(SystemVersionText("Linux", "6.1.0-18-amd64"), "Linux 6.1");
    EXPECT_EQ(SystemVersionText("Linux", "5.15.153.1-microsoft"), "Linux 5.15");
    EXPECT_EQ(SystemVersionText("Linux", "6"), "Linux 6.0");
    EXPECT_EQ(SystemVersionText("X", ""), "X 0.0");
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
