#include "tool/jxl_import.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "host/file_list.h"
#include "host/plugin_library.h"
#include "host/property_view.h"
#include "host/receiver.h"
#include "platform/utf.h"
#include "sdk/ref_ptr.h"
#include "tool/console.h"
#include "tool/files.h"
#include "tool/formats.h"
#include "tool/import_summary.h"
#include "tool/jxl_import_options.h"
#include "tool/output.h"
#include "tool/progress_bar.h"
#include "tool/reasons.h"
#include "tool/settings_file.h"

#ifndef JXL_IMPORT_VERSION
#define JXL_IMPORT_VERSION "unknown"
#endif

namespace Tool {
namespace {

int Fail(int status, const std::string& message) {
    Write(Stream::Err, "jxl-import: " + message + "\n");
    return status;
}

// Hands every call to the summary as it happens, and keeps none.
class CStreamingRecorder final : public Host::CallRecorder {
public:
    explicit CStreamingRecorder(CImportSummary& summary) : m_summary(summary) {}
    void Record(const Host::CallEvent& event) override { m_summary.Add(event); }

private:
    CImportSummary& m_summary;
};

// Records like the library's receiver, and shows the import as it goes: the progress bar,
// and at each file's end its messages as "PATH: message", each followed by what the tool
// found of its reason as "PATH: reason: ...", which go to the summary too. The copy of
// standard input is shown as "-".
class CToolReceiver final : public Host::CRecordingReceiver {
public:
    // `paths` are the files in the order of the list, as the tool reads them.
    CToolReceiver(Host::CallRecorder* recorder, CImportSummary& summary, CProgressBar* bar,
                  Plugin::WString standardInputCopy, std::vector<std::string> paths, SectionSettings settings)
        : Host::CRecordingReceiver(recorder), m_summary(summary), m_bar(bar),
          m_standardInputCopy(std::move(standardInputCopy)), m_paths(std::move(paths)), m_settings(settings) {}

    void BeginFile(const Plugin::WChar* path) override {
        EndFile();
        ++beganFiles;
        const bool standardInput = path && !m_standardInputCopy.empty() && m_standardInputCopy == path;
        // The file the tool looks at again is the list's, when the plug-in names it.
        m_listed = path && beganFiles <= m_paths.size() &&
                   Platform::FileNameFromBytes(m_paths[beganFiles - 1]) == path;
        if (standardInput) path = WIDE("-");
        Host::CRecordingReceiver::BeginFile(path);
        m_path = path ? Platform::ToUtf8(path) : std::string();
        m_bar->BeginFile(m_path);
    }
    void ShowMessage(const Plugin::WChar* text) override {
        Host::CRecordingReceiver::ShowMessage(text);
        m_messages.push_back(text ? Platform::ToUtf8(text) : std::string());
    }
    void SetProgress(float percent) override {
        Host::CRecordingReceiver::SetProgress(percent);
        m_bar->SetFilePercent(percent);
    }

    // The file announced last has ended: its messages are shown with their reasons. Only
    // then is a file looked at again, once the plug-in has let go of it.
    void EndFile() {
        if (m_messages.empty()) return;
        std::vector<std::string> reasons = m_listed ? ReasonsFor(m_paths[beganFiles - 1], m_messages, m_settings)
                                                    : std::vector<std::string>(m_messages.size());
        for (std::size_t i = 0; i < m_messages.size(); ++i) {
            m_bar->Print(m_path + ": " + m_messages[i]);
            if (!reasons[i].empty()) m_bar->Print(m_path + ": reason: " + reasons[i]);
        }
        m_summary.SetReasons(std::move(reasons));
        m_messages.clear();
    }

