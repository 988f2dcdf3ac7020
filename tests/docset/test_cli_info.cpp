// pagellan-cli info and convert, run as a program on packages the test writes; and the SHA-256
// and JSON helpers behind the report.

#include "DocSet.h"
#include "Json.h"
#include "PackageText.h"
#include "Quodex.h"
#include "Sha256.h"

#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/wait.h>
#include <utility>
#include <vector>

namespace pg::cli {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

TRun RunCli(const std::string& arguments) {
    const fs::path errFile = fs::temp_directory_path() / ("cli-info-err-" + std::to_string(getpid()));
    const test::TCommandRun out = test::RunCommand(std::string("'") + PAGELLAN_CLI + "' " + arguments +
                                                   " 2>'" + errFile.string() + "'");
    TRun run{out.Status, out.Out, test::ReadWholeFile(errFile)};
    fs::remove(errFile);
    return run;
}

TEST(CliHelpers, Sha256KnownVectors) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Lengths around the block boundary, where the padding takes one or two blocks.
    EXPECT_EQ(Sha256Hex(std::string(55, 'x')),
              "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072");
    EXPECT_EQ(Sha256Hex(std::string(56, 'x')),
              "04c26261370ee7541549d16dee320c723e3fd14671e66a099afe0a377c16888e");
    EXPECT_EQ(Sha256Hex(std::string(64, 'x')),
              "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c");
}

TEST(CliHelpers, JsonTextsAndNesting) {
    EXPECT_EQ(PackageTextToUtf8("Caf\xE9 \xFF"), "Caf\xC3\xA9 \xC3\xBF");
    EXPECT_EQ(JsonString("a\"b\\c\r\n\t\x01\xFD"), "\"a\\\"b\\\\c\\r\\n\\t\\u0001\xC3\xBD\"");
    TJsonWriter json;
    json.BeginObject();
    json.Member("n", int32_t(-5));
    json.Member("b", false);
    json.Key("list");
    json.StringArray({"x", "y"});
    json.Key("empty");
    json.BeginArray();
    json.EndArray();
    json.Key("objects");
    json.BeginArray();
    json.BeginObject();
    json.EndObject();
    json.BeginObject();
    json.Member("s", "t");
    json.EndObject();
    json.EndArray();
    json.EndObject();
    EXPECT_EQ(json.Text(), R"({"n":-5,"b":false,"list":["x","y"],"empty":[],"objects":[{},{"s":"t"}]})");
}

// One form of one page whose fill is "abc": its checksum is the one of "abc" (-899311408) and its
// fingerprints are the published SHA-256 values of "abc" and of nothing.
std::string SmallPackage() {
    const std::string fd = "\xFD";
    const std::string display = "PLANCODE;P1\r\n1" + fd + "N.DOT" + fd + "Caf\xE9" + fd + "2" + fd + "1" +
                                fd + "1" + fd + "LTR" + fd + "Ann" + fd + "N" + fd + "Y" + fd + "N" + fd +
                                "Y" + fd + "\r\n";
    const std::string notes = "5" + fd + "6" + fd + "say \"hi\"\r\n";
    return "VERSION,2;WS,7;FROM,Jos\xE9;CANANNOTATE,Y:PCL,7.DSP,1," + std::to_string(display.size()) +
           ";PCL,F7.012," + std::to_string(display.size() + 1) + ",3;PCL,A7.011," +
           std::to_string(display.size() + 4) + "," + std::to_string(notes.size()) + ";PCL,.err," +
           std::to_string(display.size() + 4 + notes.size()) + ",4:" + display + "abc" + notes + "late";
}

