/* The plug-in's tables as a host built with another compiler sees them: structures of
 * function pointers, one per slot, in slot order, each taking the object pointer as its
 * first argument, which is where a C++ caller on x64 puts `this`. Nothing here comes from
 * the plug-in's own C++ headers, so a slip on either side shows up as a failed call. */
#ifndef C_HOST_PLUGIN_ABI_H
#define C_HOST_PLUGIN_ABI_H

#include <stdint.h>

#ifdef _WIN32
#include <wchar.h>
typedef wchar_t WChar; /* 16-bit on Windows */
#define W(s) L##s
#else
#include <uchar.h>
typedef char16_t WChar;
#define W(s) u##s
#endif

_Static_assert(sizeof(WChar) == 2, "texts at the boundary are UTF-16");

/* A string made by SysAllocString: owned by the host once returned. */
typedef WChar *Bstr;

/* A C++ bool, in both directions: one byte, 0 or 1. Declared as a plain byte instead of
 * _Bool so that any other value is seen as it is, not folded into true. */
typedef uint8_t CppBool;

typedef struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
} Guid;

_Static_assert(sizeof(Guid) == 16, "a GUID is 16 bytes");

typedef struct Plugin Plugin;
typedef struct Controller Controller;
typedef struct SettingsReader SettingsReader;
typedef struct SettingsWriter SettingsWriter;
typedef struct PropertyListView PropertyListView;
typedef struct ComboEnumerator ComboEnumerator;
typedef struct ComboItem ComboItem;
typedef struct FileList FileList;
typedef struct ImportReceiver ImportReceiver;
typedef struct ValueParserFactory ValueParserFactory;
typedef struct ValueParser ValueParser;

/* ---- Implemented by the plug-in ---------------------------------------------------- */

typedef struct PluginVtbl {
    void (*AddRef)(Plugin *self);                        /* 0 */
    CppBool (*Release)(Plugin *self);                    /* 1: true when destroyed */
    Plugin *(*QueryInterface)(Plugin *self, int32_t id); /* 2 */
    Bstr (*GetName)(Plugin *self);                       /* 3 */
#ifdef _WIN32
    /* A member function returning a structure, as MSVC calls it on x64: `this` first,
     * the caller's result buffer second, and that buffer's address comes back. A plain
     * C function would take the buffer first, so the pointer is spelled out here. */
    Guid *(*GetId)(Plugin *self, Guid *result); /* 4 */
#else
    Guid (*GetId)(Plugin *self); /* 4: by value in registers (System V) */
#endif
    int32_t (*GetFixedValue)(Plugin *self);                                   /* 5 */
    void (*LoadSettings)(Plugin *self, SettingsReader *reader);               /* 6 */
    void (*SaveSettings)(Plugin *self, SettingsWriter *writer);               /* 7 */
    Controller *(*GetPropertyListViewController)(Plugin *self);               /* 8 */
    Bstr (*GetFileFilter)(Plugin *self);                                      /* 9 */
    Bstr (*GetFileFilterName)(Plugin *self);                                  /* 10 */
    void (*Import)(Plugin *self, FileList *files, ImportReceiver *receiver); /* 11 */
    /* 12: the destructor, the plug-in's own business */
} PluginVtbl;

struct Plugin {
    const PluginVtbl *vtbl;
};

typedef Plugin *(*CreatePluginFunction)(void);

typedef struct ControllerVtbl {
    void (*InitializeView)(Controller *self, PropertyListView *view); /* 0 */
    CppBool (*Operation1)(Controller *self);                          /* 1: answers true */
    CppBool (*Operation2)(Controller *self);                          /* 2: answers true */
    void (*ApplyChanges)(Controller *self);                           /* 3 */
    void (*Operation4)(Controller *self);                             /* 4: does nothing */
} ControllerVtbl;

struct Controller {
    const ControllerVtbl *vtbl;
};

