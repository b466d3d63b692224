// torvan-cli: the conversion of the desktop program, scriptable, plus a
// look at what a price database holds.

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "cli/Convert.h"
#include "cli/Database.h"
#include "cli/Inspect.h"
#include "cli/Output.h"

namespace {

using torvan::cli::ConvertRequest;

// Copies an option's value into target only when it was given, so that
// settings from the profile stay as they are otherwise.
template <typename T>
void TakeIfGiven(const CLI::Option* option, const T& value, std::optional<T>& target) {
    if (option->count() > 0) {
        target = value;
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Converts daily price text files into a MetaStock-format price database."};
    app.name(torvan::cli::kProgramName);
    app.set_version_flag("--version", std::string(torvan::cli::kProgramName) + " " TORVAN_VERSION);
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 on success, 1 when the work failed, 2 when the command line is wrong.");

    ConvertRequest request;
    std::string database;
    std::string symbol;
    std::string name;
    std::string delimiter;
    std::string dateFormat;
    std::string columns;
    int skipRows = 0;
    bool newMaster = false;
    bool reverse = false;
    bool monthNames = false;
    bool csv = false;
    bool decimalComma = false;
    int footerRows = 0;

    CLI::App* convert = app.add_subcommand(
        "convert", "Convert a price text file into a new security of a database.");
    convert->footer(
        "Without --from-profile the settings are the desktop program's defaults: dates MMDDYY, "
        "comma delimiter, date, open, high, low, close, volume and open interest in columns 1 to "
        "7, and an existing MASTER in DIR. With --from-profile they start from the saved "
        "\"Import\" settings, read as the desktop program reads them (before the first confirmed "
        "settings, DIR is the working directory), the options given replace them, and they are "
        "saved back.");
    convert->add_option("INPUT", request.input, "Price text file, one trading day per line")
        ->required();
    auto* dbOption = convert->add_option("--db", database,
                                         "Database directory (required unless --from-profile)");
    auto* symbolOption =
        convert->add_option("--symbol", symbol,
                            "Symbol of the new security, at most 16 characters (required unless "
                            "--from-profile)");
    auto* nameOption = convert->add_option(
        "--name", name,
        "Name of the new security, at most 45 characters (default: empty); MASTER keeps the first "
        "16, EMASTER and XMASTER the whole name");
    auto* newMasterOption =
        convert->add_flag("--new-master,!--existing-master", newMaster,
                          "Make a new MASTER in DIR (default: add to the existing one)");
    convert->add_flag("--xmaster", request.xmaster,
                      "When MASTER is full (255 securities), add the security to an XMASTER index "
                      "with a price file F<n>.MWD, making the XMASTER if there is none (with an "
                      "XMASTER in DIR this happens anyway)");
    convert->add_flag("--emaster", request.emaster,
                      "Keep an EMASTER index beside MASTER (long names, for programs that want "
                      "one), making it if there is none; with --new-master it is made beside the "
                      "new MASTER. An existing EMASTER is always kept in step");
    auto* delimiterOption = convert->add_option("--delimiter", delimiter,
                                                "Column delimiter: comma, tab, space or semicolon");
    auto* dateFormatOption = convert->add_option(
        "--date-format", dateFormat,
        "Date layout: YY_MM_DD, CCYY_MM_DD, MM_DD_YY, MM_DD_CCYY, DD_MM_YY, DD_MM_CCYY, YYMMDD, "
        "CCYYMMDD, MMDDYY, MMDDCCYY, DDMMYY or DDMMCCYY (any case); the _ formats need a "
        "separator in the dates, the others none");
    auto* columnsOption = convert->add_option(
        "--columns", columns,
        "Columns of the fields, counted from 1 (up to 20), e.g. date=1,high=2,low=3,close=4; "
        "fields: date, open, high, low, close, vol, oi; date and close are required, fields left "
        "out are absent");
    auto* skipOption = convert->add_option("--skip", skipRows, "Skip N leading rows (0 to 200)");
    auto* reverseOption = convert->add_flag(
        "--reverse,!--no-reverse", reverse,
        "The file lists the newest day first: reverse its lines first. INPUT itself is rewritten "
        "in reverse order; the original is kept as INPUT.BAK");
    auto* monthNamesOption = convert->add_flag("--month-names,!--no-month-names", monthNames,
                                               "Dates spell the month as a three-letter English "
                                               "name (Jan, Feb, ...)");
    auto* csvOption = convert->add_flag(
        "--csv,!--no-csv", csv,
        "Read the file as CSV: fields in double quotes, empty fields keep their column, "
        "thousands separators and K/M suffixes in numbers, a time of day or full month names "
        "in dates. Without it runs of the delimiter count as one");
    auto* decimalCommaOption =
        convert->add_flag("--decimal-comma,!--no-decimal-comma", decimalComma,
                          "Numbers have a decimal comma (1.234,56); needs --csv");
    auto* footerOption = convert->add_option(
        "--footer", footerRows, "Leave out the last N non-empty lines (a source note; 0 to 200)");
    convert->add_flag("--auto", request.autoDetect,
                      "Detect the delimiter, header rows, date column and layout, the fields, the "
                      "order and the reading from the file; options given override what it finds "
                      "(see 'inspect')");
    convert->add_flag("--from-profile", request.fromProfile,
                      "Start from the saved settings and save them back");

    std::string inspectInput;
    int inspectRows = 10;
    CLI::App* inspect = app.add_subcommand(
        "inspect",
        "Read a price file and propose the settings that convert it: the convert options, how "
        "sure each choice is, the first rows as they would be stored, and warnings. Writes "
        "nothing.");
    inspect->add_option("INPUT", inspectInput, "Price text file")->required();
    inspect->add_option("--rows", inspectRows, "How many rows to show (default 10)")
        ->check(CLI::Range(1, 1000));

    std::string listDirectory;
    CLI::App* list = app.add_subcommand(
        "list",
        "List the securities of a database: file number, symbol, name, fields "
        "(D date, T time, O open, H high, L low, C close, V volume, I open interest), "
        "first and last date and number of price records.");
    list->add_option("DIR", listDirectory, "Database directory")->required();

    std::string dumpDirectory;
    std::string dumpSymbol;
    CLI::App* dump =
        app.add_subcommand("dump", "Write a security's price records as CSV on standard output.");
    dump->footer(
        "Fields are named by the security's F<n>.DOP file. Without one they follow the field "
        "count: 7 Date,Open,High,Low,Close,Volume,OpenInterest; 6 without OpenInterest; 5 "
        "Date,High,Low,Close,Volume; 4 Date,High,Low,Close; 3 Date,Close,Volume; 2 Date,Close. "
        "Intraday securities have a Time field after the date.");
    dump->add_option("DIR", dumpDirectory, "Database directory")->required();
    dump->add_option("SYMBOL", dumpSymbol, "Symbol or name of the security (any case)")->required();

    std::string checkDirectory;
    CLI::App* check = app.add_subcommand(
        "check",
        "Check a database for inconsistencies: MASTER, EMASTER and XMASTER against each other "
        "and against the price files they name. One line per finding; exit status 1 when there "
        "is any.");
    check->add_option("DIR", checkDirectory, "Database directory")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(e);  // --help or --version
        }
        std::cerr << torvan::cli::kProgramName << ": " << e.what() << '\n'
                  << "Run '" << torvan::cli::kProgramName
                  << (app.get_subcommands().empty()
                          ? std::string()
                          : " " + app.get_subcommands().front()->get_name())
                  << " --help' for more information.\n";
        return torvan::cli::kExitUsage;
    }

