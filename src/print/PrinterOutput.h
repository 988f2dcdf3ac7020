#pragma once
// Printer output: the machine's printers as CUPS lists them, the description text the printer
// dialog shows for each, the process-wide current printer, and sending a finished print job.
// A job goes out raw (print format 0, the job's PCL bytes unchanged) through libcups, or
// rendered through the printer driver (print format 1), which needs Qt and is installed by the
// UI-side library with SetDriverSender.
//
// A printer is named by its CUPS destination name ("name" or "name/instance") or by an IPP
// address ("ipp://host:port/ipp/print"); an address is reached directly, so printing works
// with and without a CUPS server.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

// The two print formats of the setting "PrintType".
inline constexpr int kPrintFormatPclDirect = 0;
inline constexpr int kPrintFormatGdiDriver = 1;

// One printer of the printer list, with the CUPS attributes its description is built from.
struct TPrinterInfo {
    std::string Name;      // destination name, "name/instance" for an instance
    std::string Info;      // "printer-info"
    std::string Location;  // "printer-location"
    std::string DeviceURI; // "device-uri"; for a printer known only by address, its "printer-uri-supported"
    bool IsDefault = false;
};

// The printers in the order CUPS lists them: the queues set up on this system and the network
// printers CUPS discovers (cupsEnumDests); empty without either.
std::vector<TPrinterInfo> EnumPrinters();

// Replaces the printer list (tests, and the CLI's own listing); an empty function restores
// the CUPS list. Answers the previous one.
using TPrinterListQuery = std::function<std::vector<TPrinterInfo>()>;
TPrinterListQuery SetPrinterListQuery(TPrinterListQuery query);

// The display text of the printer whose name contains name (the first one of the list):
//   a network name (two consecutive backslashes): the text after its last backslash, " on ",
//   and the server (the text after the first two characters up to the next backslash);
//   else a port (device URI) with two consecutive backslashes: the name, " on ", the server of
//   the port; else the name, " on ", the port;
//   then " located in " and the location when it is not blank.
// Without a match: the name (rewritten as a network name when it is one) + " is Unavailable".
std::string PrinterDescription(const std::vector<TPrinterInfo>& printers, const std::string& name);
// The same over EnumPrinters().
std::string PrinterDescription(const std::string& name);

// The CUPS default destination of the list, else its first printer, else empty.
std::string DefaultPrinterName(const std::vector<TPrinterInfo>& printers);

// The process-wide current printer. Until one is chosen it is the printer stored as "UsePrinter"
// when that is an address or a destination the system still has, else the CUPS default
// destination (or the first printer); empty when there is none. Any name may be set, also a
// printer address; setting an empty name forgets the choice.
std::string CurrentPrinterName();
void SetCurrentPrinterName(const std::string& name);

// The document format to send PCL in, given the printer's "document-format-supported":
// the raw format ("application/vnd.cups-raw") when offered, else "application/vnd.hp-PCL",
// else empty (the printer does not take PCL).
std::string ChooseDocumentFormat(const std::vector<std::string>& supported);

// The message shown when a printer takes neither format; nothing is sent then.
std::string NoPclFormatMessage(const std::string& printerName);

// Sends job to printerName with the document name in the print format (0 raw, 1 driver); any
// other format sends nothing. Errors are shown through the prompt seam. Answers whether the
// whole job was handed over.
bool SendJob(std::string_view job, const std::string& printerName, const std::string& documentName,
             int printFormat);

// Raw send: the job's bytes unchanged, in writes of at most kRawWriteSize bytes. A blank printer
// name sends nothing. Messages: "Could not open printer : " + name + LF + CUPS's error text when
// the printer cannot be reached; "StartDocPrinter: " + text when the job or document cannot be
// started (a created job is cancelled then); "SendStream to Printer,WritePrinter: " + text when a
// write fails; "EndDocPrinter: " + text when the document cannot be finished.
inline constexpr size_t kRawWriteSize = 16384;
bool SendRaw(std::string_view job, const std::string& printerName, const std::string& documentName);

// Sends a finished document of the given MIME type (the driver path's rendered pages) the same
// way as the raw send: same reachability, messages and write size; the printer must list
// documentFormat as supported. sides is an IPP "sides" value or empty for the printer's default.
bool SendDocument(std::string_view document, const std::string& printerName, const std::string& documentName,
                  const std::string& documentFormat, const std::string& sides = {});

// Observes the size of every write to the printer (tests check the write rule with it); an empty
// function removes it. Answers the previous one.
using TWriteObserver = std::function<void(size_t bytes)>;
TWriteObserver SetWriteObserver(TWriteObserver observer);

// Driver send (print format 1), installed by the UI-side printing library; without one a driver
// send shows an error and sends nothing. Answers the previous one.
using TDriverSender = std::function<bool(std::string_view job, const std::string& printerName,
                                         const std::string& documentName)>;
TDriverSender SetDriverSender(TDriverSender sender);

// True when name is a printer address (ipp://, ipps:// or http://; IPP runs over HTTP, so an
// http address is reached as an ipp one) rather than a CUPS destination name.
bool IsPrinterAddress(std::string_view name);

// The edges of the sheet a printer cannot print on, in hundredths of a millimetre.
struct TPrinterMargins {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};
// The margins the printer announces ("media-left-margin-supported" and the others; of several
// values the smallest that is not 0, since 0 is its borderless choice). False, without a message,
// when the printer cannot be reached or announces none.
bool QueryPrinterMargins(const std::string& printerName, TPrinterMargins& margins);

} // namespace pg
