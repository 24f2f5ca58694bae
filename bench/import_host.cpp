// One whole import as a host application makes it: the plug-in library loaded, the
// plug-in object made by CreatePlugin, Import called on one file with the reference
// host's value parsers and a receiver that only counts what it is given. One import per
// process. Prints the counts, which every run of the same file must repeat.
//
// Usage: jxl-bench-import PLUGIN_LIBRARY FILE
#include <array>
#include <cstdio>
#include <string>

#include "host/file_list.h"
#include "host/plugin_library.h"
#include "host/value_parsers.h"
#include "sdk/interfaces.h"
#include "platform/utf.h"

namespace {

// Receiver slots by name, in the order the counts are printed.
enum Slot {
    kBeginFile, kSetResult, kShowMessage, kSetProgress, kAddStation, kSetInstrumentHeight, kSetPressure,
    kSetTemperature, kAddObservation, kSetTargetHeight, kSetHorizontalCircle, kSetVerticalCircle,
    kSetSlopeDistance, kSetFace, kAddPoint, kMarkKeyedIn, kSetKeyedInFlag, kSetNorth, kSetEast, kSetElevation,
    kSetCode, kReserved, kSlotCount
};
constexpr const char* kSlotNames[kSlotCount] = {
    "BeginFile", "SetResult", "ShowMessage", "SetProgress", "AddStation", "SetInstrumentHeight", "SetPressure",
    "SetTemperature", "AddObservation", "SetTargetHeight", "SetHorizontalCircle", "SetVerticalCircle",
    "SetSlopeDistance", "SetFace", "AddPoint", "MarkKeyedIn", "SetKeyedInFlag", "SetNorth", "SetEast",
    "SetElevation", "SetCode", "Reserved"};

// Counts calls and keeps nothing: the texts and numbers it is given are only looked at,
// so that the work of handing them over is not optimised away.
class CCountingReceiver final : public Plugin::IImportReceiver {
public:
    std::array<unsigned long, kSlotCount> counts{};
    unsigned long textUnits = 0;
    double sum = 0.0;

    Plugin::IValueParserFactory* GetValueParserFactory() override { return new Host::CValueParserFactory(nullptr); }
    void BeginFile(const Plugin::WChar* path) override { Text(kBeginFile, path); }
    void SetResult(std::int32_t) override { ++counts[kSetResult]; }
    void ShowMessage(const Plugin::WChar* text) override { Text(kShowMessage, text); }
    void SetProgress(float percent) override { Number(kSetProgress, percent); }
    void AddPoint(const Plugin::WChar* name) override { Text(kAddPoint, name); }
    void SetNorth(double value) override { Number(kSetNorth, value); }
    void SetEast(double value) override { Number(kSetEast, value); }
    void SetElevation(double value) override { Number(kSetElevation, value); }
    void MarkKeyedIn() override { ++counts[kMarkKeyedIn]; }
    void SetKeyedInFlag(bool value) override { Number(kSetKeyedInFlag, value); }
    void SetCode(const Plugin::WChar* code) override { Text(kSetCode, code); }
    void AddStation(const Plugin::WChar* name) override { Text(kAddStation, name); }
    void SetInstrumentHeight(double value) override { Number(kSetInstrumentHeight, value); }
    void AddObservation(const Plugin::WChar* target) override { Text(kAddObservation, target); }
    void SetPressure(double value) override { Number(kSetPressure, value); }
    void SetTemperature(double value) override { Number(kSetTemperature, value); }
    void SetVerticalCircle(double value) override { Number(kSetVerticalCircle, value); }
    void SetHorizontalCircle(double value) override { Number(kSetHorizontalCircle, value); }
    void SetTargetHeight(double value) override { Number(kSetTargetHeight, value); }
    void SetSlopeDistance(double value) override { Number(kSetSlopeDistance, value); }
    void SetFace(bool face2) override { Number(kSetFace, face2); }
    void Reserved3() override { ++counts[kReserved]; }
    void Reserved4() override { ++counts[kReserved]; }
    void Reserved7() override { ++counts[kReserved]; }
    void Reserved14() override { ++counts[kReserved]; }
    void Reserved15() override { ++counts[kReserved]; }
    void Reserved18() override { ++counts[kReserved]; }
    void Reserved19() override { ++counts[kReserved]; }
    void Reserved20() override { ++counts[kReserved]; }
    void Reserved22() override { ++counts[kReserved]; }
    void Reserved23() override { ++counts[kReserved]; }
    void Reserved27() override { ++counts[kReserved]; }
    void Reserved32() override { ++counts[kReserved]; }

private:
    void Text(Slot slot, const Plugin::WChar* text) {
        ++counts[slot];
        textUnits += text ? std::char_traits<Plugin::WChar>::length(text) : 0;
    }
    void Number(Slot slot, double value) {
        ++counts[slot];
        sum += value;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PLUGIN_LIBRARY FILE\n", argv[0]);
        return 2;
    }
    Host::CPluginLibrary library;
    std::string error;
    if (!library.Load(argv[1], &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 3;
    }
    Plugin::IGroundBasedMIP* plugin = library.CreatePlugin()();
    Host::CFileList files({Platform::FromUtf8(argv[2])});
    CCountingReceiver receiver;
    plugin->Import(&files, &receiver);
    plugin->Release();

    unsigned long total = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        std::printf("%s %lu\n", kSlotNames[slot], receiver.counts[slot]);
        total += receiver.counts[slot];
    }
    std::printf("calls %lu\ntext-units %lu\n", total, receiver.textUnits);
    std::printf("value-sum %.6e\n", receiver.sum);
    return receiver.counts[kShowMessage] == 0 ? 0 : 1;
}
