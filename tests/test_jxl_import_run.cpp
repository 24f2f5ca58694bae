#include "test_jxl_import_run.h"

#include <stdexcept>

#include "platform/utf.h"
#include "support.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <gnu/libc-version.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#endif

namespace ToolRun {
namespace {

#ifdef _WIN32

std::wstring Wide(const std::string& utf8) { return Platform::FromUtf8(utf8); }

std::wstring ExecutablePath() { return Wide(Support::BesideTests("jxl-import.exe")); }

// The quoting that the C runtime's command-line parser undoes.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

struct Handle {
    HANDLE value;
    ~Handle() {
        if (value != INVALID_HANDLE_VALUE && value) ::CloseHandle(value);
    }
};

HANDLE CreateOutputFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
}

HANDLE OpenInheritable(const std::string& path, DWORD access, DWORD flags = 0) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, flags, nullptr);
}

// An environment variable set for the children started while this lives.
struct EnvironmentVariable {
    std::wstring name;
    std::wstring old;
    bool had = false;
    EnvironmentVariable(const wchar_t* variable, const std::string& value) : name(variable) {
        if (value.empty()) return;
        wchar_t buffer[32768];
        const DWORD length = ::GetEnvironmentVariableW(variable, buffer, 32768);
        had = length > 0;
        old.assign(buffer, length);
        ::SetEnvironmentVariableW(variable, Wide(value).c_str());
        set = true;
    }
    ~EnvironmentVariable() {
        if (set) ::SetEnvironmentVariableW(name.c_str(), had ? old.c_str() : nullptr);
    }
    bool set = false;
};

int Spawn(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath,
          const RunOptions& options) {
    std::wstring line = Quoted(ExecutablePath());
    for (const std::string& arg : args) line += L" " + Quoted(Wide(arg));
    Handle out{nullptr};
    switch (options.output) {
    case RunOptions::Output::File: out.value = CreateOutputFile(outPath); break;
    case RunOptions::Output::FullDevice:
    case RunOptions::Output::Terminal:
        throw std::runtime_error("no full device or pseudo-terminal on Windows");
    case RunOptions::Output::Closed: out.value = nullptr; break;
    case RunOptions::Output::ReadOnly:
        ::CloseHandle(CreateOutputFile(outPath));
        out.value = OpenInheritable(outPath, GENERIC_READ);
        break;
    }
    Handle err{CreateOutputFile(errPath)};
    Handle input{nullptr};
    Handle pipeWriter{nullptr};
    switch (options.input) {
    case RunOptions::Input::Inherited: break;
    case RunOptions::Input::File: {
        const std::string path = Support::WriteScratchFile("jxl-import.in", options.inputBytes);
        input.value = OpenInheritable(path, GENERIC_READ);
        break;
    }
    case RunOptions::Input::Pipe: {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE reader = nullptr, writer = nullptr;
        if (!::CreatePipe(&reader, &writer, &inherit, 1 << 20)) throw std::runtime_error("no pipe");
        ::SetHandleInformation(writer, HANDLE_FLAG_INHERIT, 0);
        input.value = reader;
        pipeWriter.value = writer;
        DWORD written = 0;
        ::WriteFile(writer, options.inputBytes.data(), static_cast<DWORD>(options.inputBytes.size()), &written, nullptr);
        ::CloseHandle(pipeWriter.value);
        pipeWriter.value = nullptr;
        break;
    }
    case RunOptions::Input::Folder:
        input.value = OpenInheritable(Support::ScratchPath(""), GENERIC_READ, FILE_FLAG_BACKUP_SEMANTICS);
        break;
    case RunOptions::Input::Closed: input.value = nullptr; break;
    }
    EnvironmentVariable tmp(L"TMP", options.temporaryFolder), temp(L"TEMP", options.temporaryFolder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = options.input == RunOptions::Input::Inherited ? ::GetStdHandle(STD_INPUT_HANDLE) : input.value;
    startup.hStdOutput = out.value;
    startup.hStdError = err.value;
    PROCESS_INFORMATION process{};
    const std::wstring folder = Wide(options.folder.empty() ? std::string(JXL_SOURCE_DIR) : options.folder);
    // Under Wine a process start now and then fails while other Wine processes start and
    // end beside it (the test run's are in parallel): a few more tries, then the reason.
    for (int attempt = 1;; ++attempt) {
        if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup, &process))
            break;
        const DWORD error = ::GetLastError();
        if (attempt == 3) throw std::runtime_error("cannot start jxl-import.exe: error " + std::to_string(error));
        ::Sleep(200);
    }
    Handle thread{process.hThread};
    Handle child{process.hProcess};
    ::WaitForSingleObject(child.value, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(child.value, &status);
    return static_cast<int>(status);
}

#else

std::string ExecutablePath() { return Support::BesideTests("jxl-import"); }

