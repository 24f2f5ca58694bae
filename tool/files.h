// The files jxl-import itself reads and writes (the settings file, the output, the copy of
// standard input), through the system's own calls, so that every failure comes with the
// system's reason in words. Paths are UTF-8 (wide on Windows).
#pragma once

#include <cstddef>
#include <string>

namespace Tool {

// Once, before anything else opens a file: a standard stream the process was started
// without gets the null device in its place, so that no file opened later takes its number
// (and the output meant for the terminal would go into it); the stream itself is then
// treated as closed, and writing to it fails as writing to a closed stream does.
void GuardStandardStreams();

// A file's bytes; false with "PATH: reason".
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason);

// Whether the path names anything at all.
bool PathExists(const std::string& path);

// Where the output goes: standard output, or a file that is replaced only when the writing
// succeeded. Every write is checked and whole; a failure gives the system's reason.
class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile();  // without Commit, a replacing file's temporary copy is removed
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    void OpenStandardOutput();

    // A regular file (or a path where there is none yet) is written as a new file beside it,
    // which Commit renames over it: whoever reads the path meets the old file or the whole
    // new one, never a half. A device or a pipe is written in place.
    bool OpenReplacing(const std::string& path, std::string* reason);

    // The bytes as they are, or as text on a Windows console.
    bool Write(const char* data, std::size_t size, std::string* reason);

    // Closes, and puts a replacing file in place. Standard output is not closed, only
    // flushed to the system.
    bool Commit(std::string* reason);

    // Closes without putting anything in place: a replacing file's copy is removed.
    void Discard();

    bool IsTerminal() const { return m_terminal; }

private:
    std::string Described(unsigned long code) const;

    std::string m_path;       // empty: standard output
    std::string m_temporary;  // the copy being written, renamed over m_path by Commit
#ifdef _WIN32
    void* m_handle = nullptr;
    bool m_console = false;
    std::string m_pending;        // a console's bytes of a character not yet whole
    std::wstring m_wideTemporary;  // m_temporary as the system names it
#else
    int m_fd = -1;
    std::string m_target;  // the file m_path names, through a symbolic link
#endif
    bool m_terminal = false;
    bool m_open = false;
};

// Standard input, copied into a temporary file of its own for the plug-in to import; the
// copy is removed when this goes, and when the process is interrupted.
class CStandardInputCopy {
public:
    CStandardInputCopy() = default;
    ~CStandardInputCopy();
    CStandardInputCopy(const CStandardInputCopy&) = delete;
    CStandardInputCopy& operator=(const CStandardInputCopy&) = delete;

    // False with the reason: "cannot read standard input: ..." or "cannot write ...".
    bool Make(std::string* reason, bool* readFailed);

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
#ifdef _WIN32
    std::wstring m_widePath;
#endif
};

}  // namespace Tool
