#pragma once
// Driver printing (print format 1): the job is split into pages by the PCL interpreter, each page
// rendered with the print flag to a 300-dpi bitmap, made monochrome and drawn through QPrinter
// with the page's paper size, duplex and orientation, at its true size from the corner of the
// printer's printable area.
//
// A CUPS destination name prints through Qt's CUPS support. An IPP address (no CUPS server
// needed) and a PDF file name print through QPrinter's PDF output; for an address the PDF is
// then sent to the printer as "application/pdf" by the same path as the raw send.

#include "PrinterOutput.h"

#include <QImage>

#include <string>
#include <string_view>

class QPrinter;

namespace pg {

class TPageBitmap;

// Sends job to printerName (a CUPS destination or an IPP address). Errors of a page show
// "GDI Printer error: " + printer name + LF + the reason and the next page is still tried; a job
// without pages aborts the document. Answers whether a document was finished and handed over.
bool DriverSend(std::string_view job, const std::string& printerName, const std::string& documentName);

// The same drawing into a PDF file instead of a printer whose physical margins are given (none:
// the page starts at the sheet's corner). Answers the number of pages drawn (0 when the job had
// none or the file could not be written).
int DriverPrintToPdf(std::string_view job, const std::string& pdfFileName, const std::string& documentName,
                     const TPrinterMargins& margins = {});

// Installs DriverSend as the driver sender of SendJob.
void InstallDriverSender();

// Set driver paper: letter for a letter paper name, else legal; long-edge duplex or simplex;
// landscape when the orientation text is "LANDSCAPE" in any case, else portrait (an empty
// orientation leaves it as it is). Answers whether the printer took the layout.
bool SetDriverPaper(QPrinter& printer, const std::string& paper, bool duplex, const std::string& orientation);

// The monochrome copy of a page bitmap: pixels whose palette colour is dark become black.
QImage MonochromeImage(const TPageBitmap& bitmap);

} // namespace pg
