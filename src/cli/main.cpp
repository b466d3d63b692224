// SPDX-License-Identifier: GPL-3.0-or-later
// torvan-cli: the conversion of the desktop program, scriptable, plus a
// look at what a price database holds.

#include <CLI/CLI.hpp>

#include <array>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "cli/Convert.h"
#include "cli/Database.h"
#include "cli/Inspect.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/Update.h"
#include "platform/FileSystem.h"

namespace {

using torvan::cli::ConvertRequest;

// A subcommand: the constructor sets up its options, which the parse fills
// in place (so it is never copied), and Run does its work with them.
class Subcommand {
  public:
    Subcommand(const Subcommand&) = delete;
    Subcommand& operator=(const Subcommand&) = delete;
    virtual ~Subcommand() = default;

    bool Chosen() const { return m_command->parsed(); }
    virtual int Run() const = 0;

  protected:
    Subcommand(CLI::App& app, const std::string& name, const std::string& description)
        : m_command(app.add_subcommand(name, description)) {}

    CLI::App* m_command;
};

class ConvertSubcommand : public Subcommand {
  public:
    explicit ConvertSubcommand(CLI::App& app) : ConvertSubcommand(app, false) {}
    int Run() const override;

  protected:
    // update takes the same options, but those that make or save nothing
    // but a new security.
    ConvertSubcommand(CLI::App& app, bool update);
    ConvertRequest Request() const;

  private:
    // An option whose value reaches the request only when it is given, so
    // that settings from the profile stay as they are otherwise.
    template <typename T>
    void AddGiven(const std::string& name, std::optional<T> ConvertRequest::*target,
                  const std::string& description) {
        auto value = std::make_shared<T>();
        CLI::Option* option = nullptr;
        if constexpr (std::is_same_v<T, bool>) {
            option = m_command->add_flag(name, *value, description);
        } else {
            option = m_command->add_option(name, *value, description);
        }
        m_takeGiven.push_back([option, value, target](ConvertRequest& request) {
            if (option->count() > 0) {
                request.*target = *value;
            }
        });
    }