typedef struct ComboItemVtbl {
    void (*AddRef)(ComboItem *self);     /* 0 */
    CppBool (*Release)(ComboItem *self); /* 1: true when destroyed */
    int32_t (*GetValue)(ComboItem *self); /* 2 */
    Bstr (*GetText)(ComboItem *self);    /* 3: a new string for the caller */
} ComboItemVtbl;

struct ComboItem {
    const ComboItemVtbl *vtbl;
};

typedef struct ComboEnumeratorVtbl {
    CppBool (*HasCurrent)(ComboEnumerator *self);     /* 0 */
    void (*MoveNext)(ComboEnumerator *self);          /* 1 */
    ComboItem *(*GetCurrent)(ComboEnumerator *self); /* 2: no reference taken */
    void (*Reset)(ComboEnumerator *self);             /* 3 */
} ComboEnumeratorVtbl;

struct ComboEnumerator {
    const ComboEnumeratorVtbl *vtbl;
};

/* ---- Implemented by the host --------------------------------------------------------- */

typedef struct SettingsReaderVtbl {
    void (*Reserved0)(SettingsReader *self);                                        /* 0 */
    int32_t (*ReadInt)(SettingsReader *self, const WChar *key, int32_t defaultValue); /* 1 */
} SettingsReaderVtbl;

struct SettingsReader {
    const SettingsReaderVtbl *vtbl;
};

typedef struct SettingsWriterVtbl {
    void (*Reserved0)(SettingsWriter *self);                                 /* 0 */
    CppBool (*WriteInt)(SettingsWriter *self, const WChar *key, int32_t value); /* 1 */
} SettingsWriterVtbl;

struct SettingsWriter {
    const SettingsWriterVtbl *vtbl;
};

typedef struct PropertyListViewVtbl {
    void (*SetHeading)(PropertyListView *self, const WChar *text); /* 0 */
    void (*Reserved1)(PropertyListView *self);                      /* 1 */
    CppBool (*AddComboProperty)(PropertyListView *self, int32_t index, CppBool flag, const WChar *label,
                                ComboEnumerator *items, int32_t currentValue); /* 2 */
    void (*Reserved3)(PropertyListView *self);                                  /* 3 */
    void (*Reserved4)(PropertyListView *self);                                  /* 4 */
    void (*Reserved5)(PropertyListView *self);                                  /* 5 */
    void (*GetComboValue)(PropertyListView *self, int32_t index, int32_t *value); /* 6 */
} PropertyListViewVtbl;

struct PropertyListView {
    const PropertyListViewVtbl *vtbl;
};

/* The list of file paths handed to Import. */
typedef struct FileListVtbl {
    CppBool (*HasCurrent)(FileList *self);       /* 0 */
    void (*MoveNext)(FileList *self);            /* 1 */
    const WChar *(*GetCurrent)(FileList *self); /* 2 */
    void (*Reset)(FileList *self);               /* 3 */
} FileListVtbl;

struct FileList {
    const FileListVtbl *vtbl;
};

typedef struct ValueParserVtbl {
    void (*AddRef)(ValueParser *self);                                     /* 0 */
    CppBool (*Release)(ValueParser *self);                                 /* 1 */
    CppBool (*Parse)(ValueParser *self, const WChar *text, double *value); /* 2 */
} ValueParserVtbl;

struct ValueParser {
    const ValueParserVtbl *vtbl;
};

typedef struct ValueParserFactoryVtbl {
    void (*AddRef)(ValueParserFactory *self);                                       /* 0 */
    CppBool (*Release)(ValueParserFactory *self);                                   /* 1 */
    ValueParser *(*CreateAngleParser)(ValueParserFactory *self, int32_t kind);       /* 2 */
    ValueParser *(*CreateLinearParser)(ValueParserFactory *self, int32_t kind);      /* 3 */
    ValueParser *(*CreatePressureParser)(ValueParserFactory *self, int32_t kind);    /* 4 */
    ValueParser *(*CreateTemperatureParser)(ValueParserFactory *self, int32_t kind); /* 5 */
} ValueParserFactoryVtbl;

