// Printer output: description texts, the current printer, the document-format choice, and raw
// sends to a real IPP printer (ippeveprinter) reached by its address.

#include "IppTestPrinter.h"
#include "PrinterOutput.h"
#include "Prompt.h"

#include "TestTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pg {
namespace {

using test::ReadWholeFile;
using test::TIppTestPrinter;

std::vector<TPrinterInfo> SamplePrinters() {
    return {
        {"Office Laser", "HP LaserJet 4250", "Room 12", "socket://10.0.0.5:9100", false},
        {"\\\\printsrv\\Accounting", "", "  ", "", false},
        {"Shared Copier", "", "Second floor", "\\\\copysrv\\copier1", true},
        {"Office Laser Legal", "", "", "usb://HP/LaserJet", false},
    };
}

TEST(PrinterDescription, TextsFromNamePortAndLocation) {
    const std::vector<TPrinterInfo> printers = SamplePrinters();
    // Plain queue: name, " on ", the device URI as the port, then the location. A network name:
    // the text after its last backslash and the server; a blank location adds nothing. A network
    // port: the name and the port's server. The first printer whose name contains the given one
    // wins. No match: the name (network names rewritten) and " is Unavailable".
    test::ExpectEach([&](const std::string& name) { return PrinterDescription(printers, name); },
                     {{"Office Laser", "Office Laser on socket://10.0.0.5:9100 located in Room 12"},
                      {"\\\\printsrv\\Accounting", "Accounting on printsrv"},
                      {"Shared Copier", "Shared Copier on copysrv located in Second floor"},
                      {"Legal", "Office Laser Legal on usb://HP/LaserJet"},
                      {"Office", "Office Laser on socket://10.0.0.5:9100 located in Room 12"},
                      {"Plotter", "Plotter is Unavailable"},
                      {"\\\\oldsrv\\Gone", "Gone on oldsrv is Unavailable"}});
    EXPECT_EQ(PrinterDescription({}, "Office Laser"), "Office Laser is Unavailable");
}

TEST(PrinterOutput, DefaultAndCurrentPrinter) {
    std::vector<TPrinterInfo> printers = SamplePrinters();
    EXPECT_EQ(DefaultPrinterName(printers), "Shared Copier");
    printers[2].IsDefault = false;
    EXPECT_EQ(DefaultPrinterName(printers), "Office Laser");
    EXPECT_EQ(DefaultPrinterName({}), "");

    const TPrinterListQuery previous = SetPrinterListQuery([] { return SamplePrinters(); });
    const std::vector<TPrinterInfo> listed = EnumPrinters();
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[1].Name, "\\\\printsrv\\Accounting");
    EXPECT_EQ(PrinterDescription("Shared"), "Shared Copier on copysrv located in Second floor");
    SetCurrentPrinterName("ipp://localhost:631/ipp/print");
    EXPECT_EQ(CurrentPrinterName(), "ipp://localhost:631/ipp/print");
    SetPrinterListQuery(previous);

    test::ExpectEach<bool>(IsPrinterAddress, {{"ipp://host/ipp/print", true},
                                              {"IPPS://host/ipp/print", true},
                                              {"http://host:631/printers/office", true},
                                              {"Office Laser", false},
                                              {"ftp://host/", false}});
}

TEST(PrinterOutput, DocumentFormatChoice) {
    // A CUPS queue offers raw data, which goes first; a printer reached over IPP wants a real type.
    EXPECT_EQ(ChooseDocumentFormat({"application/pdf", "application/vnd.cups-raw", "application/vnd.hp-PCL"}),
              "application/vnd.cups-raw");
    EXPECT_EQ(ChooseDocumentFormat({"application/octet-stream", "application/vnd.hp-PCL"}),
              "application/vnd.hp-PCL");
    EXPECT_EQ(ChooseDocumentFormat({"application/pdf", "image/pwg-raster"}), "");
    EXPECT_EQ(ChooseDocumentFormat({}), "");
    EXPECT_EQ(NoPclFormatMessage("ipp://x/ipp/print"),
              "The printer ipp://x/ipp/print does not accept PCL (neither raw data nor "
              "application/vnd.hp-PCL).\nNothing was printed.");
}

