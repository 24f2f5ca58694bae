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

int Spawn(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath) {
    std::wstring line = Quoted(ExecutablePath());
    for (const std::string& arg : args) line += L" " + Quoted(Wide(arg));
    Handle out{CreateOutputFile(outPath)};
    Handle err{CreateOutputFile(errPath)};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.value;
    startup.hStdError = err.value;
    PROCESS_INFORMATION process{};
    const std::wstring folder = Wide(JXL_SOURCE_DIR);
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup, &process))
        throw std::runtime_error("cannot start jxl-import.exe");
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
          int errTerminal = -1, std::size_t memoryLimit = 0) {
    const std::string program = ExecutablePath();
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("cannot start jxl-import");
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = errTerminal >= 0 ? errTerminal : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(JXL_SOURCE_DIR) != 0) ::_exit(127);
        const struct rlimit limit = {memoryLimit, memoryLimit};
        if (memoryLimit != 0 && ::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(127);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (errTerminal >= 0) ::close(errTerminal);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

}  // namespace

Result JxlImport(const std::vector<std::string>& args) {
    const std::string outPath = Support::ScratchPath("jxl-import.out");
    const std::string errPath = Support::ScratchPath("jxl-import.err");
    Result result;
    result.status = Spawn(args, outPath, errPath);
    result.out = Support::ReadFile(outPath);
    result.err = Support::ReadFile(errPath);
    return result;
}

#ifndef _WIN32

struct FileDescriptor {
    int value;
    ~FileDescriptor() {
        if (value >= 0) ::close(value);
    }
};

Result JxlImportOnTerminal(const std::vector<std::string>& args) {
    FileDescriptor master{::posix_openpt(O_RDWR | O_NOCTTY)};
    if (master.value < 0 || ::grantpt(master.value) != 0 || ::unlockpt(master.value) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const int terminal = ::open(::ptsname(master.value), O_RDWR | O_NOCTTY);
    if (terminal < 0) throw std::runtime_error("no pseudo-terminal");
    const std::string outPath = Support::ScratchPath("jxl-import.out");
    Result result;
    result.status = Spawn(args, outPath, {}, terminal);  // closes the terminal here
    // The child is gone: what it wrote waits in the master, which reports the end as EIO.
    char buffer[4096];
    for (ssize_t count; (count = ::read(master.value, buffer, sizeof buffer)) > 0;) result.err.append(buffer, static_cast<std::size_t>(count));
    result.out = Support::ReadFile(outPath);
    return result;
}

Result JxlImportWithMemoryLimit(const std::vector<std::string>& args, std::size_t bytes) {
    const std::string outPath = Support::ScratchPath("jxl-import.out");
    const std::string errPath = Support::ScratchPath("jxl-import.err");
    Result result;
    result.status = Spawn(args, outPath, errPath, -1, bytes);
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