// Standard error goes to `errPath`, or to the terminal `errTerminal` when it is open. A
// `memoryLimit` other than 0 caps the child's address space.
int Spawn(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath,
          const RunOptions& options, int errTerminal = -1, const std::string& program = ExecutablePath()) {
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::string inputPath;
    if (options.input == RunOptions::Input::File) inputPath = Support::WriteScratchFile("jxl-import.in", options.inputBytes);
    int pipeEnds[2] = {-1, -1};
    if (options.input == RunOptions::Input::Pipe && ::pipe(pipeEnds) != 0) throw std::runtime_error("no pipe");
    const std::string folder = options.folder.empty() ? std::string(JXL_SOURCE_DIR) : options.folder;
    const std::string toolFolder = ToolFolder();
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("cannot start jxl-import");
    if (child == 0) {
        int out = -1;
        switch (options.output) {
        case RunOptions::Output::File: out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); break;
        case RunOptions::Output::FullDevice: out = ::open("/dev/full", O_WRONLY); break;
        case RunOptions::Output::Terminal: out = errTerminal; break;
        case RunOptions::Output::Closed: break;
        case RunOptions::Output::ReadOnly:
            ::close(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
            out = ::open(outPath.c_str(), O_RDONLY);
            break;
        }
        const int err = errTerminal >= 0 ? errTerminal : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = -1;
        switch (options.input) {
        case RunOptions::Input::Inherited: in = 0; break;
        case RunOptions::Input::File: in = ::open(inputPath.c_str(), O_RDONLY); break;
        case RunOptions::Input::Pipe: in = pipeEnds[0]; ::close(pipeEnds[1]); break;
        case RunOptions::Input::Folder: in = ::open("/", O_RDONLY | O_DIRECTORY); break;
        case RunOptions::Input::Closed: break;
        }
        if (err < 0 || ::dup2(err, 2) < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
        if (options.output == RunOptions::Output::Closed) ::close(1);
        else if (out < 0 || ::dup2(out, 1) < 0) ::_exit(127);
        if (options.input == RunOptions::Input::Closed) ::close(0);
        else if (in < 0 || (in != 0 && ::dup2(in, 0) < 0)) ::_exit(127);
        if (options.fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);
        }
        if (!options.temporaryFolder.empty()) ::setenv("TMPDIR", options.temporaryFolder.c_str(), 1);
        const char* path = ::getenv("PATH");
        ::setenv("PATH", (toolFolder + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
        if (options.memoryLimit != 0) {
            const rlimit limit{static_cast<rlim_t>(options.memoryLimit), static_cast<rlim_t>(options.memoryLimit)};
            if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(127);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (errTerminal >= 0) ::close(errTerminal);
    if (options.input == RunOptions::Input::Pipe) {
        ::close(pipeEnds[0]);
        // Small inputs only: a pipe holds 64 KiB before its writer waits for the reader.
        const ssize_t written = ::write(pipeEnds[1], options.inputBytes.data(), options.inputBytes.size());
        (void)written;
        ::close(pipeEnds[1]);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

}  // namespace

Result JxlImport(const std::vector<std::string>& args, const RunOptions& options) {
    const std::string outPath = Support::ScratchPath("jxl-import.out");
    const std::string errPath = Support::ScratchPath("jxl-import.err");
    Result result;
    result.status = Spawn(args, outPath, errPath, options);
    if (options.output == RunOptions::Output::File) result.out = Support::ReadFile(outPath);
    result.err = Support::ReadFile(errPath);
    return result;
}

std::string ToolFolder() {
#ifdef _WIN32
    const std::wstring path = ExecutablePath();
    return Platform::ToUtf8(path.substr(0, path.find_last_of(L"\\/")));
#else
    const std::string path = ExecutablePath();
    return path.substr(0, path.find_last_of('/'));
#endif
}

#ifndef _WIN32

struct FileDescriptor {
    int value;
    ~FileDescriptor() {
        if (value >= 0) ::close(value);
    }
};

Result JxlImportOnTerminal(const std::vector<std::string>& args, bool outputToo) {
    FileDescriptor master{::posix_openpt(O_RDWR | O_NOCTTY)};
    if (master.value < 0 || ::grantpt(master.value) != 0 || ::unlockpt(master.value) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const int terminal = ::open(::ptsname(master.value), O_RDWR | O_NOCTTY);
    if (terminal < 0) throw std::runtime_error("no pseudo-terminal");
    const std::string outPath = Support::ScratchPath("jxl-import.out");
    Result result;
    RunOptions options;
    if (outputToo) options.output = RunOptions::Output::Terminal;
    result.status = Spawn(args, outPath, {}, options, terminal);  // closes the terminal here
    // The child is gone: what it wrote waits in the master, which reports the end as EIO.
    char buffer[4096];
    for (ssize_t count; (count = ::read(master.value, buffer, sizeof buffer)) > 0;) result.err.append(buffer, static_cast<std::size_t>(count));
    if (!outputToo) result.out = Support::ReadFile(outPath);
    return result;
}

Result JxlImportWithMemoryLimit(const std::vector<std::string>& args, std::size_t bytes) {
    RunOptions options;
    options.memoryLimit = bytes;
    return JxlImport(args, options);
}

Result Shell(const std::string& command, const std::string& folder) {
    const std::string outPath = Support::ScratchPath("shell.out");
    const std::string errPath = Support::ScratchPath("shell.err");
    RunOptions options;
    options.folder = folder;
    Result result;
    result.status = Spawn({"-c", command}, outPath, errPath, options, -1, "/bin/sh");
    result.out = Support::ReadFile(outPath);
    result.err = Support::ReadFile(errPath);
    return result;
}

#endif

std::string SourceFile(const std::string& relativePath) {
    return Support::ReadFile(std::string(JXL_SOURCE_DIR) + "/" + relativePath);
}

std::string LibraryWithoutCreatePlugin() {
#ifdef _WIN32
    wchar_t buffer[32768];
    return Platform::ToUtf8(std::wstring(buffer, ::GetModuleFileNameW(::GetModuleHandleW(L"kernel32.dll"), buffer, 32768)));
#else
    // The C library, by a function of its own that no sanitizer replaces in the program.
    Dl_info info{};
    ::dladdr(reinterpret_cast<void*>(&::gnu_get_libc_version), &info);
    return info.dli_fname ? info.dli_fname : "";
#endif
}

}  // namespace ToolRun