// A job of every byte value, with ESC E at both ends, of the given length.
std::string JobBytes(size_t length) {
    std::string job = "\x1b"
                      "E";
    for (size_t i = 0; job.size() < length - 2; ++i)
        job.push_back(char(i * 7 % 256));
    return job + "\x1b"
                 "E";
}

TEST(PrinterOutput, RawSendReachesRealPrinter) {
    TIppTestPrinter printer("application/vnd.hp-PCL,application/pdf");
    ASSERT_EQ(printer.Error(), "");
    TRecordingPrompter prompts;
    std::vector<size_t> writes;
    const TWriteObserver previous = SetWriteObserver([&](size_t n) { writes.push_back(n); });

    const std::string job = JobBytes(40000);
    ASSERT_EQ(job.size(), 40000u);
    EXPECT_TRUE(SendJob(job, "  " + printer.Uri() + " ", "Pagellan-1234", kPrintFormatPclDirect));
    EXPECT_EQ(writes, (std::vector<size_t>{16384, 16384, 7232}));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    auto jobs = printer.WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(ReadWholeFile(jobs[0]), job);
    // ippeveprinter names the file after the job's name, lower-cased.
    EXPECT_NE(jobs[0].filename().string().find("pagellan-1234"), std::string::npos) << jobs[0];

    // The empty job of two resets is sent all the same, in one write.
    writes.clear();
    EXPECT_TRUE(SendRaw("\x1b"
                        "E\x1b"
                        "E",
                        printer.Uri(), "Pagellan-"));
    EXPECT_EQ(writes, (std::vector<size_t>{4}));
    jobs = printer.WaitForJobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(ReadWholeFile(jobs[1]), "\x1b"
                                      "E\x1b"
                                      "E");

    // A blank printer name and an unknown print format send nothing and say nothing.
    writes.clear();
    EXPECT_FALSE(SendRaw(job, "   ", "Pagellan-1"));
    EXPECT_FALSE(SendJob(job, printer.Uri(), "Pagellan-1", 2));
    EXPECT_TRUE(writes.empty());
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(printer.Jobs().size(), 2u);
    SetWriteObserver(previous);
}

TEST(PrinterOutput, RawSendRefusals) {
    TRecordingPrompter prompts;
    std::vector<size_t> writes;
    const TWriteObserver previous = SetWriteObserver([&](size_t n) { writes.push_back(n); });
    {
        // A printer that takes no PCL: a clear message, no job created.
        TIppTestPrinter pdfOnly("application/pdf");
        ASSERT_EQ(pdfOnly.Error(), "");
        EXPECT_FALSE(SendRaw(JobBytes(100), pdfOnly.Uri(), "Pagellan-7"));
        ASSERT_EQ(prompts.Entries().size(), 1u);
        EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::Error);
        EXPECT_EQ(prompts.Entries()[0].Text, NoPclFormatMessage(pdfOnly.Uri()));
        EXPECT_TRUE(writes.empty());
        EXPECT_TRUE(pdfOnly.WaitForJobs(1, 1000).empty());
    }
    // Nobody listens at the address: "Could not open printer : ", the name, a line feed and
    // CUPS's text; nothing is written.
    prompts.Clear();
    const std::string uri = "ipp://localhost:" + std::to_string(test::FreeLocalPort()) + "/ipp/print";
    EXPECT_FALSE(SendRaw(JobBytes(100), uri, "Pagellan-8"));
    ASSERT_EQ(prompts.Entries().size(), 1u);
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::Error);
    const std::string head = "Could not open printer : " + uri + "\n";
    EXPECT_EQ(prompts.Entries()[0].Text.substr(0, head.size()), head);
    EXPECT_GT(prompts.Entries()[0].Text.size(), head.size());
    EXPECT_TRUE(writes.empty());
    SetWriteObserver(previous);
}

} // namespace
} // namespace pg