    ConvertRequest m_request;
    std::vector<std::function<void(ConvertRequest&)>> m_takeGiven;
};

ConvertSubcommand::ConvertSubcommand(CLI::App& app, bool update)
    : Subcommand(app, update ? "update" : "convert",
                 update ? "Add the days of a price text file that come after a security's last "
                          "stored date to it (or add the file as a new security when the database "
                          "does not hold the symbol)."
                        : "Convert a price text file into a new security of a database.") {
    CLI::App* convert = m_command;
    convert->footer(
        update
            ? "The reading options are those of convert (see 'convert --help'); --name, --xmaster "
              "and --emaster apply when the security is new. Days on or before the last stored "
              "date that equal the stored ones are skipped; those that differ are kept as stored "
              "and reported, unless --replace or --replace-all is given."
            : "Without --from-profile the settings are the desktop program's defaults: dates "
              "MMDDYY, comma delimiter, date, open, high, low, close, volume and open interest in "
              "columns 1 to 7, and an existing MASTER in DIR. With --from-profile they start from "
              "the saved \"Import\" settings, read as the desktop program reads them (before the "
              "first confirmed settings, DIR is the working directory), the options given replace "
              "them, and they are saved back.");
    convert
        ->add_option("INPUT", m_request.inputs,
                     update ? "Price text files, one trading day per line. With more than "
                              "one, each updates (or adds) the security named by its file name "
                              "without the extension, upper-cased (--symbol is then refused), "
                              "all in one run"
                            : "Price text files, one trading day per line. With more than one, "
                              "each becomes a security named by its file name without the "
                              "extension, upper-cased (--symbol is then refused, --new-master "
                              "too), all in one run")
        ->required();
    AddGiven("--db", &ConvertRequest::database,
             "Database directory (required unless --from-profile)");
    AddGiven("--symbol", &ConvertRequest::symbol,
             update ? "Symbol of the security to update, or of the new one (required for "
                      "one file, unless it has a ticker column)"
                    : "Symbol of the new security, at most 16 characters (required unless "
                      "--from-profile or the file has a ticker column)");
    AddGiven(
        "--name", &ConvertRequest::name,
        "Name of the new security, at most 45 characters (default: empty); MASTER keeps the first "
        "16, EMASTER and XMASTER the whole name");
    if (!update) {
        AddGiven("--new-master,!--existing-master", &ConvertRequest::newMaster,
                 "Make a new MASTER in DIR (default: add to the existing one)");
    }
    convert->add_flag("--xmaster", m_request.xmaster,
                      "When MASTER is full (255 securities), add the security to an XMASTER index "
                      "with a price file F<n>.MWD, making the XMASTER if there is none (with an "
                      "XMASTER in DIR this happens anyway)");
    convert->add_flag("--emaster", m_request.emaster,
                      "Keep an EMASTER index beside MASTER (long names, for programs that want "
                      "one), making it if there is none; with --new-master it is made beside the "
                      "new MASTER. An existing EMASTER is always kept in step");
    AddGiven("--delimiter", &ConvertRequest::delimiter,
             "Column delimiter: comma, tab, space or semicolon");
    AddGiven(
        "--date-format", &ConvertRequest::dateFormat,
        "Date layout: YY_MM_DD, CCYY_MM_DD, MM_DD_YY, MM_DD_CCYY, DD_MM_YY, DD_MM_CCYY, YYMMDD, "
        "CCYYMMDD, MMDDYY, MMDDCCYY, DDMMYY or DDMMCCYY (any case); the _ formats need a "
        "separator in the dates, the others none");
    AddGiven(
        "--columns", &ConvertRequest::columns,
        "Columns of the fields, counted from 1 (up to 20), e.g. date=1,high=2,low=3,close=4; "
        "fields: date, open, high, low, close, vol, oi, and time for intraday bars (time=COLUMN, "
        "the date's column when the time follows the date in it); date and close are required, "
        "fields left out are absent. ticker=N: the file holds many securities, told apart by "
        "column N; each ticker becomes a security with the ticker as symbol and name (no "
        "--symbol then)");
    // Updates add days to daily securities only.
    if (!update) {
        AddGiven(
            "--interval", &ConvertRequest::interval,
            "Intraday bars: their length in minutes, 1 to 60 (default: the most common spacing "
            "of the bars)");
        convert->add_flag("--daily", m_request.daily,
                          "Build one daily bar of each day's intraday lines (open of the first, "
                          "highest high, lowest low, close of the last, volumes summed, last open "
                          "interest) instead of an intraday security");
    }
    AddGiven("--skip", &ConvertRequest::skipRows, "Skip N leading rows (0 to 200)");
    AddGiven(
        "--reverse,!--no-reverse", &ConvertRequest::reverse,
        "The file lists the newest day first: reverse its lines first. INPUT itself is rewritten "
        "in reverse order; the original is kept as INPUT.BAK");
    AddGiven("--month-names,!--no-month-names", &ConvertRequest::monthNames,
             "Dates spell the month as a three-letter English "
             "name (Jan, Feb, ...)");
    AddGiven("--csv,!--no-csv", &ConvertRequest::csv,
             "Read the file as CSV: fields in double quotes, empty fields keep their column, "
             "thousands separators and K/M suffixes in numbers, a time of day or full month names "
             "in dates. Without it runs of the delimiter count as one");
    AddGiven("--decimal-comma,!--no-decimal-comma", &ConvertRequest::decimalComma,
             "Numbers have a decimal comma (1.234,56); needs --csv");
    AddGiven("--footer", &ConvertRequest::footerRows,
             "Leave out the last N non-empty lines (a source note; 0 to 200)");
    convert->add_flag("--auto", m_request.autoDetect,
                      "Detect the delimiter, header rows, date column and layout, the fields, the "
                      "order and the reading from the file; options given override what it finds "
                      "(see 'inspect')");
    if (!update) {
        convert->add_flag("--from-profile", m_request.fromProfile,
                          "Start from the saved settings and save them back");
    }
}

ConvertRequest ConvertSubcommand::Request() const {
    ConvertRequest request = m_request;
    for (const auto& take : m_takeGiven) {
        take(request);
    }
    request.input = request.inputs.front();
    return request;
}

int ConvertSubcommand::Run() const {
    const ConvertRequest request = Request();
    if (request.inputs.size() > 1) {
        return torvan::cli::RunConvertBatch(request);
    }
    return torvan::cli::RunConvert(request);
}

class UpdateSubcommand : public ConvertSubcommand {
  public:
    explicit UpdateSubcommand(CLI::App& app) : ConvertSubcommand(app, true) {
        CLI::Option* replace = m_command->add_flag(
            "--replace", m_replace,
            "Days on or before the last stored date that differ take the file's values, and days "
            "the security lacks are put in (corrections)");
        m_command
            ->add_flag("--replace-all", m_replaceAll,
                       "Replace the security's whole history by the file's days (after a "
                       "split), keeping its file number and index entries")
            ->excludes(replace);
    }
    int Run() const override {
        return torvan::cli::RunUpdate({Request(), m_replace, m_replaceAll});
    }