    if (*convert) {
        TakeIfGiven(dbOption, database, request.database);
        TakeIfGiven(symbolOption, symbol, request.symbol);
        TakeIfGiven(nameOption, name, request.name);
        TakeIfGiven(newMasterOption, newMaster, request.newMaster);
        TakeIfGiven(delimiterOption, delimiter, request.delimiter);
        TakeIfGiven(dateFormatOption, dateFormat, request.dateFormat);
        TakeIfGiven(columnsOption, columns, request.columns);
        TakeIfGiven(skipOption, skipRows, request.skipRows);
        TakeIfGiven(reverseOption, reverse, request.reverse);
        TakeIfGiven(monthNamesOption, monthNames, request.monthNames);
        TakeIfGiven(csvOption, csv, request.csv);
        TakeIfGiven(decimalCommaOption, decimalComma, request.decimalComma);
        TakeIfGiven(footerOption, footerRows, request.footerRows);
        return torvan::cli::RunConvert(request);
    }
    if (*inspect) {
        return torvan::cli::RunInspect(inspectInput, inspectRows);
    }
    if (*list) {
        return torvan::cli::RunList(listDirectory);
    }
    if (*check) {
        return torvan::cli::RunCheck(checkDirectory);
    }
    return torvan::cli::RunDump(dumpDirectory, dumpSymbol);
}
