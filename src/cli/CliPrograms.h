#pragma once
// Commands that live in programs of their own beside pagellan-cli, so that each command loads
// only the libraries it needs: the commands that read the settings store need QtCore, printing
// needs CUPS and, for the driver path, Qt Gui and PrintSupport. pagellan-cli hands these
// commands over to their program (CliForward.cpp); the usage texts are shared so that
// "pagellan-cli --help" lists them all.

namespace pg::cli {

// job, pdf, mail, verify, settings, desktop, download, webdocs and update: the settings store (QtCore).
inline constexpr char kSettingsProgram[] = "pagellan-cli-settings";
// printers and print.
inline constexpr char kPrintProgram[] = "pagellan-cli-print";

inline constexpr char kJobUsage[] =
    "job PACKAGE -o JOB.pcl [--selected N,...] [--changed] [--copies N] "
    "[--order displayed|legal-first|letter-first] [--barcodes] [--form-names] [--duplex] "
    "[--all-on-legal] [--history DIR] [--accept-damaged]";
inline constexpr char kPdfUsage[] =
    "pdf INPUT -o OUT.pdf [--selected N,...] [--changed] [--barcodes] "
    "[--form-names] [--duplex] [--all-on-legal] [--history DIR] [--accept-damaged] [--no-outline] "
    "[--fast-web-view]";
inline constexpr char kMailUsage[] =
    "mail PACKAGE --to ADDRS [--cc ADDRS] [--subject TEXT] [--body TEXT] [--format qdx|pdf|tsn] "
    "[--selected N,... | --changed] [--history DIR] [--accept-damaged] [--yes]   e-mail the package through "
    "the SMTP settings";
inline constexpr char kVerifyUsage[] = "verify PACKAGE (--codes FILE [--ordered] | --list)";
inline constexpr char kSettingsUsage[] =
    "settings [get NAME | set NAME VALUE | list]   show or edit the settings";
inline constexpr char kDesktopUsage[] =
    "desktop check|register|shortcut [--program PATH]   file associations (the check made as the "
    "options load, or registering again) and the desktop shortcut, for PATH (default: pagellan "
    "beside this program)";
inline constexpr char kPrintersUsage[] = "printers   list the printers with their descriptions";
inline constexpr char kPrintUsage[] =
    "print PACKAGE --printer NAME [--selected N,...] [--changed] [--copies N] "
    "[--order displayed|legal-first|letter-first] [--barcodes] [--form-names] [--duplex] "
    "[--all-on-legal] [--history DIR] [--driver] [--accept-damaged]   send the print job (NAME: a CUPS "
    "printer or "
    "an ipp:// address)";
// download and webdocs: the web transfers, with the stored proxy and certificate settings.
inline constexpr char kDownloadUsage[] = "download URL -o FILE   fetch a file by its http(s) address";
inline constexpr char kWebDocsUsage[] =
    "webdocs CODE [--pass-phrase TEXT] [--server URL] -o FILE.qdx   fetch a package from the WebDocs service";
inline constexpr char kUpdateUsage[] =
    "update [--check] [--install] [--list URL] [--program PATH]   compare the version list with what is "
    "installed (PATH: the desktop program, default pagellan beside this program); with --install, download "
    "and unpack the update";

} // namespace pg::cli
