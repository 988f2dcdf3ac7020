#pragma once
// A real IPP printer for tests: ippeveprinter on a free port of localhost, with a private D-Bus
// system bus (it will not start without one) and a spool folder that keeps every job's file.
// Both processes are stopped and the folder removed when the object goes.

#include "TestFiles.h"
#include "TestNet.h"

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace pg::test {

class TIppTestPrinter {
public:
    // formats: the document formats it accepts ("application/vnd.hp-PCL,application/pdf").
    // attributes: further printer attributes in ippeveprinter's file syntax, one "ATTR" line
    // each ("ATTR integer media-left-margin-supported 635"); with them the printer announces
    // only what the file and ippeveprinter's required attributes say.
    explicit TIppTestPrinter(const std::string& formats, const std::string& attributes = {});
    ~TIppTestPrinter();
    TIppTestPrinter(const TIppTestPrinter&) = delete;
    TIppTestPrinter& operator=(const TIppTestPrinter&) = delete;

    // Empty when it is running, else why it is not.
    const std::string& Error() const { return error_; }
    // "ipp://localhost:PORT/ipp/print".
    std::string Uri() const;
    // Waits (bounded) until count job files are in the spool folder and no longer grow; answers
    // them sorted by name (ippeveprinter names them by job id).
    std::vector<std::filesystem::path> WaitForJobs(size_t count, int timeoutMs = 20000) const;
    // The job files present now.
    std::vector<std::filesystem::path> Jobs() const;

private:
    bool Start(const std::string& formats, const std::string& attributes);
    void Stop();

    std::filesystem::path dir_;
    pid_t dbus_ = -1;
    pid_t printer_ = -1;
    int port_ = 0;
    std::string error_;
};

} // namespace pg::test