struct ValueParserFactory {
    const ValueParserFactoryVtbl *vtbl;
};

typedef struct ImportReceiverVtbl {
    ValueParserFactory *(*GetValueParserFactory)(ImportReceiver *self); /* 0: one reference */
    void (*BeginFile)(ImportReceiver *self, const WChar *path);          /* 1 */
    void (*SetResult)(ImportReceiver *self, int32_t result);             /* 2 */
    void (*Reserved3)(ImportReceiver *self);                             /* 3 */
    void (*Reserved4)(ImportReceiver *self);                             /* 4 */
    void (*ShowMessage)(ImportReceiver *self, const WChar *text);        /* 5 */
    void (*SetProgress)(ImportReceiver *self, float percent);            /* 6 */
    void (*Reserved7)(ImportReceiver *self);                             /* 7 */
    void (*AddPoint)(ImportReceiver *self, const WChar *name);           /* 8 */
    void (*SetNorth)(ImportReceiver *self, double value);                /* 9 */
    void (*SetEast)(ImportReceiver *self, double value);                 /* 10 */
    void (*SetElevation)(ImportReceiver *self, double value);            /* 11 */
    void (*MarkKeyedIn)(ImportReceiver *self);                           /* 12 */
    void (*SetKeyedInFlag)(ImportReceiver *self, CppBool value);         /* 13 */
    void (*Reserved14)(ImportReceiver *self);                            /* 14 */
    void (*Reserved15)(ImportReceiver *self);                            /* 15 */
    void (*SetCode)(ImportReceiver *self, const WChar *code);            /* 16 */
    void (*AddStation)(ImportReceiver *self, const WChar *name);         /* 17 */
    void (*Reserved18)(ImportReceiver *self);                            /* 18 */
    void (*Reserved19)(ImportReceiver *self);                            /* 19 */
    void (*Reserved20)(ImportReceiver *self);                            /* 20 */
    void (*SetInstrumentHeight)(ImportReceiver *self, double value);     /* 21 */
    void (*Reserved22)(ImportReceiver *self);                            /* 22 */
    void (*Reserved23)(ImportReceiver *self);                            /* 23 */
    void (*AddObservation)(ImportReceiver *self, const WChar *target);   /* 24 */
    void (*SetPressure)(ImportReceiver *self, double value);             /* 25 */
    void (*SetTemperature)(ImportReceiver *self, double value);          /* 26 */
    void (*Reserved27)(ImportReceiver *self);                            /* 27 */
    void (*SetVerticalCircle)(ImportReceiver *self, double value);       /* 28 */
    void (*SetHorizontalCircle)(ImportReceiver *self, double value);     /* 29 */
    void (*SetTargetHeight)(ImportReceiver *self, double value);         /* 30 */
    void (*SetSlopeDistance)(ImportReceiver *self, double value);        /* 31 */
    void (*Reserved32)(ImportReceiver *self);                            /* 32 */
    void (*SetFace)(ImportReceiver *self, CppBool face2);                /* 33: false face 1 */
} ImportReceiverVtbl;

struct ImportReceiver {
    const ImportReceiverVtbl *vtbl;
};

/* One pointer per slot, nothing in between. */
_Static_assert(sizeof(PluginVtbl) == 12 * sizeof(void (*)(void)), "plug-in table: slots 0 to 11");
_Static_assert(sizeof(ControllerVtbl) == 5 * sizeof(void (*)(void)), "controller table: slots 0 to 4");
_Static_assert(sizeof(PropertyListViewVtbl) == 7 * sizeof(void (*)(void)), "view table: slots 0 to 6");
_Static_assert(sizeof(ValueParserFactoryVtbl) == 6 * sizeof(void (*)(void)), "factory table: slots 0 to 5");
_Static_assert(sizeof(ImportReceiverVtbl) == 34 * sizeof(void (*)(void)), "receiver table: slots 0 to 33");

#endif
