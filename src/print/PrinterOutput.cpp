#include "PrinterOutput.h"

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>

#include "PGRegistry.h"
#include "Prompt.h"
#include "Strings.h"
#include "Trace.h"

namespace pg {

namespace {

constexpr int kConnectTimeoutMs = 30000;

struct TOutputState {
    TPrinterListQuery ListQuery;
    TWriteObserver WriteObserver;
    TDriverSender DriverSender;
    std::string CurrentPrinter;
    bool CurrentChosen = false;
};

TOutputState& State() {
    static TOutputState state;
    return state;
}

std::string OptionText(const cups_dest_t& dest, const char* name) {
    const char* value = cupsGetOption(name, dest.num_options, dest.options);
    return value ? value : "";
}

TPrinterInfo InfoOf(const cups_dest_t& dest) {
    TPrinterInfo p;
    p.Name = dest.instance ? std::string(dest.name) + "/" + dest.instance : dest.name;
    p.Info = OptionText(dest, "printer-info");
    p.Location = OptionText(dest, "printer-location");
    p.DeviceURI = OptionText(dest, "device-uri");
    if (p.DeviceURI.empty())
        p.DeviceURI = OptionText(dest, "printer-uri-supported");
    p.IsDefault = dest.is_default != 0;
    return p;
}

// How long the list waits for network printers to answer (IPP Everywhere printers announced
// through DNS-SD, which CUPS prints to without a queue set up for them). The enumeration ends
// earlier once every announced printer has answered.
constexpr int kDiscoveryTimeoutMs = 2500;

// The queues set up on this system and the network printers CUPS discovers, in CUPS's order.
// A printer may be reported more than once while its answers come in; the last report counts.
std::vector<TPrinterInfo> CupsPrinterList() {
    std::vector<TPrinterInfo> printers;
    const auto collect = [](void* data, unsigned flags, cups_dest_t* dest) -> int {
        auto& list = *static_cast<std::vector<TPrinterInfo>*>(data);
        TPrinterInfo p = InfoOf(*dest);
        const auto same = std::find_if(list.begin(), list.end(),
                                       [&p](const TPrinterInfo& known) { return known.Name == p.Name; });
        if (flags & CUPS_DEST_FLAGS_REMOVED) {
            if (same != list.end())
                list.erase(same);
        } else if (same != list.end()) {
            *same = std::move(p);
        } else {
            list.push_back(std::move(p));
        }
        return 1;
    };
    cupsEnumDests(CUPS_DEST_FLAGS_NONE, kDiscoveryTimeoutMs, nullptr, 0, 0, collect, &printers);
    return printers;
}

// "\\server\share" -> "server".
std::string ServerOf(std::string_view networkName) {
    const std::string_view rest = networkName.size() > 2 ? networkName.substr(2) : std::string_view{};
    return std::string(rest.substr(0, rest.find('\\')));
}

// The address CUPS asks the printer with: IPP runs over HTTP, but a printer names itself by an
// ipp address and refuses requests for an http one. An http address without a port means 80.
std::string IppAddress(const std::string& address) {
    if (LowerCase(address.substr(0, 7)) != "http://")
        return address;
    const std::string rest = address.substr(7);
    const size_t pathStart = std::min(rest.find('/'), rest.size());
    std::string host = rest.substr(0, pathStart);
    // The port follows the host; an IPv6 host ("[::1]") holds colons of its own.
    const size_t bracket = host.rfind(']');
    if (host.find(':', bracket == std::string::npos ? 0 : bracket) == std::string::npos)
        host += ":80";
    return "ipp://" + host + rest.substr(pathStart);
}

// The printer by its destination name or, for an address, by the address itself.
cups_dest_t* FindDest(const std::string& name) {
    return IsPrinterAddress(name) ? cupsGetDestWithURI(nullptr, IppAddress(name).c_str())
                                  : cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
}

bool IsNetworkName(std::string_view name) {
    return name.find("\\\\") != std::string_view::npos;
}

// "\\server\printer" -> "printer on server".
std::string NetworkNameText(std::string_view name) {
    return std::string(name.substr(name.rfind('\\') + 1)) + " on " + ServerOf(name.substr(name.find("\\\\")));
}

std::string CupsErrorText() {
    const char* text = cupsLastErrorString();
    return text ? text : "";
}

// The pieces of one conversation with a printer, freed in reverse order.
struct TDestFree {
    void operator()(cups_dest_t* d) const { cupsFreeDests(1, d); }
};
struct TInfoFree {
    void operator()(cups_dinfo_t* i) const { cupsFreeDestInfo(i); }
};
struct THttpClose {
    void operator()(http_t* h) const { httpClose(h); }
};

struct TPrinterConnection {
    std::unique_ptr<cups_dest_t, TDestFree> Dest;
    std::unique_ptr<http_t, THttpClose> Http;
    std::unique_ptr<cups_dinfo_t, TInfoFree> Info;
};

// Finds and connects to the printer; shows "Could not open printer" and answers false when it
// cannot be reached.
bool OpenPrinter(const std::string& name, TPrinterConnection& c) {
    const bool address = IsPrinterAddress(name);
    c.Dest.reset(FindDest(name));
    if (c.Dest) {
        const unsigned flags = address ? CUPS_DEST_FLAGS_DEVICE : CUPS_DEST_FLAGS_NONE;
        c.Http.reset(
            cupsConnectDest(c.Dest.get(), flags, kConnectTimeoutMs, nullptr, nullptr, 0, nullptr, nullptr));
    }
    if (c.Http)
        c.Info.reset(cupsCopyDestInfo(c.Http.get(), c.Dest.get()));
    if (c.Info)
        return true;
    ShowError("Could not open printer : " + name + "\n" + CupsErrorText());
    return false;
}

std::vector<std::string> SupportedFormats(TPrinterConnection& c) {
    std::vector<std::string> formats;
    ipp_attribute_t* attr =
        cupsFindDestSupported(c.Http.get(), c.Dest.get(), c.Info.get(), "document-format");
    for (int i = 0; attr && i < ippGetCount(attr); ++i) {
        const char* f = ippGetString(attr, i, nullptr);
        if (f)
            formats.emplace_back(f);
    }
    return formats;
}

bool WriteDocument(TPrinterConnection& c, std::string_view document) {
    const TWriteObserver& observer = State().WriteObserver;
    for (size_t pos = 0; pos < document.size(); pos += kRawWriteSize) {
        const size_t n = std::min(kRawWriteSize, document.size() - pos);
        if (observer)
            observer(n);
        if (cupsWriteRequestData(c.Http.get(), document.data() + pos, n) != HTTP_STATUS_CONTINUE)
            return false;
    }
    return true;
}

constexpr std::chrono::milliseconds kBusyPrinterWait(10000);
constexpr std::chrono::milliseconds kBusyPrinterRetry(100);

// Creates the job, sends the document in one piece and finishes it. A job whose document cannot
// be started is cancelled so that no empty job stays queued.
bool SpoolDocument(TPrinterConnection& c, std::string_view document, const std::string& documentName,
                   const std::string& format, const std::string& sides) {
    cups_option_t* options = nullptr;
    int numOptions = 0;
    if (!sides.empty())
        numOptions = cupsAddOption(CUPS_SIDES, sides.c_str(), numOptions, &options);
    int jobId = 0;
    // A printer reached by its address takes one job at a time and answers "busy" while it still
    // prints the one before (a Vivaform page sent during the walk, say); the job is offered again
    // for a while before that counts as an error.
    ipp_status_t created = IPP_STATUS_ERROR_BUSY;
    const auto giveUp = std::chrono::steady_clock::now() + kBusyPrinterWait;
    while (true) {
        created = cupsCreateDestJob(c.Http.get(), c.Dest.get(), c.Info.get(), &jobId, documentName.c_str(),
                                    numOptions, options);
        if (created != IPP_STATUS_ERROR_BUSY || std::chrono::steady_clock::now() >= giveUp)
            break;
        std::this_thread::sleep_for(kBusyPrinterRetry);
    }
    cupsFreeOptions(numOptions, options);
    if (created > IPP_STATUS_OK_CONFLICTING || jobId <= 0) {
        ShowError("StartDocPrinter: " + CupsErrorText());
        return false;
    }
    if (cupsStartDestDocument(c.Http.get(), c.Dest.get(), c.Info.get(), jobId, documentName.c_str(),
                              format.c_str(), 0, nullptr, 1) != HTTP_STATUS_CONTINUE) {
        const std::string text = CupsErrorText();
        cupsCancelDestJob(c.Http.get(), c.Dest.get(), jobId);
        ShowError("StartDocPrinter: " + text);
        return false;
    }
    const bool written = WriteDocument(c, document);
    const std::string writeError = written ? std::string() : CupsErrorText();
    const ipp_status_t finished = cupsFinishDestDocument(c.Http.get(), c.Dest.get(), c.Info.get());
    if (!written) {
        ShowError("SendStream to Printer,WritePrinter: " + writeError);
        return false;
    }
    if (finished > IPP_STATUS_OK_CONFLICTING) {
        ShowError("EndDocPrinter: " + CupsErrorText());
        return false;
    }
    DebugMsg("PrinterOutput : job " + IntToStr(jobId) + " sent, " + IntToStr(int64_t(document.size())) +
             " bytes");
    return true;
}

} // namespace

bool IsPrinterAddress(std::string_view name) {
    const std::string lower = LowerCase(name.substr(0, 8));
    return lower.starts_with("ipp://") || lower.starts_with("ipps://") || lower.starts_with("http://");
}

std::vector<TPrinterInfo> EnumPrinters() {
    const TPrinterListQuery& query = State().ListQuery;
    return query ? query() : CupsPrinterList();
}

TPrinterListQuery SetPrinterListQuery(TPrinterListQuery query) {
    return std::exchange(State().ListQuery, std::move(query));
}

std::string PrinterDescription(const std::vector<TPrinterInfo>& printers, const std::string& name) {
    const auto it = std::find_if(printers.begin(), printers.end(), [&](const TPrinterInfo& p) {
        return p.Name.find(name) != std::string::npos;
    });
    if (it == printers.end())
        return (IsNetworkName(name) ? NetworkNameText(name) : name) + " is Unavailable";
    std::string text;
    if (IsNetworkName(it->Name))
        text = NetworkNameText(it->Name);
    else if (IsNetworkName(it->DeviceURI))
        text =
            it->Name + " on " + ServerOf(std::string_view(it->DeviceURI).substr(it->DeviceURI.find("\\\\")));
    else
        text = it->Name + " on " + it->DeviceURI;
    if (!Trim(it->Location).empty())
        text += " located in " + it->Location;
    return text;
}

std::string PrinterDescription(const std::string& name) {
    return PrinterDescription(EnumPrinters(), name);
}

std::string CurrentPrinterName() {
    TOutputState& s = State();
    if (s.CurrentChosen)
        return s.CurrentPrinter;
    // The printer chosen in an earlier run: an address always (it needs nothing set up on this
    // system), a destination while the system still has it.
    const std::vector<TPrinterInfo> printers = EnumPrinters();
    const std::string stored = Trim(PGRegistry::UsePrinter());
    if (IsPrinterAddress(stored) ||
        std::any_of(printers.begin(), printers.end(),
                    [&stored](const TPrinterInfo& p) { return p.Name == stored; }))
        return stored;
    return DefaultPrinterName(printers);
}

std::string DefaultPrinterName(const std::vector<TPrinterInfo>& printers) {
    const auto def =
        std::find_if(printers.begin(), printers.end(), [](const TPrinterInfo& p) { return p.IsDefault; });
    if (def != printers.end())
        return def->Name;
    return printers.empty() ? std::string() : printers.front().Name;
}

void SetCurrentPrinterName(const std::string& name) {
    State().CurrentPrinter = name;
    State().CurrentChosen = !name.empty();
}

std::string ChooseDocumentFormat(const std::vector<std::string>& supported) {
    for (const char* wanted : {CUPS_FORMAT_RAW, "application/vnd.hp-PCL"})
        if (std::find(supported.begin(), supported.end(), wanted) != supported.end())
            return wanted;
    return {};
}

std::string NoPclFormatMessage(const std::string& printerName) {
    return "The printer " + printerName +
           " does not accept PCL (neither raw data nor application/vnd.hp-PCL).\nNothing was printed.";
}

namespace {

// The smallest announced margin that is not the borderless 0; -1 when none is announced.
int AnnouncedMargin(TPrinterConnection& c, const char* option) {
    ipp_attribute_t* attr = cupsFindDestSupported(c.Http.get(), c.Dest.get(), c.Info.get(), option);
    int best = -1;
    bool borderless = false;
    for (int i = 0; attr && i < ippGetCount(attr); ++i) {
        const int v = ippGetInteger(attr, i);
        borderless = borderless || v == 0;
        if (v > 0 && (best < 0 || v < best))
            best = v;
    }
    return best < 0 && borderless ? 0 : best;
}

} // namespace

bool QueryPrinterMargins(const std::string& printerName, TPrinterMargins& margins) {
    const std::string name = Trim(printerName);
    if (name.empty())
        return false;
    const bool address = IsPrinterAddress(name);
    TPrinterConnection c;
    c.Dest.reset(FindDest(name));
    if (c.Dest)
        c.Http.reset(cupsConnectDest(c.Dest.get(), address ? CUPS_DEST_FLAGS_DEVICE : CUPS_DEST_FLAGS_NONE,
                                     kConnectTimeoutMs, nullptr, nullptr, 0, nullptr, nullptr));
    if (c.Http)
        c.Info.reset(cupsCopyDestInfo(c.Http.get(), c.Dest.get()));
    if (!c.Info)
        return false;
    const int left = AnnouncedMargin(c, "media-left-margin");
    const int top = AnnouncedMargin(c, "media-top-margin");
    const int right = AnnouncedMargin(c, "media-right-margin");
    const int bottom = AnnouncedMargin(c, "media-bottom-margin");
    if (left < 0 && top < 0 && right < 0 && bottom < 0)
        return false;
    margins = {std::max(left, 0), std::max(top, 0), std::max(right, 0), std::max(bottom, 0)};
    return true;
}

bool SendDocument(std::string_view document, const std::string& printerName, const std::string& documentName,
                  const std::string& documentFormat, const std::string& sides) {
    const std::string name = Trim(printerName);
    if (name.empty())
        return false;
    TPrinterConnection c;
    if (!OpenPrinter(name, c))
        return false;
    const std::vector<std::string> formats = SupportedFormats(c);
    if (std::find(formats.begin(), formats.end(), documentFormat) == formats.end()) {
        ShowError("The printer " + name + " does not accept " + documentFormat + ".\nNothing was printed.");
        return false;
    }
    return SpoolDocument(c, document, documentName, documentFormat, sides);
}

bool SendRaw(std::string_view job, const std::string& printerName, const std::string& documentName) {
    const std::string name = Trim(printerName);
    if (name.empty())
        return false;
    TPrinterConnection c;
    if (!OpenPrinter(name, c))
        return false;
    const std::string format = ChooseDocumentFormat(SupportedFormats(c));
    if (format.empty()) {
        ShowError(NoPclFormatMessage(name));
        return false;
    }
    return SpoolDocument(c, job, documentName, format, {});
}

TWriteObserver SetWriteObserver(TWriteObserver observer) {
    return std::exchange(State().WriteObserver, std::move(observer));
}

TDriverSender SetDriverSender(TDriverSender sender) {
    return std::exchange(State().DriverSender, std::move(sender));
}

bool SendJob(std::string_view job, const std::string& printerName, const std::string& documentName,
             int printFormat) {
    if (printFormat == kPrintFormatPclDirect)
        return SendRaw(job, printerName, documentName);
    if (printFormat != kPrintFormatGdiDriver)
        return false;
    const TDriverSender& driver = State().DriverSender;
    if (!driver) {
        ShowError("GDI Printer error: " + printerName +
                  "\nDriver printing is not available in this program.");
        return false;
    }
    return driver(job, printerName, documentName);
}

} // namespace pg