  private:
    bool m_replace = false;
    bool m_replaceAll = false;
};

class InspectSubcommand : public Subcommand {
  public:
    explicit InspectSubcommand(CLI::App& app)
        : Subcommand(app, "inspect",
                     "Read a price file and propose the settings that convert it: the convert "
                     "options, how sure each choice is, the first rows as they would be stored, "
                     "and warnings. Writes nothing.") {
        m_command->add_option("INPUT", m_input, "Price text file")->required();
        m_command->add_option("--rows", m_rows, "How many rows to show (default 10)")
            ->check(CLI::Range(1, 1000));
        m_command->add_flag("--json", m_json, "Print the same as one JSON document (see README)");
    }
    int Run() const override {
        return m_json ? torvan::cli::RunInspectJson(m_input, m_rows)
                      : torvan::cli::RunInspect(m_input, m_rows);
    }

  private:
    std::string m_input;
    int m_rows = 10;
    bool m_json = false;
};

// list and check: a database directory, and text or JSON.
class DatabaseSubcommand : public Subcommand {
  public:
    using Runner = int (*)(const std::string&);

    DatabaseSubcommand(CLI::App& app, const std::string& name, const std::string& description,
                       Runner run, Runner runJson)
        : Subcommand(app, name, description), m_run(run), m_runJson(runJson) {
        m_command->add_option("DIR", m_directory, "Database directory")->required();
        m_command->add_flag("--json", m_json, "Print the same as one JSON document (see README)");
    }
    int Run() const override { return (m_json ? m_runJson : m_run)(m_directory); }

  private:
    Runner m_run;
    Runner m_runJson;
    std::string m_directory;
    bool m_json = false;
};

class DumpSubcommand : public Subcommand {
  public:
    explicit DumpSubcommand(CLI::App& app)
        : Subcommand(app, "dump", "Write a security's price records as CSV on standard output.") {
        m_command->footer(
            "Fields are named by the security's F<n>.DOP file. Without one they follow the field "
            "count: 7 Date,Open,High,Low,Close,Volume,OpenInterest; 6 without OpenInterest; 5 "
            "Date,High,Low,Close,Volume; 4 Date,High,Low,Close; 3 Date,Close,Volume; 2 "
            "Date,Close. Intraday securities have a Time field after the date.");
        m_command->add_option("DIR", m_directory, "Database directory")->required();
        m_command->add_option("SYMBOL", m_symbol, "Symbol or name of the security (any case)")
            ->required();
    }
    int Run() const override { return torvan::cli::RunDump(m_directory, m_symbol); }

  private:
    std::string m_directory;
    std::string m_symbol;
};

// Parses the command line; the exit status when the program ends here (help,
// version, or a command line that is wrong).
std::optional<int> Parse(CLI::App& app, int argc, char** argv) {
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
    return std::nullopt;
}

int Main(int argc, char** argv) {
    CLI::App app{"Converts daily price text files into a MetaStock-format price database."};
    app.name(torvan::cli::kProgramName);
    app.set_version_flag("--version", std::string(torvan::cli::kProgramName) + " " TORVAN_VERSION);
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 on success, 1 when the work failed, 2 when the command line is wrong.");

    // In the order of the help's list of subcommands; the parse fills them in.
    ConvertSubcommand convert(app);
    UpdateSubcommand update(app);
    InspectSubcommand inspect(app);
    DatabaseSubcommand list(
        app, "list",
        "List the securities of a database: file number, symbol, name, fields "
        "(D date, T time, O open, H high, L low, C close, V volume, I open interest), "
        "first and last date and number of price records.",
        torvan::cli::RunList, torvan::cli::RunListJson);
    DumpSubcommand dump(app);
    DatabaseSubcommand check(
        app, "check",
        "Check a database for inconsistencies: MASTER, EMASTER and XMASTER against each other "
        "and against the price files they name. One line per finding; exit status 1 when there "
        "is any.",
        torvan::cli::RunCheck, torvan::cli::RunCheckJson);

    if (const std::optional<int> status = Parse(app, argc, argv)) {
        return *status;
    }
    const std::array<const Subcommand*, 6> commands = {&convert, &update, &inspect,
                                                       &list,    &dump,   &check};
    for (const Subcommand* command : commands) {
        if (command->Chosen()) {
            return command->Run();
        }
    }
    return torvan::cli::kExitUsage;  // the parse requires one subcommand
}

}  // namespace

int main(int argc, char** argv) {
    // UTF-8 on every system, so that any file name can be given.
    std::vector<std::string> arguments = torvan::CommandLineArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) {
        pointers.push_back(argument.data());
    }
    return torvan::cli::RunReported(
        [&] { return Main(static_cast<int>(pointers.size()), pointers.data()); });
}
