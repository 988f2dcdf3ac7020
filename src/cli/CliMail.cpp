// mail: the package e-mailed as the Email command sends it, through the SMTP settings: the
// attachment is written as the command writes it (Quodex, PDF or Tesselon), the warning is
// shown and only --yes confirms it.

#include "CliJob.h"
#include "CliPackage.h"
#include "CliPrograms.h"
#include "Command.h"
#include "EmailPackage.h"
#include "MailSession.h"
#include "PGRegistry.h"
#include "PackageJob.h"
#include "PackageText.h"
#include "Paths.h"
#include "Strings.h"
#include "WorkFolder.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

constexpr const char* kUsage = kMailUsage;

// The warning's HTML as plain text for a terminal: line breaks for <BR>, other tags dropped.
std::string WarningText(const std::string& html) {
    std::string text;
    for (size_t i = 0; i < html.size(); ++i) {
        if (html[i] != '<') {
            text += html[i];
            continue;
        }
        const size_t end = html.find('>', i);
        if (end == std::string::npos)
            break;
        if (UpperCase(html.substr(i, end - i + 1)) == "<BR>")
            text += '\n';
        i = end;
    }
    return PackageTextToUtf8(text);
}

bool ParseFormat(const std::string& text, TEmailFormat& format) {
    const std::string lower = LowerCase(text);
    if (lower.empty())
        format = TEmailFormat(std::clamp(PGRegistry::EmailDocumentFormat(), 0, 2));
    else if (lower == "qdx")
        format = TEmailFormat::Quodex;
    else if (lower == "pdf")
        format = TEmailFormat::PDF;
    else if (lower == "tsn")
        format = TEmailFormat::Tesselon;
    else
        return false;
    return true;
}

int RunMail(const std::vector<std::string>& args) {
    const std::vector<std::string> files =
        Positionals(args, {"to", "cc", "subject", "body", "format", "selected", "history"});
    TEmailFormat format{};
    if (files.size() != 1 || !HasOption(args, "to") || !ParseFormat(OptionValue(args, "format"), format) ||
        (HasOption(args, "selected") && HasOption(args, "changed"))) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    const TMailSetup setup = MailSetupFromSettings();
    if (FirstBlankMailSetting(setup) != TMailSetting::None) {
        std::cerr << kMailSettingsIncompleteText << '\n';
        return 1;
    }
    TJobOptions options;
    options.Package = files[0];
    options.ChangedOnly = HasOption(args, "changed");
    options.SelectedOnly = HasOption(args, "selected");
    options.HistoryFolder = OptionValue(args, "history");
    const std::unique_ptr<TDocSet> set = ReadCliPackage(options.Package, "mail");
    if (!MayWriteFrom(*set, args, "mail"))
        return 1;
    if (options.SelectedOnly && !SelectedFormsFromArguments(*set, args, "mail", options.SelectedForms))
        return 2;
    TPackageSelection package;
    TJobBuild build;
    SelectPackageForms(*set, options, package, build);
    if (const int code = JobBuildExitCode(build, "mail"); code != 0)
        return code;

    std::cout << WarningText(PGRegistry::EmailWarning()) << '\n';
    if (!HasOption(args, "yes")) {
        std::cerr << "pagellan-cli mail: not sent; confirm the warning with --yes\n";
        return 1;
    }
    const TWorkFolder work("pagellan-mail");
    if (work.Path().empty()) {
        std::cerr << "pagellan-cli mail: cannot create a work folder in " << WorkFolderBase() << '\n';
        return 1;
    }
    const TSaveMode mode = options.SelectedOnly  ? TSaveMode::Selected
                           : options.ChangedOnly ? TSaveMode::Changed
                                                 : TSaveMode::All;
    const std::string attachment = EmailAttachmentPath(*set, format, work.Path());
    const TPdfConversion conversion{ConverterBesideExecutable(), {}};
    if (!WriteEmailAttachment(*set, package.Tree, package.Selection, mode, format, attachment, conversion))
        return 1;

    TMailDraft draft;
    draft.To = OptionValue(args, "to");
    draft.CC = OptionValue(args, "cc");
    draft.Subject = HasOption(args, "subject") ? Utf8ToPackageText(OptionValue(args, "subject"))
                                               : EmailSubjectFor(set->WorksheetNumber);
    const std::string body = Utf8ToPackageText(OptionValue(args, "body"));
    draft.BodyLines = EmailBodyLines(Trim(body).empty() ? GetEmailBodyMessageFromRegistry() : body);
    draft.Attachments = {attachment};

    TMailSession session;
    const TMailResult result = session.Send(setup, draft);
    if (result.Outcome != TMailOutcome::Sent) {
        std::cerr << result.Text << '\n';
        return 1;
    }
    std::cout << result.Text << '\n';
    return 0;
}

const TCliCommand mail("mail", kUsage, RunMail);

} // namespace

} // namespace pg::cli
