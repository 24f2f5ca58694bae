// The list of file paths handed to Import.
#pragma once

#include <vector>

#include "sdk/interfaces.h"

namespace Host {

class CFileList final : public Plugin::IFileList {
public:
    explicit CFileList(std::vector<Plugin::WString> paths) : m_paths(std::move(paths)) {}

    bool HasCurrent() override { return m_position < m_paths.size(); }
    void MoveNext() override {
        if (m_position < m_paths.size()) ++m_position;
    }
    const Plugin::WChar* GetCurrent() override { return m_paths[m_position].c_str(); }
    void Reset() override { m_position = 0; }

private:
    std::vector<Plugin::WString> m_paths;
    std::size_t m_position = 0;
};

}  // namespace Host
