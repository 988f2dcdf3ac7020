// text: the words of pages in reading order, as the interpreter lays them out for the page
// window, for scripts and for checking what a package says. Each page comes under a heading
// naming its form (as every command numbers forms) and page.

#include "CliPages.h"
#include "Command.h"
#include "PageText.h"
#include "Strings.h"

#include <iostream>

namespace pg::cli {

namespace {

constexpr char kUsage[] = "text INPUT [--form N] [--page N]   print the text of pages in reading order";

// Prints the page's lines (UTF-8) under its heading, a blank line after.
void PrintPage(const TCliPages& source, int page, const std::string& heading) {
    std::cout << heading << '\n';
    for (const TTextLine& line : PageTextLines(*source.Document(), page))
        std::cout << line.Text() << '\n';
    std::cout << '\n';
}

// The pages to print: the one --page names (checked), or all of them.
bool PagesToPrint(const TCliPages& source, int page, std::vector<int>& pages) {
    pages.clear();
    if (page != 0) {
        pages.push_back(page);
        return source.Check(page);
    }
    for (int p = 1; p <= source.PageCount(); ++p)
        pages.push_back(p);
    return true;
}

int RunText(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {"form", "page"});
    const int form = HasOption(args, "form") ? StrToIntDef(OptionValue(args, "form"), -1) : 0;
    const int page = HasOption(args, "page") ? StrToIntDef(OptionValue(args, "page"), -1) : 0;
    if (files.size() != 1) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    try {
        TCliPages source;
        source.Open(files[0], "text");
        std::vector<int> pages;
        if (!source.IsPackage()) {
            if (form != 0) {
                std::cerr << "pagellan-cli text: " << files[0] << " is a PCL file; it has no forms\n";
                return 2;
            }
            if (!PagesToPrint(source, page, pages))
                return 1;
            for (const int p : pages)
                PrintPage(source, p, "Page " + std::to_string(p));
            return 0;
        }
        // A page number means a page of one form; across the whole package it would name a
        // different page in every form.
        if (page != 0 && form == 0) {
            std::cerr << "pagellan-cli text: --page needs --form in a package\n";
            return 2;
        }
        const int first = form != 0 ? form : 1;
        const int last = form != 0 ? form : source.FormCount();
        for (int f = first; f <= last; ++f) {
            if (!source.SelectForm(f) || !PagesToPrint(source, page, pages))
                return 1;
            for (const int p : pages)
                PrintPage(source, p, "Form " + std::to_string(f) + " \u2014 page " + std::to_string(p));
        }
        return source.Status();
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}

const TCliCommand text("text", kUsage, RunText);

} // namespace

} // namespace pg::cli
