// Long paths as Windows opens them: the device form of a path whose full form no longer
// fits in MAX_PATH, and a job in a folder that deep imported as any other.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/long_path.h"
#include "platform/utf.h"
#include "support.h"

namespace {

// Exactly `count` characters of folder names of 49 letters each, joined by `separator`.
std::string Deep(std::size_t count, char separator = '\\', const std::string& letter = "d") {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += i % 50 == 49 && i + 1 < count ? std::string(1, separator) : letter;
    return text;
}

struct PathCase {
    std::string behaviour;
    std::string path;
    std::string expected;  // the path as given when empty
    std::string currentDirectory = R"(C:\Users\Пётр\Документы)";
};

TEST(LongPaths, DeviceFormOfPathsThatNeedIt) {
    const std::string d300 = Deep(300);
    const std::string cyrillic = Deep(250, '\\', "д");
    const std::vector<PathCase> cases = {
        // Paths that fit: as given, whatever their form.
        {"a short drive path", R"(C:\jobs\a.jxl)", ""},
        {"a short path with forward slashes and dots", "C:/jobs/./old/../a.jxl", ""},
        {"a short relative path", "a.jxl", ""},
        {"a short UNC path", R"(\\server\share\a.jxl)", ""},
        {"259 characters", R"(C:\)" + Deep(250) + R"(\f.jxl)", ""},
        {"259 UTF-16 units of Cyrillic names", R"(C:\)" + cyrillic + R"(\f.jxl)", ""},
        {"a long path whose full form is short", R"(C:\jobs\)" + std::string(255, 'x') + R"(\..\a.jxl)", ""},
        // The limit: 260 characters with the terminator.
        {"260 characters", R"(C:\)" + Deep(251) + R"(\f.jxl)", R"(\\?\C:\)" + Deep(251) + R"(\f.jxl)"},
        {"261 characters", R"(C:\)" + Deep(252) + R"(\f.jxl)", R"(\\?\C:\)" + Deep(252) + R"(\f.jxl)"},
        {"260 UTF-16 units: a character beyond the BMP counts twice", R"(C:\)" + cyrillic + "\\\xF0\x9D\x94\xB8.jxl",
         R"(\\?\C:\)" + cyrillic + "\\\xF0\x9D\x94\xB8.jxl"},
        // Normalised as Windows normalises a plain path.
        {"forward slashes, '.' and '..'", "C:/work/./old/../" + Deep(300, '/') + "/f.jxl",
         R"(\\?\C:\work\)" + d300 + R"(\f.jxl)"},
        {"'..' stops at the drive's root", R"(C:\..\..\)" + d300 + R"(\f.jxl)", R"(\\?\C:\)" + d300 + R"(\f.jxl)"},
        {"runs of separators", R"(C:\\\)" + d300 + R"(\\\f.jxl)", R"(\\?\C:\)" + d300 + R"(\f.jxl)"},
        {"a folder's trailing dot, the last name's trailing dots and blanks", R"(C:\)" + d300 + R"(\dir.\f.jxl. .)",
         R"(\\?\C:\)" + d300 + R"(\dir\f.jxl)"},
        {"a trailing separator stays", R"(C:\)" + d300 + R"(\)", R"(\\?\C:\)" + d300 + R"(\)"},
        // Network paths.
        {"UNC", R"(\\server\share\)" + d300 + R"(\f.jxl)", R"(\\?\UNC\server\share\)" + d300 + R"(\f.jxl)"},
        {"UNC: '..' stops at the share", R"(\\server\share\..\..\)" + d300 + R"(\f.jxl)",
         R"(\\?\UNC\server\share\)" + d300 + R"(\f.jxl)"},
        {"UNC with forward slashes", "//server/share/" + Deep(300, '/') + "/f.jxl",
         R"(\\?\UNC\server\share\)" + d300 + R"(\f.jxl)"},
        // Completed with the current directory.
        {"relative", R"(jobs\)" + d300, R"(\\?\C:\Users\Пётр\Документы\jobs\)" + d300},
        {"relative, up two folders", R"(..\..\)" + d300, R"(\\?\C:\Users\)" + d300},
        {"rooted on the current drive", R"(\)" + d300, R"(\\?\C:\)" + d300},
        {"drive-relative on the current drive", "c:" + d300, R"(\\?\C:\Users\Пётр\Документы\)" + d300},
        {"drive-relative on another drive: its current folder is unknown here", "D:" + d300, ""},
        {"relative to a UNC current directory", d300, R"(\\?\UNC\server\share\jobs\)" + d300, R"(\\server\share\jobs)"},
        {"rooted on a UNC current directory", R"(\)" + d300, R"(\\?\UNC\server\share\)" + d300, R"(\\server\share\jobs)"},
        {"relative to a current directory in device form", d300, R"(\\?\C:\jobs\)" + d300, R"(\\?\C:\jobs)"},
        {"relative to a drive's root", d300, R"(\\?\C:\)" + d300, R"(C:\)"},
        {"relative without a current directory", d300, "", ""},
        // Left to the system.
        {"already in device form: not normalised", R"(\\?\C:\)" + d300 + R"(\.\f.jxl)", ""},
        {"a device path", R"(\\.\pipe\)" + d300, ""},
        {"an NT path", R"(\??\C:\)" + d300, ""},
        {"NUL", "NUL", ""},
        {"NUL with an extension in a long folder", R"(C:\)" + d300 + R"(\nul.jxl)", ""},
        {"COM1 with a blank, and a stream", R"(C:\)" + d300 + R"(\com1 :x)", ""},
        {"CONOUT$", R"(C:\)" + d300 + R"(\CONOUT$)", ""},
        {"a name that only begins like a device", R"(C:\)" + d300 + R"(\CONTROL.jxl)",
         R"(\\?\C:\)" + d300 + R"(\CONTROL.jxl)"},
        {"a UNC path without a share", R"(\\)" + std::string(300, 's'), ""},
        {"a name of three dots", R"(C:\)" + d300 + R"(\...\f.jxl)", ""},
        {"the empty path", "", ""},
    };
    for (const PathCase& each : cases) {
        const std::string expected = each.expected.empty() ? each.path : each.expected;
        EXPECT_EQ(Platform::ToUtf8(Platform::LongPathForm(Platform::FromUtf8(each.path),
                                                          Platform::FromUtf8(each.currentDirectory))),
                  expected)
            << each.behaviour;
    }
}

// Wine opens a path of any length, so here this shows only that the device form opens the
// file it names and that the host hears of the path as it gave it.
TEST(LongPaths, JobInADeepFolder) {
    const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
    std::string name = "Объект «Северный квартал» — съёмка";
    for (const char* folder : {"Исполнительная съёмка, 2024 год, третий квартал, участок №7",
                               "Полевые данные тахеометра и спутникового приёмника за октябрь",
                               "Проект планировки территории (редакция от 14 мая) — исходники"})
        name += separator + folder;
    std::filesystem::create_directories(std::filesystem::u8path(Support::ScratchPath(name)));
    const std::string path = Support::WriteScratchFile(name + separator + "Станция 1.jxl", Support::FieldBook(
        "<StationRecord><StationName>S1</StationName></StationRecord>"));
    ASSERT_GE(Platform::FromUtf8(path).size(), Platform::kMaxPlainPath);
    Support::ExpectTraces(Support::Slice::Whole, {
        {"a job in a folder deeper than MAX_PATH", Support::Input::Files({path}),
         Support::Framed(Support::Slice::Walk, path, Support::Lines(R"(
             {"op":"AddStation","arg":"S1"}
         )"))},
    });
}

}  // namespace