TEST(CliInfo, JsonReport) {
    test::TTempFolder folder("cli-info");
    const std::string file = folder.File("small.qdx", SmallPackage());
    const TRun run = RunCli("info '" + file + "' --json");
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::string expected =
        R"({"set":{"Version":"2","CreatedBy":"","WorksheetNumber":"7","FromName":"Jos)"
        "\xC3\xA9"
        R"(","LenderName":"","LenderNumber":"","PlanCode":"P1","PackageType":"","CanAnnotate":true,)"
        R"("HasBarcodeFormula":false,"UsingEmbeddedOrder":false,"Reordered":false,"StackingOrder":[],)"
        R"("MissingForms":[],"BorrowerNames":["Ann"],"Errors":[{"Text":"late"}],)"
        R"("FormListXml":["No XML data available"]},)"
        R"("forms":[{"Number":1,"Name":"N.DOT","Description":"Caf)"
        "\xC3\xA9"
        R"(","BorrowerNumber":2,"BorrowerName":"Ann","Type":"","PageSize":"LTR","Duplexable":false,)"
        R"("Processed":false,"Deleted":true,"Format":7,"Checksum":-899311408,)"
        R"("Pages":[{"PageNumber":1,"ForceToFront":false,"TemplateName":"","FillSize":3,"TemplateSize":0,)"
        R"("FillSHA256":"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",)"
        R"("TemplateSHA256":"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",)"
        R"("Annotations":[{"XPosition":5,"YPosition":6,"Content":"say \"hi\"","UserId":"","Date":"",)"
        R"("Time":"","Source":"Client"}]}]}]})"
        "\n";
    EXPECT_EQ(run.Out, expected);

    const TRun summary = RunCli("info '" + file + "'");
    EXPECT_EQ(summary.Status, 0);
    EXPECT_THAT(summary.Out, HasSubstr("Worksheet:       7\n"));
    EXPECT_THAT(summary.Out, HasSubstr("N.DOT  \"Caf\xC3\xA9\""));
    EXPECT_THAT(summary.Out, HasSubstr("Error: late\n"));
}

// The JSON lists the forms as the package holds them, each with the number --form and
// --selected take, which counts in the tree's order: the plan's stacking order the package
// carries puts Y first.
TEST(CliInfo, JsonFormsCarryTheirNumbers) {
    TDocSet set;
    set.WorksheetNumber = "9";
    set.PlanCode = "P9";
    for (const auto& [name, borrower] : {std::pair{"X.LSR", 1}, {"Y.LSR", 1}, {"X.LSR", 2}}) {
        auto form = std::make_unique<TDocSetForm>(name, std::string("Form ") + name, borrower, "", "LTR",
                                                  false, false, false);
        form->AddPage(std::make_unique<TDocSetPage>(1, "", false, "", 0, std::string("<") + name + ">"));
        set.AddForm(std::move(form));
    }
    test::TTempFolder folder("cli-info");
    // The plan's order as a Quodex package carries it: an entry "PLANCODE.ORD" after the others.
    const std::string built = TQuodex::BuildQuodex(set, TSaveMode::All, true, false);
    const size_t colon = built.find(':', built.find(':') + 1); // after the header and the entries
    const std::string data = built.substr(colon + 1), order = "P9\xFDY.LSR\r\n";
    const std::string file = folder.File("three.qdx", built.substr(0, colon) + ";PCL,PLANCODE.ORD," +
                                                          std::to_string(data.size() + 1) + "," +
                                                          std::to_string(order.size()) + ":" + data + order);
    const TRun run = RunCli("info '" + file + "' --json");
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::vector<std::string> forms;
    for (size_t at = run.Out.find("{\"Number\":"); at != std::string::npos;
         at = run.Out.find("{\"Number\":", at + 1)) {
        const size_t borrower = run.Out.find("\"BorrowerNumber\":", at);
        forms.push_back(run.Out.substr(at + 10, run.Out.find(',', at) - at - 10) + " " +
                        run.Out.substr(run.Out.find("\"Name\":\"", at) + 8, 5) + " " +
                        run.Out.substr(borrower + 17, 1));
    }
    EXPECT_EQ(forms, (std::vector<std::string>{"2 X.LSR 1", "1 Y.LSR 1", "3 X.LSR 2"}));
    // The summary numbers the forms the same way.
    const TRun summary = RunCli("info '" + file + "'");
    EXPECT_THAT(summary.Out, HasSubstr("  1. Y.LSR"));
}

