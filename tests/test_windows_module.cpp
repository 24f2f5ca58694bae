// What Windows itself sees in the DLL: its version resource.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "host/plugin_library.h"
#include "platform/utf.h"

namespace {

std::string VersionString(const std::vector<char>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return {};
    return Platform::ToUtf8(value);
}

TEST(WindowsModule, CarriesVersionInformation) {
    const Plugin::WString path = Platform::FromUtf8(Host::CPluginLibrary::DefaultPath());
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(VersionString(info, L"FileDescription"), "Trimble JobXML import plug-in");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), "jxlimport.dll");
    EXPECT_FALSE(VersionString(info, L"FileVersion").empty());
}

}  // namespace

#endif
