// The host application's interfaces. The host calls every operation by its slot, its
// position in the interface's table counted from 0, so the order of the declarations
// below is the binary contract: never reorder, insert or remove an operation. Slots the
// plug-in never calls stay declared as placeholders to keep every later slot in place.
#pragma once

#include <cstdint>

#include "guid.h"
#include "wide.h"

// A member function that returns a structure: MSVC on x64 passes the hidden result
// pointer after `this`, GCC before it. A MinGW build therefore declares GetId with the
// result pointer spelled out, which gives exactly the MSVC calling sequence.
#if defined(_WIN32) && !defined(_MSC_VER)
#define JXL_GETID_EXPLICIT_RESULT 1
#else
#define JXL_GETID_EXPLICIT_RESULT 0
#endif

namespace Plugin {

struct IRefCounted {
    virtual void AddRef() = 0;   // 0
    virtual bool Release() = 0;  // 1: true when the object was destroyed
};

template <typename T>
struct IEnumerator {
    virtual bool HasCurrent() = 0;  // 0
    virtual void MoveNext() = 0;    // 1
    virtual T GetCurrent() = 0;     // 2: no reference taken
    virtual void Reset() = 0;       // 3
};

struct ISettingsReader {
    virtual void Reserved0() = 0;                                                  // 0
    virtual std::int32_t ReadInt(const WChar* key, std::int32_t defaultValue) = 0;  // 1
};

struct ISettingsWriter {
    virtual void Reserved0() = 0;                                       // 0
    virtual bool WriteInt(const WChar* key, std::int32_t value) = 0;  // 1
};

struct IComboItem : IRefCounted {
    virtual std::int32_t GetValue() = 0;  // 2
    virtual BSTR GetText() = 0;           // 3: a new string owned by the caller
};

struct IPropertyListView {
    virtual void SetHeading(const WChar* text) = 0;  // 0
    virtual void Reserved1() = 0;                    // 1
    virtual bool AddComboProperty(std::int32_t index, bool flag, const WChar* label,
                                  IEnumerator<IComboItem*>* items,
                                  std::int32_t currentValue) = 0;   // 2
    virtual void Reserved3() = 0;                                   // 3
    virtual void Reserved4() = 0;                                   // 4
    virtual void Reserved5() = 0;                                   // 5
    virtual void GetComboValue(std::int32_t index, std::int32_t* value) = 0;  // 6
};

struct IPropertyListViewController {
    virtual void InitializeView(IPropertyListView* view) = 0;  // 0
    virtual bool CanApplyChanges() = 0;                        // 1
    virtual bool CanCloseView() = 0;                           // 2
    virtual void ApplyChanges() = 0;                           // 3
    virtual void CloseView() = 0;                              // 4
};

struct IValueParser : IRefCounted {
    virtual bool Parse(const WChar* text, double* value) = 0;  // 2
};

// The kind of value parser the plug-in asks the factory for, one per operation: what each
// number selects (units, formats) is the host's business; the plug-in only passes it on.
enum ValueParserKind : std::int32_t {
    kLinearParserKind = 0,       // CreateLinearParser: distances, heights, prism constants, coordinates
    kAngleParserKind = 3,        // CreateAngleParser: circle readings
    kPressureParserKind = 1,     // CreatePressureParser
    kTemperatureParserKind = 0,  // CreateTemperatureParser
};

struct IValueParserFactory : IRefCounted {
    virtual IValueParser* CreateAngleParser(std::int32_t kind) = 0;        // 2
    virtual IValueParser* CreateLinearParser(std::int32_t kind) = 0;       // 3
    virtual IValueParser* CreatePressureParser(std::int32_t kind) = 0;     // 4
    virtual IValueParser* CreateTemperatureParser(std::int32_t kind) = 0;  // 5
};

struct IImportReceiver {
    virtual IValueParserFactory* GetValueParserFactory() = 0;  // 0: one reference for the caller
    virtual void BeginFile(const WChar* path) = 0;             // 1
    virtual void SetResult(std::int32_t result) = 0;           // 2
    virtual void Reserved3() = 0;                              // 3
    virtual void Reserved4() = 0;                              // 4
    virtual void ShowMessage(const WChar* text) = 0;           // 5
    virtual void SetProgress(float percent) = 0;               // 6
    virtual void Reserved7() = 0;                              // 7
    virtual void AddPoint(const WChar* name) = 0;              // 8
    virtual void SetNorth(double value) = 0;                   // 9
    virtual void SetEast(double value) = 0;                    // 10
    virtual void SetElevation(double value) = 0;               // 11
    virtual void MarkKeyedIn() = 0;                            // 12
    virtual void SetKeyedInFlag(bool value) = 0;               // 13
    virtual void Reserved14() = 0;                             // 14
    virtual void Reserved15() = 0;                             // 15
    virtual void SetCode(const WChar* code) = 0;               // 16
    virtual void AddStation(const WChar* name) = 0;            // 17
    virtual void Reserved18() = 0;                             // 18
    virtual void Reserved19() = 0;                             // 19
    virtual void Reserved20() = 0;                             // 20
    virtual void SetInstrumentHeight(double value) = 0;        // 21
    virtual void Reserved22() = 0;                             // 22
    virtual void Reserved23() = 0;                             // 23
    virtual void AddObservation(const WChar* target) = 0;      // 24
    virtual void SetPressure(double value) = 0;                // 25
    virtual void SetTemperature(double value) = 0;             // 26
    virtual void Reserved27() = 0;                             // 27
    virtual void SetVerticalCircle(double value) = 0;          // 28
    virtual void SetHorizontalCircle(double value) = 0;        // 29
    virtual void SetTargetHeight(double value) = 0;            // 30
    virtual void SetSlopeDistance(double value) = 0;           // 31
    virtual void Reserved32() = 0;                             // 32
    virtual void SetFace(bool face2) = 0;                      // 33: false face 1, true face 2
};

using IFileList = IEnumerator<const WChar*>;

struct IPlugin : IRefCounted {
    virtual void* QueryInterface(std::int32_t id) = 0;  // 2
    virtual BSTR GetName() = 0;                         // 3
#if JXL_GETID_EXPLICIT_RESULT
    virtual GUID* GetId(GUID* result) = 0;  // 4
#else
    virtual GUID GetId() = 0;  // 4
#endif
    virtual std::int32_t GetFixedValue() = 0;                                // 5
    virtual void LoadSettings(ISettingsReader* reader) = 0;                  // 6
    virtual void SaveSettings(ISettingsWriter* writer) = 0;                  // 7
    virtual IPropertyListViewController* GetPropertyListViewController() = 0;  // 8
};

struct IFileImportPlugin : IPlugin {
    virtual BSTR GetFileFilter() = 0;                                     // 9
    virtual BSTR GetFileFilterName() = 0;                                 // 10
    virtual void Import(IFileList* files, IImportReceiver* receiver) = 0;  // 11
};

struct IGroundBasedMIP : IFileImportPlugin {};

// The plug-in's identifier, whichever way the compiler returns it.
inline GUID GetPluginId(IPlugin* plugin) {
#if JXL_GETID_EXPLICIT_RESULT
    GUID id;
    plugin->GetId(&id);
    return id;
#else
    return plugin->GetId();
#endif
}

}  // namespace Plugin

// The library's one export. The host receives one reference.
extern "C" {
typedef Plugin::IGroundBasedMIP* (*CreatePluginFunction)();
}
