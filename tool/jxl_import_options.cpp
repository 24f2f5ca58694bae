#include "tool/jxl_import_options.h"

#include <algorithm>
#include <functional>
#include <map>

namespace Tool {
namespace {

using Setter = std::function<bool(Options&, const std::string& value, std::string* error)>;

bool SetOnOff(std::optional<bool>& target, const std::string& option, const std::string& value, std::string* error) {
    if (value == "on" || value == "off") {
        target = value == "on";
        return true;
    }
    *error = option + " takes on or off, not '" + value + "'";
    return false;
}

bool SetFormat(Options& options, const std::string& value, std::string* error) {
    std::string names;
    for (std::size_t i = 0; i < Formats().size(); ++i) {
        const FormatEntry& entry = Formats()[i];
        if (value == entry.name) {
            options.format = entry.format;
            return true;
        }
        names += std::string(i == 0 ? "" : i + 1 == Formats().size() ? " or " : ", ") + entry.name;
    }
    *error = "--format takes " + names + ", not '" + value + "'";
    return false;
}

bool SetNonEmpty(std::string& target, const std::string& option, const std::string& value, std::string* error) {
    if (value.empty()) {
        *error = option + " needs a path, not an empty text";
        return false;
    }
    target = value;
    return true;
}

// Options that take a value, as the next word or after '='.
const std::map<std::string, Setter>& ValueOptions() {
    static const std::map<std::string, Setter> options = {
        {"--plugin", [](Options& o, const std::string& v, std::string* e) { return SetNonEmpty(o.pluginPath, "--plugin", v, e); }},
        {"--format", SetFormat},
        {"--output", [](Options& o, const std::string& v, std::string* e) { return SetNonEmpty(o.outputPath, "--output", v, e); }},
        {"-o", [](Options& o, const std::string& v, std::string* e) { return SetNonEmpty(o.outputPath, "-o", v, e); }},
        {"--prism-constant", [](Options& o, const std::string& v, std::string* e) { return SetOnOff(o.prismConstant, "--prism-constant", v, e); }},
        {"--field-book", [](Options& o, const std::string& v, std::string* e) { return SetOnOff(o.fieldBook, "--field-book", v, e); }},
        {"--reductions", [](Options& o, const std::string& v, std::string* e) { return SetOnOff(o.reductions, "--reductions", v, e); }},
        {"--settings", [](Options& o, const std::string& v, std::string* e) { return SetNonEmpty(o.settingsPath, "--settings", v, e); }},
    };
    return options;
}

const std::map<std::string, bool Options::*>& FlagOptions() {
    static const std::map<std::string, bool Options::*> options = {
        {"--save-settings", &Options::saveSettings},
        {"--show-settings", &Options::showSettings},
        {"--progress", &Options::progress},
        {"--bom", &Options::byteOrderMark},
    };
    return options;
}

// A path as a shell takes it in an example: quoted when it holds a blank or a character
// the shell reads otherwise.
std::string ShellWord(const std::string& path) {
#ifdef _WIN32
    return path.find_first_of(" &()^%!;,=") == std::string::npos ? path : "\"" + path + "\"";
#else
    if (path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+,:@%") == std::string::npos)
        return path;
    std::string quoted = "'";
    for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

CommandLine UsageError(std::string error) {
    CommandLine line;
    line.action = CommandLine::Action::UsageError;
    line.error = std::move(error);
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    Options& options = line.options;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
            options.files.push_back(arg);  // "-" too: standard input
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        if (arg == "-h" || arg == "--help" || arg == "--version") {
            // A word after it was meant for something: better said than ignored.
            if (i + 1 < args.size()) return UsageError(arg + " takes nothing after it, not '" + args[i + 1] + "'");
            line.action = arg == "--version" ? CommandLine::Action::Version : CommandLine::Action::Help;
            return line;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (const auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
            if (equals != std::string::npos) return UsageError(name + " takes no value");
            options.*(flag->second) = true;
            continue;
        }
        const auto setter = ValueOptions().find(name);
        if (setter == ValueOptions().end()) return UsageError("unknown option '" + name + "'");
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return UsageError(name + " needs a value");
        }
        std::string error;
        if (!setter->second(options, value, &error)) return UsageError(error);
    }
    if (options.saveSettings && options.settingsPath.empty())
        return UsageError("--save-settings needs --settings FILE to write to");
    // A spreadsheet needs the mark to read CSV as UTF-8. JSON must not start with one; the
    // page declares its encoding; a table or calls on a terminal would show it as junk.
    if (options.byteOrderMark && options.format != OutputFormat::Csv)
        return UsageError("--bom goes with --format csv only: the other formats are read as UTF-8 without a byte order mark");
    if (options.files.empty() && !options.showSettings) return UsageError("no files to import");
    if (std::count(options.files.begin(), options.files.end(), kStandardInput) > 1)
        return UsageError("standard input ('-') can be read only once");
    return line;
}

std::string HelpText(const std::string& defaultPlugin) {
    std::string text = R"(Usage: jxl-import [OPTIONS] FILE...

Imports JobXML job files (*.jxl) through the JobXML import plug-in, the way the
surveying application does, and shows what the application would receive: stations,
observations with their station, points, their values, codes and messages. Each item
is written out as soon as it is complete. A FILE '-' is standard input (a file of that
name is ./-).

Options:
  --plugin PATH          the plug-in library to load (a PATH without a folder is a file in
                         the current folder); default: the one that came with this program,
                           jxl-import --plugin @PLUGIN@ job.jxl
  --format FORMAT        what to write (default: table):
                           table  for people: per file, the items in the order opened,
                                  each observation with its station; counts, outcome
                           csv    one row per item, then one row per file (kind "file")
                                  with its outcome and counts (RFC 4180, UTF-8)
                           json   one document: files, their items, messages, progress,
                                  counts and outcome
                           calls  every call of the plug-in on the host's objects, one
                                  JSON object per line
                           html   one page to open in a browser: per file a plan of the
                                  points (north up, stations, their observations as rays,
                                  backsights dashed), the tables, messages, totals and
                                  outcome (ok, message, cannot-open, stopped)
                           jxl-import --format csv job.jxl > job.csv
                           jxl-import --format html job.jxl > job.html
  -o, --output FILE      write to FILE instead of standard output; FILE is replaced only
                         when the run has written it whole (exit status 0 or 1); a FILE
                         being imported or the --settings FILE, by any name, is refused
                           jxl-import --format json -o job.json job.jxl
  --prism-constant on|off  apply the target's prism constant to measured distances
                           jxl-import --prism-constant off job.jxl
  --field-book on|off    import the field book (stations, observations, points)
                           jxl-import --field-book off job.jxl
  --reductions on|off    import the reductions (computed points)
                           jxl-import --reductions off job.jxl
  --settings FILE        read the plug-in's settings from FILE, lines Key=value with the keys
                         ConsiderPrismConstant, ParseFieldBookNode, ParseReductionsNode and
                         the values 1 (on) or 0 (off); the plug-in reads any other value as
                         off. '#' and ';' start comments; a [Section] line is ignored, with a
                         warning. The three options above override it. A FILE that does not
                         exist is an error unless --save-settings is to make it
                           jxl-import --settings jxl.ini --save-settings --show-settings
                           jxl-import --settings jxl.ini job.jxl
  --save-settings        after the import, write the plug-in's settings back into the
                         --settings FILE (made when missing; other lines are kept)
                           jxl-import --settings jxl.ini --prism-constant off --save-settings job.jxl
  --show-settings        print the plug-in's settings list (heading, each property with its
                         choices, (*) marking the current one) and exit; no FILE needed
                           jxl-import --settings jxl.ini --show-settings
  --bom                  start the csv output with a UTF-8 byte order mark (EF BB BF), so
                         that a spreadsheet on Windows reads Cyrillic names right; csv only
                           jxl-import --format csv --bom -o job.csv job.jxl
  --progress             draw a progress bar on standard error while importing, when it
                         is a terminal
                           jxl-import --progress --format csv *.jxl > all.csv
  -h, --help             this text
  --version              the program's version
  --                     every word after it is a FILE

A job from standard input:
                           cat job.jxl | jxl-import --format csv - > job.csv

An option's value may follow it as the next word or after '=' (--format=calls).

Table columns: Station the station an observation follows, HI instrument height, HT
target height, Hz and V horizontal and vertical circle, SD slope distance (with the
prism constant when it is applied), Face 1 or 2, North, East, Elev, Keyed (keyed-in
point), Code (with its feature attributes). The csv and json columns are the same
values by longer names; keyed_in is true for a point whose survey method is KeyedIn
(its coordinates typed in on the controller, not measured), and keyed_in_flag is the
flag the plug-in sends the application with that mark, which is always false.

Units: JobXML records angles in decimal degrees, distances, heights and coordinates in
metres, pressure in millibars (hPa) and temperature in degrees Celsius, whatever units
the job shows on the controller (its UnitsRecord). jxl-import converts nothing: every
format gives the values in these units.

What became of each file (csv, json, and the table when it is not ok):
  ok           imported to its end without a message
  message      imported to its end with a message (a badly formed file)
  cannot-open  the file could not be opened
  stopped      the import of the file did not reach its end

Messages of the plug-in go to standard error as "PATH: message"; warnings about the
settings file as "jxl-import: warning: FILE:LINE: ...".

Exit status:
  0  every file was imported and is ok
  1  a file is not ok: it could not be opened, is badly formed, or was stopped
  2  usage error: a bad option or value, no FILE, a settings file or standard input
     that cannot be read, an output or a saved settings file that is a file it reads
  3  the plug-in library cannot be loaded or has no CreatePlugin
  4  a file cannot be written: the output ("cannot write output: REASON"), the
     settings file of --save-settings, or the copy of standard input
)";
    return text.replace(text.find("@PLUGIN@"), 8, ShellWord(defaultPlugin));
}

}  // namespace Tool
