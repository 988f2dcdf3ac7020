// pcl2pdf: our PCL to PDF converter, run by the PDF conversion as a program of its own.
//   pcl2pdf INPUT OUTPUT [-Legal] [-MM]

#include "PclToPdf.h"

#include <iostream>

int main(int argc, char** argv) {
    std::string err;
    const int status = pg::RunPcl2Pdf(argc, argv, err);
    std::cerr << err;
    return status;
}
