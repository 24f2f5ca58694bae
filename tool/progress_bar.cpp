#include "tool/progress_bar.h"

#include <algorithm>
#include <cmath>

#include "host/text.h"
#include "tool/console.h"

namespace Tool {
namespace {

constexpr int kBarWidth = 24;

// The last `count` characters of a path, so that its file name stays in view.
std::string Tail(const std::string& text, std::size_t count) {
    if (Host::CharacterCount(text) <= count) return text;
    std::size_t start = text.size();
    for (std::size_t kept = 0; start > 0 && kept + 1 < count;) {
        --start;
        kept += (static_cast<unsigned char>(text[start]) & 0xC0) != 0x80;
    }
    return "…" + text.substr(start);
}

}  // namespace

CProgressBar::CProgressBar(std::size_t fileCount, bool wanted)
    : m_enabled(wanted && IsTerminal(Stream::Err)), m_fileCount(fileCount) {}

CProgressBar::~CProgressBar() { Clear(); }

void CProgressBar::BeginFile(const std::string& path) {
    ++m_fileNumber;
    m_filePercent = 0;
    m_path = path;
    Draw();
}

void CProgressBar::SetFilePercent(double percent) {
    m_filePercent = std::isfinite(percent) ? std::clamp(percent, 0.0, 100.0) : 0.0;
    Draw();
}

void CProgressBar::Print(const std::string& line) {
    Clear();
    Write(Stream::Err, line + "\n");
    Draw();
}

void CProgressBar::Draw() {
    if (!m_enabled || m_fileNumber == 0) return;
    const double done = (static_cast<double>(m_fileNumber - 1) + m_filePercent / 100.0) / static_cast<double>(std::max<std::size_t>(m_fileCount, 1));
    const int filled = static_cast<int>(std::lround(std::clamp(done, 0.0, 1.0) * kBarWidth));
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] " +
                       std::to_string(m_fileNumber - (m_filePercent >= 100 ? 0 : 1)) + "/" + std::to_string(m_fileCount) +
                       " files  " + std::to_string(static_cast<int>(m_filePercent)) + "%  ";
    const std::size_t columns = static_cast<std::size_t>(std::max(TerminalColumns(Stream::Err), 40)) - 1;
    if (Host::CharacterCount(line) + 4 < columns) line += Tail(m_path, columns - Host::CharacterCount(line));
    const std::size_t length = Host::CharacterCount(line);
    Write(Stream::Err, "\r" + line + std::string(m_drawn > length ? m_drawn - length : 0, ' '));
    m_drawn = length;
}

void CProgressBar::Clear() {
    if (!m_enabled || m_drawn == 0) return;
    Write(Stream::Err, "\r" + std::string(m_drawn, ' ') + "\r");
    m_drawn = 0;
}

}  // namespace Tool
