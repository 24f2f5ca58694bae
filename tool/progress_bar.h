// A progress bar on standard error: files done, and the plug-in's progress in the file
// being imported. Draws nothing unless standard error is a terminal.
#pragma once

#include <cstddef>
#include <string>

namespace Tool {

class CProgressBar {
public:
    CProgressBar(std::size_t fileCount, bool wanted);
    ~CProgressBar();  // leaves the line empty
    CProgressBar(const CProgressBar&) = delete;
    CProgressBar& operator=(const CProgressBar&) = delete;

    void BeginFile(const std::string& path);
    void SetFilePercent(double percent);

    // A line for standard error, written above the bar.
    void Print(const std::string& line);

    // Around output to a terminal that may be the bar's own: the bar wiped before, and
    // drawn again after.
    void Hide() { Clear(); }
    void Show() { Draw(); }

private:
    void Draw();
    void Clear();

    bool m_enabled;
    std::size_t m_fileCount;
    std::size_t m_fileNumber = 0;  // of the file being imported, from 1
    double m_filePercent = 0;
    std::string m_path;
    std::size_t m_drawn = 0;  // characters on the bar's line
};

}  // namespace Tool