    const std::string& CurrentPath() const { return m_path; }
    std::size_t beganFiles = 0;

private:
    CImportSummary& m_summary;
    CProgressBar* m_bar;
    Plugin::WString m_standardInputCopy;
    std::vector<std::string> m_paths;
    SectionSettings m_settings;
    std::string m_path;
    bool m_listed = false;                // the file announced is the list's next one
    std::vector<std::string> m_messages;  // the file's, shown when it ends
};

// Why the run would write over a file it reads, whichever paths name the two: a job being
// imported, or the settings file. Empty when it would not. Standard input, and a path that
// names nothing yet, are no file that could be lost.
std::string WritesOverWhatItReads(const Options& options) {
    const auto same = [](const std::string& a, const std::string& b) {
        const std::optional<FileIdentity> identity = IdentityOf(a);
        return identity && identity == IdentityOf(b);
    };
    for (const std::string& file : options.files) {
        if (file == kStandardInput) continue;
        if (!options.outputPath.empty() && same(options.outputPath, file))
            return "the output " + options.outputPath + " is " + file +
                   ", a file being imported: writing it would replace the job; name another output file";
        if (options.saveSettings && same(options.settingsPath, file))
            return "the settings file " + options.settingsPath + " is " + file +
                   ", a file being imported: --save-settings would replace the job; name another settings file";
    }
    if (!options.outputPath.empty() && !options.settingsPath.empty() && same(options.outputPath, options.settingsPath))
        return "the output " + options.outputPath + " is " + options.settingsPath +
               ", the settings file: writing it would replace the settings; name another output file";
    return {};
}

void ApplyOverride(Host::CSettingsStore& store, const char* key, const std::optional<bool>& value) {
    if (value) store.values[key] = *value ? 1 : 0;
}

bool ReadSettings(const Options& options, Host::CSettingsStore* store, std::string* error) {
    if (!options.settingsPath.empty()) {
        std::vector<std::string> warnings;
        if (!LoadSettingsFile(options.settingsPath, options.saveSettings, store, &warnings, error)) return false;
        for (const std::string& warning : warnings) Write(Stream::Err, "jxl-import: warning: " + warning + "\n");
    }
    ApplyOverride(*store, "ConsiderPrismConstant", options.prismConstant);
    ApplyOverride(*store, "ParseFieldBookNode", options.fieldBook);
    ApplyOverride(*store, "ParseReductionsNode", options.reductions);
    return true;
}

bool WriteSettings(Plugin::IGroundBasedMIP* plugin, const Options& options, Host::CSettingsStore& store, std::string* error) {
    Host::CSettingsWriter writer(store);
    plugin->SaveSettings(&writer);
    return SaveSettingsFile(options.settingsPath, store, error);
}

std::string ShowSettings(Plugin::IGroundBasedMIP* plugin, Host::CRecordingPropertyView& view) {
    Plugin::IPropertyListViewController* controller = plugin->GetPropertyListViewController();
    if (!controller) return {};
    controller->InitializeView(&view);
    return Host::Describe(view);
}

// The report's heading shows the settings the plug-in holds, as it would save them.
HtmlRun HeldSettings(Plugin::IGroundBasedMIP* plugin, const Options& options) {
    Host::CSettingsStore held;
    Host::CSettingsWriter writer(held);
    plugin->SaveSettings(&writer);
    HtmlRun run;
    const std::pair<const char*, const char*> keys[] = {{"ConsiderPrismConstant", "--prism-constant"},
                                                        {"ParseFieldBookNode", "--field-book"},
                                                        {"ParseReductionsNode", "--reductions"}};
    for (const auto& [key, option] : keys) {
        const auto value = held.values.find(key);
        if (value != held.values.end()) run.settings.push_back({key, option, value->second == 1});
    }
    run.settingsFile = options.settingsPath;
    return run;
}

// One Import call for all the files, as a host application makes it, written out as it
// goes. An exception out of the plug-in ends the import; what came before it is shown.
int Import(Plugin::IGroundBasedMIP* plugin, const Options& options, const CStandardInputCopy& standardInput,
           COutput& out) {
    std::vector<std::string> readPaths;
    std::vector<Plugin::WString> paths;
    for (const std::string& path : options.files) {
        readPaths.push_back(path == kStandardInput ? standardInput.Path() : path);
        paths.push_back(Platform::FileNameFromBytes(readPaths.back()));
    }
    const Plugin::WString standardInputCopy =
        standardInput.Path().empty() ? Plugin::WString() : Platform::FileNameFromBytes(standardInput.Path());
    Host::CFileList files(std::move(paths));

    const HtmlRun run = HeldSettings(plugin, options);
    SectionSettings sections;  // as the plug-in holds them, which decides what it asks of a file
    for (const HtmlSetting& setting : run.settings) {
        if (setting.key == "ParseFieldBookNode") sections.fieldBook = setting.on;
        if (setting.key == "ParseReductionsNode") sections.reductions = setting.on;
    }
    const std::unique_ptr<CFormat> format = MakeFormat(options.format, out, run);
    CImportSummary summary(*format);
    CStreamingRecorder recorder(summary);
    int status = kImportedCleanly;
    {
        CProgressBar bar(options.files.size(), options.progress);
        out.AroundTerminalWrites([&bar] { bar.Hide(); }, [&bar] { bar.Show(); });
        CToolReceiver receiver(&recorder, summary, &bar, standardInputCopy, std::move(readPaths), sections);
        if (options.byteOrderMark) out.Write("\xEF\xBB\xBF");
        format->BeginImport();
        std::string failure;
        try {
            plugin->Import(&files, &receiver);
        } catch (const std::exception& error) {
            failure = error.what();
        } catch (...) {
            failure = "an unknown error";
        }
        receiver.EndFile();
        summary.Finish();
        if (!failure.empty() || !summary.Totals().AllOk()) status = kFileNotOk;
        if (!failure.empty())
            bar.Print("jxl-import: " + receiver.CurrentPath() + ": the plug-in stopped the import: " + failure);
        if (receiver.beganFiles < options.files.size()) {
            const std::size_t left = options.files.size() - receiver.beganFiles;
            bar.Print("jxl-import: the import ended early: " + std::to_string(left) +
                      (left == 1 ? " file was not imported" : " files were not imported"));
            status = kFileNotOk;
        }
        out.Flush();
        out.AroundTerminalWrites({}, {});
    }
    if (recorder.liveObjects != 0)
        Write(Stream::Err, "jxl-import: warning: the plug-in left " + std::to_string(recorder.liveObjects) +
                               " value parser objects unreleased\n");
    return status;
}

// The output's end: flushed, closed, and put in place when the run wrote it whole.
int Finish(COutput& out, int status) {
    const bool whole = status == kImportedCleanly || status == kFileNotOk;
    if (!out.Finish(whole)) return Fail(kCannotWrite, "cannot write output: " + out.Reason());
    return status;
}

int Run(const Options& options, COutputFile& outputFile) {
    // Before anything is read, loaded or written.
    if (const std::string overwrite = WritesOverWhatItReads(options); !overwrite.empty()) return Fail(kUsageError, overwrite);
    Host::CSettingsStore store;
    std::string error;
    if (!ReadSettings(options, &store, &error)) return Fail(kUsageError, error);

    // Declared in this order so that the view outlives the plug-in object that points to
    // it, and the library outlives both.
    Host::CPluginLibrary library;
    if (!library.Load(options.pluginPath.empty() ? Host::CPluginLibrary::DefaultPath() : options.pluginPath, &error))
        return Fail(kPluginNotLoaded, error);
    Host::CRecordingPropertyView view;
    const Plugin::CRefPtr<Plugin::IGroundBasedMIP> plugin(library.CreatePlugin()());
    if (!plugin) return Fail(kPluginNotLoaded, "CreatePlugin gave no plug-in object");

    CStandardInputCopy standardInput;
    if (!options.showSettings && std::find(options.files.begin(), options.files.end(), kStandardInput) != options.files.end()) {
        bool readFailed = false;
        if (!standardInput.Make(&error, &readFailed)) return Fail(readFailed ? kUsageError : kCannotWrite, error);
    }
    if (options.outputPath.empty())
        outputFile.OpenStandardOutput();
    else if (!outputFile.OpenReplacing(options.outputPath, &error))
        return Fail(kCannotWrite, "cannot write output: " + error);
    COutput out(outputFile);

    Host::CSettingsReader reader(store);
    plugin->LoadSettings(&reader);

    int status = kImportedCleanly;
    if (options.showSettings)
        out.Write(ShowSettings(plugin.Get(), view));
    else
        status = Import(plugin.Get(), options, standardInput, out);

    if (options.saveSettings && !WriteSettings(plugin.Get(), options, store, &error)) status = Fail(kCannotWrite, error);
    return Finish(out, status);
}

// Help and version: written and checked like any output.
int Print(COutputFile& outputFile, const std::string& text) {
    COutput out(outputFile);
    out.Write(text);
    return Finish(out, kImportedCleanly);
}

}  // namespace

int RunJxlImport(const std::vector<std::string>& args) {
    GuardStandardStreams();
    const CommandLine line = ParseCommandLine(args);
    COutputFile outputFile;
    if (line.action != CommandLine::Action::Run) outputFile.OpenStandardOutput();
    switch (line.action) {
    case CommandLine::Action::Help: return Print(outputFile, HelpText(Host::CPluginLibrary::DefaultPath()));
    case CommandLine::Action::Version: return Print(outputFile, std::string("jxl-import ") + JXL_IMPORT_VERSION + "\n");
    case CommandLine::Action::UsageError: return Fail(kUsageError, line.error + " (see jxl-import --help)");
    case CommandLine::Action::Run: break;
    }
    return Run(line.options, outputFile);
}

}  // namespace Tool
