#pragma once
// PDF conversion as the program runs it: the job's PCL goes to a work file, our converter
// program pcl2pdf (found beside the running executable) is copied to the work folder under
// the name "PCL2PDF" and run on it as a process of its own, and its output becomes the target.
// Work files: "Tmp.pcl" and its output "Tmp.PDF"; all three work files are removed afterwards.
//
// Messages go through the prompt seam. The wait for the converter calls the caller's event
// pump between checks, so that a window stays alive while it runs.

#include "Process.h" // TEventPump

#include <string>
#include <string_view>
#include <vector>

namespace pg {

// The converter program beside the running executable ("pcl2pdf").
std::string ConverterBesideExecutable();

// Copies the converter program to folder + "PCL2PDF" (executable). The copy's path, or empty
// text after the message "Can not create temporary files in " ... when it cannot be written.
std::string ExtractConverter(const std::string& converter, const std::string& folder);

// The converter's command line as a text: each part quoted, then "-Legal -MM".
std::string ConverterCommandLine(const std::vector<std::string>& argv);

struct TPdfConversion {
    std::string Converter;  // the program to copy and run (ConverterBesideExecutable())
    std::string WorkFolder; // where the work files go, ending in "/"
    TEventPump Pump;        // called while the converter runs (a window's pump waits for events)
};

// Converts the PCL to a PDF at target. The target is replaced only by a complete PDF (written
// beside it and renamed over it); when the converter cannot be copied or started, ends with a
// failure or writes nothing, the user is told and an earlier file of that name stays as it was.
// Answers whether target now holds the PDF.
bool ConvertPCLStringToPDF(std::string_view pcl, const std::string& target, const TPdfConversion& conversion);

} // namespace pg
