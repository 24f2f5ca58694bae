// The files jxl-import itself reads and writes (the settings file, the output, the copy of
// standard input), through the system's own calls, so that every failure comes with the
// system's reason in words. Paths are UTF-8 (wide on Windows). What every system shares
// is in files.cpp, the rest in files_posix.cpp and files_win32.cpp.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace Tool {

#ifdef _WIN32
using NativeHandle = void*;  // a HANDLE
using NativePath = std::wstring;
#else
using NativeHandle = int;  // a file descriptor
using NativePath = std::string;
#endif

// Once, before anything else opens a file: a standard stream the process was started
// without gets the null device in its place, so that no file opened later takes its number
// (and the output meant for the terminal would go into it); the stream itself is then
// treated as closed, and writing to it fails as writing to a closed stream does.
void GuardStandardStreams();

// A file's bytes; false with "PATH: reason".
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason);

// Why the file at `path` cannot be opened for reading, in the system's words, "is a folder"
// for a folder; empty when it opens.
std::string OpenFailure(const std::string& path);

// Whether the path names anything at all.
bool PathExists(const std::string& path);

// What makes a file the one it is, whichever path names it: the device and inode, or on
// Windows the volume's serial number and the file's index.
struct FileIdentity {
    unsigned long long volume = 0;
    unsigned long long file = 0;
    bool operator==(const FileIdentity& other) const { return volume == other.volume && file == other.file; }
};

// The file `path` names, through links; nothing when it names nothing (yet) or cannot be
// looked at.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// "PATH: reason" for a system error code.
std::string WithPath(const std::string& path, unsigned long code);

// An open file of the system's, closed when this goes.
class CFileHandle {
public:
    CFileHandle() = default;
    explicit CFileHandle(NativeHandle handle) { Reset(handle); }
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    // Takes `handle` (closing the one held): an invalid one leaves this closed.
    void Reset(NativeHandle handle);
    bool IsOpen() const;
    NativeHandle Get() const { return m_handle; }

    // Closes it now: 0, or the system's error code when closing failed (some file systems,
    // NFS or a full quota, report a failed write only then).
    unsigned long Close();

private:
#ifdef _WIN32
    NativeHandle m_handle = nullptr;
#else
    NativeHandle m_handle = -1;
#endif
};

// A file of jxl-import's own that must not stay behind: removed when this goes, and when
// the process is interrupted (Ctrl-C, a closed pipe), unless it was kept.
class CTemporaryFile {
public:
    CTemporaryFile() = default;
    ~CTemporaryFile() { Remove(); }
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;

    // The file just made at `path` is this one's from now on.
    void Own(NativePath path);
    void Remove();  // now
    void Keep();    // it was put in place: it stays
    bool Owns() const { return !m_path.empty(); }
    const NativePath& Path() const { return m_path; }

    // Every file owned at this moment removed: what the interrupt handler does, and safe
    // in one.
    static void RemoveAllNow();

private:
    // Each system's own.
    static void InstallInterruptHandler();
    static void RemoveNow(const NativePath::value_type* path);

    NativePath m_path;
};

// Where the output goes: standard output, or a file that is replaced only when the writing
// succeeded. Every write is checked and whole; a failure gives the system's reason.
class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile() { Discard(); }  // without Commit, a replacing file's copy is removed
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    void OpenStandardOutput();

    // A regular file (or a path where there is none yet) is written as a new file beside it,
    // which Commit renames over it: whoever reads the path meets the old file or the whole
    // new one, never a half. A device or a pipe is written in place.
    bool OpenReplacing(const std::string& path, std::string* reason);

    // The bytes as they are, or as text on a Windows console.
    bool Write(const char* data, std::size_t size, std::string* reason);

    // Closes, and puts a replacing file in place. Standard output is closed too, where the
    // system lets a program close it, so that a failure reported only then is seen.
    bool Commit(std::string* reason);

    // Closes without putting anything in place: a replacing file's copy is removed.
    void Discard();

    bool IsTerminal() const { return m_terminal; }

private:
    // The system's reason, after the path when there is one.
    std::string Described(unsigned long code) const;

    std::string m_path;           // empty: standard output
    CFileHandle m_file;           // the file, device or pipe at m_path; not standard output's
    CTemporaryFile m_temporary;   // the new file written, which Commit renames over m_target
    NativePath m_target;          // the file m_path names, through a symbolic link
#ifdef _WIN32
    bool m_console = false;       // text written as UTF-16, which a console shows
    std::string m_pending;        // a console's bytes of a character not yet whole
#endif
    bool m_terminal = false;
    bool m_open = false;
};

// Standard input, copied into a temporary file of its own for the plug-in to import; the
// copy is removed when this goes, and when the process is interrupted.
class CStandardInputCopy {
public:
    // False with the reason: "cannot read standard input: ..." or "cannot write ...".
    bool Make(std::string* reason, bool* readFailed);

    // Empty before Make.
    const std::string& Path() const { return m_path; }

private:
    CTemporaryFile m_copy;
    std::string m_path;  // m_copy's, in UTF-8
};

}  // namespace Tool
