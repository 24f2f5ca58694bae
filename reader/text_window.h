// A file's text, read a window at a time.
//
// The screen reads the text from its start to its end before anything reaches the host;
// the walk then brings back each part it parses, or (a large file) reads a batch of parts
// at a time into memory of the batch's own, on two threads: ReadInto. Memory stays about
// that of the largest part, however large the file, and every part is read while its
// pages are in the cache, where one buffer for the whole text meant a fresh page for
// every 4 KiB of it.
//
// The file is read twice, and others may write to it in between: the screen sums every
// block of 4 KiB it reads, and a block brought back must sum the same. So RapidXML only
// ever parses text that the screen found well formed and shallow enough.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "platform/input_file.h"
#include "platform/large_memory.h"

namespace Reader {

// The file's text changed between the screen's reading and the walk's.
class CFileChanged : public std::exception {
public:
    const char* what() const noexcept override { return "the file changed while it was read"; }
};

class CTextWindow {
public:
    // Readable bytes after the window's terminator, for reads sixteen bytes at a time.
    static constexpr std::size_t kPadding = 16;

    // `size`: the file's size; what a short read leaves out is not part of the text. The
    // window is empty until the first Advance.
    CTextWindow(Platform::CInputFile& file, std::size_t size);

    // The window: bytes [Begin(), End()) are the file's from Offset() on. *End() is a
    // zero, followed by kPadding readable bytes.
    char* Begin() const { return m_buffer.get() + m_front; }
    char* End() const { return Begin() + m_filled; }
    std::size_t Offset() const { return m_offset; }

    // For the screen, which reads the text in order: moves the bytes from `keep` (inside
    // the window) to its front and reads on after them. False, the window unchanged, at
    // the end of the text.
    bool Advance(const char* keep);

    // The whole text in one window, for RapidXML to parse whole. Its blocks are not
    // summed: the screen reads this window through again.
    void ReadWhole();

    // For the walk: the file's bytes [begin, end), as the screen read them, with a
    // writable byte at `end` (the text's or the window's terminator). Throws CFileChanged
    // when the file no longer holds them.
    char* Bring(std::size_t begin, std::size_t end);

    // For reading a part on another thread while this one reads on: the room ReadInto
    // needs for the file's bytes [begin, end).
    static std::size_t RoomFor(std::size_t begin, std::size_t end);
    // The file's bytes [begin, end) as the screen read them, read into `buffer` (RoomFor
    // bytes) with a writable byte after them; returns where they begin. It changes nothing
    // of the window: threads may read at once. Throws CFileChanged.
    char* ReadInto(std::size_t begin, std::size_t end, char* buffer);

    // Gives the window's memory back, for when the rest is read through ReadInto alone.
    // The window is empty after it.
    void FreeWindow();

    // Two running sums of a block, the second of the first's values (Fletcher's), so that
    // bytes moved within a block change it as well as bytes changed. Not proof against a
    // writer that means to deceive it: against one that writes while the file is imported.
    struct BlockSum {
        std::uint64_t plain = 0, running = 0;
        bool operator!=(const BlockSum& other) const { return plain != other.plain || running != other.running; }
    };

private:
    // Room for `capacity` bytes of text, keeping the window's bytes from `keep` on, which
    // then begin `front` bytes into the buffer.
    void Reserve(std::size_t capacity, const char* keep, std::size_t front = 0);
    std::size_t Read(std::size_t offset, char* into, std::size_t count);
    // Throws CFileChanged unless the `count` bytes at `bytes`, the file's from `from` (a
    // block's start) on, sum as the screen's reading did.
    void Check(std::size_t from, const char* bytes, std::size_t count) const;
    void Terminate(std::size_t filled);

    Platform::CInputFile& m_file;
    const std::size_t m_size;
    Platform::CLargeBuffer m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_front = 0;   // where the window begins in the buffer
    std::size_t m_offset = 0;  // of the window's first byte in the file
    std::size_t m_filled = 0;  // bytes in the window
    std::size_t m_textEnd = 0; // where the screen's reading ended
    bool m_atEnd = false;      // no more text to read
    std::size_t m_nextRead;
    std::vector<BlockSum> m_sums;  // of every block the screen read
};

}  // namespace Reader
