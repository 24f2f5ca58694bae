#include "tool/jxl_import_options.h"

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
    static const std::map<std::string, OutputFormat> formats = {
        {"table", OutputFormat::Table}, {"csv", OutputFormat::Csv}, {"json", OutputFormat::Json}, {"calls", OutputFormat::Calls},
        {"html", OutputFormat::Html}};
    const auto found = formats.find(value);
    if (found == formats.end()) {
        *error = "--format takes table, csv, json, calls or html, not '" + value + "'";
        return false;
    }
    options.format = found->second;
    return true;
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
    };
    return options;
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
            options.files.push_back(arg);  // "-" too: a file of that name
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (arg == "--version") {
            line.action = CommandLine::Action::Version;
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
    if (options.files.empty() && !options.showSettings) return UsageError("no files to import");
    return line;
}

std::string HelpText() {
    return R"(Usage: jxl-import [OPTIONS] FILE...

Imports JobXML job files (*.jxl) through the JobXML import plug-in, the way the
surveying application does, and shows what the application would receive: stations,
observations under their station, points, their values, codes and messages.

Options:
  --plugin PATH          the plug-in library to load; default: the one that came with this program
                           jxl-import --plugin /opt/jxl/libjxlimport.so job.jxl
  --format FORMAT        what to print on standard output (default: table):
                           table  for people: per file, the items in the order opened
                           csv    one row per item, a header row (RFC 4180, UTF-8)
                           json   one document: files, messages, progress, items
                           calls  every call of the plug-in on the host's objects, one
                                  JSON object per line
                           html   one page to open in a browser: per file a plan of the
                                  points (north up, stations, their observations as rays,
                                  backsights dashed), the tables, messages, totals and
                                  outcome (ok, message, cannot-open, stopped)
                           jxl-import --format csv job.jxl > job.csv
                           jxl-import --format html job.jxl > job.html
  --prism-constant on|off  apply the target's prism constant to measured distances
                           jxl-import --prism-constant off job.jxl
  --field-book on|off    import the field book (stations, observations, points)
                           jxl-import --field-book off job.jxl
  --reductions on|off    import the reductions (computed points)
                           jxl-import --reductions off job.jxl
  --settings FILE        read the plug-in's settings from FILE, lines Key=integer
                         (ConsiderPrismConstant, ParseFieldBookNode, ParseReductionsNode;
                         1 is on); the three options above override it
                           jxl-import --settings jxl.ini job.jxl
  --save-settings        after the import, write the plug-in's settings back into the
                         --settings FILE (made when missing; other lines are kept)
                           jxl-import --settings jxl.ini --prism-constant off --save-settings job.jxl
  --show-settings        print the plug-in's settings list (heading, each property with its
                         choices, (*) marking the current one) and exit; no FILE needed
                           jxl-import --settings jxl.ini --show-settings
  --progress             draw a progress bar on standard error while importing, when it
                         is a terminal
                           jxl-import --progress --format csv *.jxl > all.csv
  -h, --help             this text
  --version              the program's version
  --                     every word after it is a FILE

An option's value may follow it as the next word or after '=' (--format=calls).

Table columns: HI instrument height, HT target height, Hz and V horizontal and vertical
circle, SD slope distance (with the prism constant when it is applied), Face 1 or 2,
North, East, Elev, Keyed (keyed-in point), Code (with its feature attributes).

Messages of the plug-in go to standard error as "PATH: message".

Exit status:
  0  every file was imported without a message
  1  a file drew a message (it could not be opened or is badly formed)
  2  usage error: a bad option or value, no FILE, an unreadable settings file
  3  the plug-in library cannot be loaded or has no CreatePlugin
)";
}

}  // namespace Tool
