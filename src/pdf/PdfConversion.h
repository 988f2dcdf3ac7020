#pragma once
// PDF conversion as the program runs it: the job's PCL goes to a work file, our converter
// program pcl2pdf (found beside the running executable) is copied to the work folder under
// the name "PCL2PDF" and run on it as a process of its own, and its output becomes the target.
// Work files: "Tmp.pcl" and its output "Tmp.PDF", in a private work folder of the conversion's
// own (WorkFolder.h), so that conversions running side by side never meet; the folder goes with
// them when the conversion ends.
//
// Messages go through the prompt seam. The wait for the converter calls the caller's event
// pump between checks, so that a window stays alive while it runs.

#include "PdfFinish.h"
#include "Process.h" // TEventPump

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pg {

// The converter program beside the running executable ("pcl2pdf").
std::string ConverterBesideExecutable();

// Puts the converter program at folder + "PCL2PDF": a link to it, or where the folder takes
// no links an executable copy. That path, or empty text after the message "Can not create
// temporary files in " ... when it cannot be written.
std::string ExtractConverter(const std::string& converter, const std::string& folder);

// The converter's command line as a text: each part quoted, then "-Legal -MM".
std::string ConverterCommandLine(const std::vector<std::string>& argv);

// Whether the converter can be copied into a work folder; the message of ExtractConverter is
// shown when it cannot. The copy goes again at once.
bool ConverterCanBeExtracted(const std::string& converter);

struct TPdfConversion {
    TPdfConversion(std::string converter = {}, TEventPump pump = {}, TPdfFinish finish = {})
        : Converter(std::move(converter)), Pump(std::move(pump)), Finish(std::move(finish)) {}

    std::string Converter; // the program to copy and run (ConverterBesideExecutable())
    TEventPump Pump;       // called while the converter runs (a window's pump waits for events)
    // Outline, properties and linearisation, given to the converter's PDF here (FinishPdf).
    TPdfFinish Finish;
};

// Converts the PCL to a PDF at target. The target is replaced only by a complete PDF (written
// beside it and renamed over it); when the converter cannot be copied or started, ends with a
// failure or writes nothing, the user is told and an earlier file of that name stays as it was.
// Answers whether target now holds the PDF.
bool ConvertPCLStringToPDF(std::string_view pcl, const std::string& target, const TPdfConversion& conversion);

} // namespace pg
