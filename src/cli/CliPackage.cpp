#include "CliPackage.h"

#include "Command.h"
#include "PackageFile.h"
#include "PackageText.h"
#include "Strings.h"

#include <algorithm>
#include <iostream>

namespace pg::cli {

std::unique_ptr<TDocSet> ReadCliPackage(const std::string& path, const std::string& command) {
    std::unique_ptr<TDocSet> set = LoadPackageFile(path);
    if (set->IsDamaged()) {
        std::string findings = set->Damage;
        for (size_t at = findings.find('\n'); at != std::string::npos; at = findings.find('\n', at))
            findings.replace(at, 1, "; ");
        std::cerr << "pagellan-cli " << command << ": " << path
                  << " is damaged: " << PackageTextToUtf8(findings) << '\n';
    }
    return set;
}

int StatusAfterReading(const TDocSet& set, int status) {
    return set.IsDamaged() ? 1 : status;
}

bool MayWriteFrom(const TDocSet& set, const std::vector<std::string>& args, const std::string& command) {
    if (set.FormCount() == 0) {
        std::cerr << "pagellan-cli " << command << ": nothing written: the package holds no forms\n";
        return false;
    }
    if (!set.IsDamaged() || HasOption(args, kAcceptDamagedOption))
        return true;
    std::cerr << "pagellan-cli " << command << ": nothing written from a damaged package (--"
              << kAcceptDamagedOption << " writes what could be read)\n";
    return false;
}

TCliForms::TCliForms(TDocSet& set) {
    if (!set.PlanCode.empty() && !set.Reordered)
        set.ReorderForms();
    TDocTree tree;
    tree.Build(set, [](const std::string&) { return 0; });
    forms_ = tree.FormsInDisplayOrder();
}

TDocSetForm* TCliForms::Form(int number) const {
    return number >= 1 && size_t(number) <= forms_.size() ? forms_[size_t(number - 1)] : nullptr;
}

int TCliForms::NumberOf(const TDocSetForm* form) const {
    const auto at = std::find(forms_.begin(), forms_.end(), form);
    return at == forms_.end() ? 0 : int(at - forms_.begin()) + 1;
}

bool SelectedFormsFromArguments(TDocSet& set, const std::vector<std::string>& args,
                                const std::string& command, std::vector<const TDocSetForm*>& forms) {
    const TCliForms numbers(set);
    for (const std::string& item : Split(OptionValue(args, "selected"), ",")) {
        const TDocSetForm* form = numbers.Form(StrToIntDef(Trim(item), 0));
        if (!form) {
            std::cerr << "pagellan-cli " << command << ": --selected takes form numbers from 1 to "
                      << numbers.Count() << '\n';
            return false;
        }
        forms.push_back(form);
    }
    return true;
}

} // namespace pg::cli