TEST(CliInfo, BadFilesAndConvert) {
    test::TTempFolder folder("cli-info");
    TRun run = RunCli("info '" + folder.File("bad.qdx", "no separators") + "' --json");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_THAT(run.Err, HasSubstr("Invalid Quodex format 1"));
    run = RunCli("info '" + folder.Path("absent.qdx") + "'");
    EXPECT_EQ(run.Status, 1);
    // No display list: the report shows an empty package, and stderr and the status say it is
    // damaged.
    run = RunCli("info '" + folder.File("nodsp.qdx", "WS,1::") + "' --json");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Err, HasSubstr("Invalid DSP file"));
    EXPECT_THAT(run.Err,
                HasSubstr("is damaged: the display list 1.DSP is missing; the package holds no forms"));
    EXPECT_THAT(run.Out, HasSubstr(R"("forms":[]})"));

    // convert writes a package that reads back as the same report (the ".err" text is not
    // part of the written format).
    const std::string in = folder.File("small.qdx", SmallPackage());
    const std::string out = folder.Path("out.qdx");
    run = RunCli("convert '" + in + "' '" + out + "' --lock-annotations");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const TRun original = RunCli("info '" + in + "' --json");
    const TRun converted = RunCli("info '" + out + "' --json");
    std::string expected = original.Out;
    expected.replace(expected.find(R"({"Text":"late"})"), 15, "");
    expected.replace(expected.find(R"("CanAnnotate":true)"), 18, R"("CanAnnotate":false)");
    EXPECT_EQ(converted.Out, expected);

    // Deleted forms left out; a bad mode is refused; an impossible target fails with status 1.
    run = RunCli("convert '" + in + "' '" + out + "' --no-deleted");
    ASSERT_EQ(run.Status, 0);
    EXPECT_NE(RunCli("info '" + out + "' --json").Out.find(R"("forms":[]})"), std::string::npos);
    EXPECT_EQ(RunCli("convert '" + in + "' '" + out + "' --mode some").Status, 2);
    run = RunCli("convert '" + in + "' '" + folder.Path("none/x.qdx") + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Err, HasSubstr("Error saving to "));
}

// Each program loads only the libraries of its commands (the dynamic loader lists them without
// running the program): pagellan-cli neither Qt nor CUPS nor libzip's libcrypto, the settings
// commands' program QtCore but no Gui and no CUPS; the help still lists every command.
TEST(CliPrograms, LoadOnlyWhatTheirCommandsNeed) {
    const fs::path cli = PAGELLAN_CLI;
    auto libraries = [](const fs::path& program) {
        return test::RunCommand("LD_TRACE_LOADED_OBJECTS=1 '" + program.string() + "'").Out;
    };
    const std::string own = libraries(cli);
    ASSERT_NE(own.find("libc.so"), std::string::npos) << own;
    for (const char* heavy : {"libQt6", "libcups", "libcrypto", "libzip", "libcairo"})
        EXPECT_THAT(own, Not(HasSubstr(heavy)));
    const fs::path settings = cli.parent_path() / "pagellan-cli-settings";
    if (fs::exists(settings)) {
        const std::string libs = libraries(settings);
        EXPECT_THAT(libs, HasSubstr("libQt6Core"));
        for (const char* heavy : {"libQt6Gui", "libQt6Widgets", "libcups"})
            EXPECT_THAT(libs, Not(HasSubstr(heavy)));
    }
    const TRun help = RunCli("--help");
    for (const char* command : {"info ", "render ", "job ", "pdf ", "settings ", "printers ", "print "})
        EXPECT_THAT(help.Out, HasSubstr(std::string("  ") + command));
    // A command of another program is handed over with its arguments and its exit status.
    const TRun job = RunCli("job");
    EXPECT_EQ(job.Status, 2);
    EXPECT_THAT(job.Err, HasSubstr("usage: pagellan-cli job PACKAGE"));
}

} // namespace
} // namespace pg::cli
