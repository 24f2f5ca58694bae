#include "tool/jxl_import.h"

#include <exception>

#include "tool/console.h"
#include "tool/format_html.h"
#include "host/file_list.h"
#include "tool/formats.h"
#include "tool/import_summary.h"
#include "tool/jxl_import_options.h"
#include "host/plugin_library.h"
#include "tool/progress_bar.h"
#include "host/property_view.h"
#include "host/receiver.h"
#include "tool/settings_file.h"
#include "platform/utf.h"
#include "sdk/ref_ptr.h"

#ifndef JXL_IMPORT_VERSION
#define JXL_IMPORT_VERSION "unknown"
#endif

namespace Tool {
namespace {

int Fail(int status, const std::string& message) {
    Write(Stream::Err, "jxl-import: " + message + "\n");
    return status;
}

// Records like the library's receiver, and shows the import as it goes: the progress bar,
// and each message as "PATH: message".
class CToolReceiver final : public Host::CRecordingReceiver {
public:
    CToolReceiver(Host::CallRecorder* recorder, CProgressBar* bar) : Host::CRecordingReceiver(recorder), m_bar(bar) {}

    void BeginFile(const Plugin::WChar* path) override {
        Host::CRecordingReceiver::BeginFile(path);
        m_path = path ? Platform::ToUtf8(path) : std::string();
        m_bar->BeginFile(m_path);
    }
    void ShowMessage(const Plugin::WChar* text) override {
        Host::CRecordingReceiver::ShowMessage(text);
        ++messages;
        m_bar->Print(m_path + ": " + (text ? Platform::ToUtf8(text) : std::string()));
    }
    void SetProgress(float percent) override {
        Host::CRecordingReceiver::SetProgress(percent);
        m_bar->SetFilePercent(percent);
    }

    const std::string& CurrentPath() const { return m_path; }
    int messages = 0;

private:
    CProgressBar* m_bar;
    std::string m_path;
};

void ApplyOverride(Host::CSettingsStore& store, const char* key, const std::optional<bool>& value) {
    if (value) store.values[key] = *value ? 1 : 0;
}

bool ReadSettings(const Options& options, Host::CSettingsStore* store, std::string* error) {
    if (!options.settingsPath.empty() && !LoadSettingsFile(options.settingsPath, options.saveSettings, store, error))
        return false;
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

std::string Output(OutputFormat format, const Host::CallLog& calls) {
    switch (format) {
    case OutputFormat::Csv: return FormatCsv(SummariseImport(calls));
    case OutputFormat::Json: return FormatJson(SummariseImport(calls));
    case OutputFormat::Calls: return FormatCalls(calls);
    case OutputFormat::Table:
    case OutputFormat::Html: break;  // the page is written file by file: WriteHtml
    }
    return FormatTable(SummariseImport(calls));
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

void WriteHtml(Plugin::IGroundBasedMIP* plugin, const Options& options, const Host::CallLog& calls) {
    CHtmlReport report(HeldSettings(plugin, options), [](const std::string& piece) { Write(Stream::Out, piece); });
    report.Begin();
    for (const ImportedFile& file : SummariseImport(calls)) report.AddFile(file);
    report.End();
}

// One Import call for all the files, as a host application makes it. An exception out
// of the plug-in ends the import; what came before it is still shown.
int Import(Plugin::IGroundBasedMIP* plugin, const Options& options) {
    std::vector<Plugin::WString> paths;
    for (const std::string& path : options.files) paths.push_back(Platform::FileNameFromBytes(path));
    Host::CFileList files(std::move(paths));
    Host::CallRecorder recorder;
    int status = kImportedCleanly;
    {
        CProgressBar bar(options.files.size(), options.progress);
        CToolReceiver receiver(&recorder, &bar);
        std::string failure;
        try {
            plugin->Import(&files, &receiver);
        } catch (const std::exception& error) {
            failure = error.what();
        } catch (...) {
            failure = "an unknown error";
        }
        if (!failure.empty() || receiver.messages > 0) status = kFileDrewMessage;
        if (!failure.empty())
            bar.Print("jxl-import: " + receiver.CurrentPath() + ": the plug-in stopped the import: " + failure);
    }
    if (recorder.liveObjects != 0)
        Write(Stream::Err, "jxl-import: warning: the plug-in left " + std::to_string(recorder.liveObjects) +
                               " value parser objects unreleased\n");
    if (options.format == OutputFormat::Html)
        WriteHtml(plugin, options, recorder.calls);
    else
        Write(Stream::Out, Output(options.format, recorder.calls));
    return status;
}

int Run(const Options& options) {
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

    Host::CSettingsReader reader(store);
    plugin->LoadSettings(&reader);

    int status = kImportedCleanly;
    if (options.showSettings)
        Write(Stream::Out, ShowSettings(plugin.Get(), view));
    else
        status = Import(plugin.Get(), options);

    if (options.saveSettings && !WriteSettings(plugin.Get(), options, store, &error)) return Fail(kUsageError, error);
    return status;
}

}  // namespace

int RunJxlImport(const std::vector<std::string>& args) {
    const CommandLine line = ParseCommandLine(args);
    switch (line.action) {
    case CommandLine::Action::Help:
        Write(Stream::Out, HelpText());
        return kImportedCleanly;
    case CommandLine::Action::Version:
        Write(Stream::Out, std::string("jxl-import ") + JXL_IMPORT_VERSION + "\n");
        return kImportedCleanly;
    case CommandLine::Action::UsageError:
        return Fail(kUsageError, line.error + " (see jxl-import --help)");
    case CommandLine::Action::Run: break;
    }
    return Run(line.options);
}

}  // namespace Tool
