/* A host in plain C that drives the plug-in library by table slot, as a host application
 * built with another compiler does: it loads the library at run time, creates the plug-in
 * object, and checks every slot of the object, of its settings controller and of the
 * objects it hands out, with host objects of its own (settings reader and writer,
 * property list view, file list, import receiver, value parser factory and parsers).
 *
 * Usage: c_host <plug-in library>   (a bare file name means: beside this program)
 *
 * Every failed check prints one line; the exit code is non-zero when any check failed. */
#ifndef _WIN32
#define _POSIX_C_SOURCE 200809L
#endif

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <oleauto.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include "sdk/plugin_abi.h"

/* ==== Checks ============================================================================ */

static int g_checks;
static int g_failures;

static void check_failed(int line, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    printf("c_host.c:%d: FAILED: ", line);
    vprintf(format, arguments);
    putchar('\n');
    va_end(arguments);
    ++g_failures;
}

#define CHECK(condition, ...)                                                                 \
    do {                                                                                      \
        ++g_checks;                                                                           \
        if (!(condition)) check_failed(__LINE__, __VA_ARGS__);                                \
    } while (0)

/* For calls that must not happen at all. */
#define FAIL(...) CHECK(0, __VA_ARGS__)

static void section(const char *name)
{
    printf("c_host: %s\n", name);
}

/* ==== Texts ============================================================================= */

static size_t wide_length(const WChar *text)
{
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

static int wide_equal(const WChar *a, const WChar *b)
{
    size_t i = 0;
    for (; a[i] && a[i] == b[i]; ++i) {
    }
    return a[i] == b[i];
}

/* Returns 0 when the text holds anything but ASCII or does not fit. */
static int widen_ascii(const char *text, WChar *out, size_t capacity)
{
    size_t i = 0;
    for (; text[i]; ++i) {
        if ((unsigned char)text[i] > 0x7F || i + 1 >= capacity) return 0;
        out[i] = (WChar)text[i];
    }
    out[i] = 0;
    return 1;
}

/* A wide text as UTF-8, for messages and the call log. */
typedef struct Utf8 {
    char s[256];
} Utf8;

static Utf8 utf8(const WChar *text)
{
    Utf8 out;
    size_t n = 0;
    if (!text) {
        strcpy(out.s, "(null)");
        return out;
    }
    for (size_t i = 0; text[i]; ++i) {
        uint32_t c = (uint16_t)text[i];
        const uint32_t next = (uint16_t)text[i + 1];
        if (c >= 0xD800 && c < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (n + 8 >= sizeof out.s) {
            strcpy(out.s + n, "...");
            return out;
        }
        if (c < 0x80) {
            out.s[n++] = (char)c;
        } else if (c < 0x800) {
            out.s[n++] = (char)(0xC0 | (c >> 6));
            out.s[n++] = (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out.s[n++] = (char)(0xE0 | (c >> 12));
            out.s[n++] = (char)(0x80 | ((c >> 6) & 0x3F));
            out.s[n++] = (char)(0x80 | (c & 0x3F));
        } else {
            out.s[n++] = (char)(0xF0 | (c >> 18));
            out.s[n++] = (char)(0x80 | ((c >> 12) & 0x3F));
            out.s[n++] = (char)(0x80 | ((c >> 6) & 0x3F));
            out.s[n++] = (char)(0x80 | (c & 0x3F));
        }
    }
    out.s[n] = 0;
    return out;
}

/* The shortest text that reads back as the same double: "1.552", not 1.5520000000000000. */
typedef struct Number {
    char s[40];
} Number;

static Number num(double value)
{
    Number out;
    for (int digits = 15; digits <= 17; ++digits) {
        snprintf(out.s, sizeof out.s, "%.*g", digits, value);
        if (strtod(out.s, NULL) == value) break;
    }
    return out;
}

static const char *bool_text(CppBool value)
{
    static char other[16];
    if (value == 0) return "false";
    if (value == 1) return "true";
    snprintf(other, sizeof other, "bool(%u)", (unsigned)value);
    return other;
}

/* ---- Strings returned by the plug-in ---- */

static unsigned bstr_length(Bstr text)
{
#ifdef _WIN32
    return SysStringLen(text);
#else
    /* The stand-in's layout: a 32-bit byte count in front of the text. */
    uint32_t bytes;
    memcpy(&bytes, (const unsigned char *)text - sizeof bytes, sizeof bytes);
    return bytes / sizeof(WChar);
#endif
}

static void bstr_free(Bstr text)
{
#ifdef _WIN32
    SysFreeString(text);
#else
    if (text) free((unsigned char *)text - sizeof(uint32_t));
#endif
}

/* A string as the host may use it: not null, its length in front of it, zero after it. */
static int check_bstr_form(Bstr text, const char *what)
{
    CHECK(text != NULL, "%s: null string", what);
    if (!text) return 0;
#ifndef _WIN32
    uint32_t bytes;
    memcpy(&bytes, (const unsigned char *)text - sizeof bytes, sizeof bytes);
    CHECK(bytes % sizeof(WChar) == 0, "%s: byte length %u is odd", what, (unsigned)bytes);
#endif
    const unsigned length = bstr_length(text);
    CHECK(length == wide_length(text), "%s: SysStringLen %u, but the text \"%s\" holds %u units before its zero",
          what, length, utf8(text).s, (unsigned)wide_length(text));
    return 1;
}

static void check_bstr(Bstr text, const WChar *expected, const char *what)
{
    if (!check_bstr_form(text, what)) return;
    CHECK(wide_equal(text, expected), "%s: \"%s\", expected \"%s\"", what, utf8(text).s, utf8(expected).s);
    CHECK(bstr_length(text) == wide_length(expected), "%s: SysStringLen %u, expected %u", what, bstr_length(text),
          (unsigned)wide_length(expected));
}

/* ==== Call log ========================================================================== */

/* The host objects write every call they receive here, one line each, in the order of the
 * calls; a check then compares the lines with the expected ones. */
enum { MAX_LINES = 64, LINE_SIZE = 512 };

typedef struct Lines {
    int count;
    int overflow;
    char line[MAX_LINES][LINE_SIZE];
} Lines;

static Lines g_calls;  /* calls on the host objects */
static Lines g_parses; /* texts given to the value parsers */

static void clear_lines(Lines *lines)
{
    lines->count = 0;
    lines->overflow = 0;
}

static void add_line(Lines *lines, const char *format, ...)
{
    if (lines->count == MAX_LINES) {
        lines->overflow = 1;
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(lines->line[lines->count++], LINE_SIZE, format, arguments);
    va_end(arguments);
}

#define LOG_CALL(...) add_line(&g_calls, __VA_ARGS__)

/* Compares the lines with a null-terminated list, exactly and in order. */
#define EXPECT_LINES(lines, expected, what) expect_lines(__LINE__, lines, expected, what)

static void expect_lines(int line, const Lines *actual, const char *const *expected, const char *what)
{
    int count = 0;
    while (expected[count]) ++count;
    ++g_checks;
    /* One failure line per differing call. */
    const int shared = actual->count < count ? actual->count : count;
    for (int i = 0; i < shared; ++i)
        if (strcmp(actual->line[i], expected[i]) != 0)
            check_failed(line, "%s: call %d is %s, expected %s", what, i + 1, actual->line[i], expected[i]);
    for (int i = shared; i < count; ++i)
        check_failed(line, "%s: call %d missing, expected %s", what, i + 1, expected[i]);
    for (int i = shared; i < actual->count; ++i)
        check_failed(line, "%s: unexpected call %d: %s", what, i + 1, actual->line[i]);
    if (actual->overflow) check_failed(line, "%s: more than %d calls", what, MAX_LINES);
}

/* ==== Settings reader and writer ======================================================== */

static const WChar *const kSettingKeys[3] = {
    W("ConsiderPrismConstant"),
    W("ParseFieldBookNode"),
    W("ParseReductionsNode"),
};

typedef struct TestReader {
    SettingsReader base;
    int has[3];        /* whether the store holds a value for each key */
    int32_t stored[3];
} TestReader;

static void reader_reserved0(SettingsReader *self)
{
    (void)self;
    LOG_CALL("reader slot 0");
    FAIL("settings reader: slot 0 called");
}

static int32_t reader_read_int(SettingsReader *self, const WChar *key, int32_t defaultValue)
{
    const TestReader *reader = (const TestReader *)self;
    LOG_CALL("ReadInt(\"%s\", %d)", utf8(key).s, (int)defaultValue);
    for (int i = 0; i < 3; ++i)
        if (wide_equal(key, kSettingKeys[i])) return reader->has[i] ? reader->stored[i] : defaultValue;
    return defaultValue;
}

static const SettingsReaderVtbl kReaderVtbl = {reader_reserved0, reader_read_int};

static void writer_reserved0(SettingsWriter *self)
{
    (void)self;
    LOG_CALL("writer slot 0");
    FAIL("settings writer: slot 0 called");
}

static CppBool writer_write_int(SettingsWriter *self, const WChar *key, int32_t value)
{
    (void)self;
    LOG_CALL("WriteInt(\"%s\", %d)", utf8(key).s, (int)value);
    return 1;
}

static const SettingsWriterVtbl kWriterVtbl = {writer_reserved0, writer_write_int};

/* Loads the flags from a store that holds these three values. */
static void load_settings(Plugin *plugin, int32_t prism, int32_t fieldBook, int32_t reductions)
{
    TestReader reader = {{&kReaderVtbl}, {1, 1, 1}, {prism, fieldBook, reductions}};
    plugin->vtbl->LoadSettings(plugin, &reader.base);
}

/* SaveSettings writes exactly these values, key by key in order. */
#define EXPECT_SAVED(plugin, prism, fieldBook, reductions, what) \
    expect_saved(__LINE__, plugin, prism, fieldBook, reductions, what)

static void expect_saved(int line, Plugin *plugin, int prism, int fieldBook, int reductions, const char *what)
{
    const int values[3] = {prism, fieldBook, reductions};
    char lines[3][LINE_SIZE];
    for (int i = 0; i < 3; ++i)
        snprintf(lines[i], LINE_SIZE, "WriteInt(\"%s\", %d)", utf8(kSettingKeys[i]).s, values[i]);
    const char *const expected[] = {lines[0], lines[1], lines[2], NULL};

    SettingsWriter writer = {&kWriterVtbl};
    clear_lines(&g_calls);
    plugin->vtbl->SaveSettings(plugin, &writer);
    expect_lines(line, &g_calls, expected, what);
    clear_lines(&g_calls);
}

/* ==== Property list view ================================================================ */

typedef struct TestView {
    PropertyListView base;
    const char *name;       /* in the call log, to tell two views apart */
    int32_t answers[3];     /* what GetComboValue reports for properties 0 to 2 */
    int32_t keepProperty;   /* the item to keep a reference to, -1 for none */
    int keepPosition;
    ComboItem *kept;
} TestView;

/* Walks the items of one property into text, "[1 "a", 0 "b"]", and checks the walk. */
static void describe_items(TestView *view, int32_t property, ComboEnumerator *items, char *out, size_t size)
{
    ComboItem *first = NULL;
    size_t used = (size_t)snprintf(out, size, "[");
    int count = 0;
    for (;;) {
        const CppBool has = items->vtbl->HasCurrent(items);
        CHECK(has <= 1, "property %d: HasCurrent returned %s", (int)property, bool_text(has));
        if (!has || count == 8) break;
        ComboItem *item = items->vtbl->GetCurrent(items);
        CHECK(item != NULL, "property %d: GetCurrent returned null while HasCurrent is true", (int)property);
        if (!item) break;
        if (!first) first = item;

        const int32_t value = item->vtbl->GetValue(item);
        Bstr text = item->vtbl->GetText(item);
        Bstr again = item->vtbl->GetText(item);
        check_bstr_form(text, "GetText of an item");
        check_bstr_form(again, "GetText of an item");
        CHECK(!text || text != again, "property %d: two GetText calls on one item returned one allocation",
              (int)property);
        if (text && again)
            CHECK(wide_equal(text, again), "property %d: GetText gave \"%s\", then \"%s\"", (int)property,
                  utf8(text).s, utf8(again).s);
        if (used < size)
            used += (size_t)snprintf(out + used, size - used, "%s%d \"%s\"", count ? ", " : "", (int)value,
                                     utf8(text).s);
        bstr_free(text);
        bstr_free(again);

        if (property == view->keepProperty && count == view->keepPosition) {
            item->vtbl->AddRef(item);
            view->kept = item;
        }
        items->vtbl->MoveNext(items);
        ++count;
    }
    if (used < size) snprintf(out + used, size - used, "]");

    /* At the end MoveNext stays there; Reset goes back to the first item. */
    items->vtbl->MoveNext(items);
    const CppBool past = items->vtbl->HasCurrent(items);
    CHECK(past == 0, "property %d: HasCurrent after MoveNext at the end returned %s, expected false", (int)property,
          bool_text(past));
    items->vtbl->Reset(items);
    const CppBool again = items->vtbl->HasCurrent(items);
    CHECK(again == 1, "property %d: HasCurrent after Reset returned %s, expected true", (int)property,
          bool_text(again));
    if (again == 1 && first) {
        ComboItem *item = items->vtbl->GetCurrent(items);
        CHECK(item == first, "property %d: after Reset GetCurrent returned %p, expected the first item %p",
              (int)property, (void *)item, (void *)first);
    }
}

static void view_set_heading(PropertyListView *self, const WChar *text)
{
    const TestView *view = (const TestView *)self;
    LOG_CALL("%s.SetHeading(\"%s\")", view->name, utf8(text).s);
}

static CppBool view_add_combo_property(PropertyListView *self, int32_t index, CppBool flag, const WChar *label,
                                       ComboEnumerator *items, int32_t currentValue)
{
    TestView *view = (TestView *)self;
    char described[LINE_SIZE / 2] = "(no items)";
    CHECK(items != NULL, "AddComboProperty(%d): null enumerator", (int)index);
    if (items) describe_items(view, index, items, described, sizeof described);
    LOG_CALL("%s.AddComboProperty(%d, %s, \"%s\", %s, %d)", view->name, (int)index, bool_text(flag),
             utf8(label).s, described, (int)currentValue);
    return 1;
}

static void view_get_combo_value(PropertyListView *self, int32_t index, int32_t *value)
{
    const TestView *view = (const TestView *)self;
    LOG_CALL("%s.GetComboValue(%d)", view->name, (int)index);
    CHECK(value != NULL, "GetComboValue(%d): null out pointer", (int)index);
    if (value && index >= 0 && index < 3) *value = view->answers[index];
}

static void view_unused(const char *slot)
{
    LOG_CALL("view slot %s", slot);
    FAIL("property list view: slot %s called", slot);
}

static void view_reserved1(PropertyListView *self) { (void)self; view_unused("1"); }
static void view_reserved3(PropertyListView *self) { (void)self; view_unused("3"); }
static void view_reserved4(PropertyListView *self) { (void)self; view_unused("4"); }
static void view_reserved5(PropertyListView *self) { (void)self; view_unused("5"); }

static const PropertyListViewVtbl kViewVtbl = {
    view_set_heading, view_reserved1, view_add_combo_property, view_reserved3,
    view_reserved4,   view_reserved5, view_get_combo_value,
};

/* ==== Import: file list, value parsers, receiver ======================================== */

typedef struct TestFileList {
    FileList base;
    const WChar *const *paths;
    int count;
    int position;
} TestFileList;

static CppBool files_has_current(FileList *self)
{
    const TestFileList *files = (const TestFileList *)self;
    return files->position < files->count;
}

static void files_move_next(FileList *self)
{
    TestFileList *files = (TestFileList *)self;
    if (files->position < files->count) ++files->position;
}

static const WChar *files_get_current(FileList *self)
{
    const TestFileList *files = (const TestFileList *)self;
    if (files->position < files->count) return files->paths[files->position];
    FAIL("file list: GetCurrent called at the end");
    return W("");
}

static void files_reset(FileList *self)
{
    ((TestFileList *)self)->position = 0;
}

static const FileListVtbl kFileListVtbl = {files_has_current, files_move_next, files_get_current, files_reset};

/* Factories and parsers come from fixed pools, so that their counts can still be read
 * after the plug-in has let go of them. */
typedef struct TestParser {
    ValueParser base;
    const char *name;
    int32_t references;
} TestParser;

typedef struct TestFactory {
    ValueParserFactory base;
    int32_t references;
} TestFactory;

enum { MAX_FACTORIES = 4, MAX_PARSERS = 16 };
static TestFactory g_factories[MAX_FACTORIES];
static int g_factoryCount;
static TestParser g_parsers[MAX_PARSERS];
static int g_parserCount;

static void parser_add_ref(ValueParser *self)
{
    TestParser *parser = (TestParser *)self;
    LOG_CALL("%s.AddRef()", parser->name);
    ++parser->references;
}

static CppBool parser_release(ValueParser *self)
{
    TestParser *parser = (TestParser *)self;
    LOG_CALL("%s.Release()", parser->name);
    --parser->references;
    CHECK(parser->references >= 0, "%s parser released once too often", parser->name);
    return parser->references == 0;
}

/* Plain decimal numbers; anything else is refused, as a host parser refuses it. */
static CppBool parser_parse(ValueParser *self, const WChar *text, double *value)
{
    const TestParser *parser = (const TestParser *)self;
    add_line(&g_parses, "%s.Parse(\"%s\")", parser->name, utf8(text).s);
    CHECK(value != NULL, "%s.Parse: null out pointer", parser->name);
    char ascii[64];
    size_t length = 0;
    for (; text[length]; ++length) {
        if ((uint16_t)text[length] > 0x7F || length + 1 >= sizeof ascii) return 0;
        ascii[length] = (char)text[length];
    }
    ascii[length] = 0;
    char *end;
    const double number = strtod(ascii, &end);
    if (length == 0 || *end != 0 || !value) return 0;
    *value = number;
    return 1;
}

static const ValueParserVtbl kParserVtbl = {parser_add_ref, parser_release, parser_parse};

static ValueParser *new_parser(const char *name)
{
    if (g_parserCount == MAX_PARSERS) {
        printf("c_host: more than %d value parsers requested\n", MAX_PARSERS);
        exit(1);
    }
    TestParser *parser = &g_parsers[g_parserCount++];
    parser->base.vtbl = &kParserVtbl;
    parser->name = name;
    parser->references = 1;
    return &parser->base;
}

static void factory_add_ref(ValueParserFactory *self)
{
    LOG_CALL("factory.AddRef()");
    ++((TestFactory *)self)->references;
}

static CppBool factory_release(ValueParserFactory *self)
{
    TestFactory *factory = (TestFactory *)self;
    LOG_CALL("factory.Release()");
    --factory->references;
    CHECK(factory->references >= 0, "value parser factory released once too often");
    return factory->references == 0;
}

static ValueParser *factory_create_angle(ValueParserFactory *self, int32_t kind)
{
    (void)self;
    LOG_CALL("factory.CreateAngleParser(%d)", (int)kind);
    return new_parser("angle");
}

static ValueParser *factory_create_linear(ValueParserFactory *self, int32_t kind)
{
    (void)self;
    LOG_CALL("factory.CreateLinearParser(%d)", (int)kind);
    return new_parser("linear");
}

static ValueParser *factory_create_pressure(ValueParserFactory *self, int32_t kind)
{
    (void)self;
    LOG_CALL("factory.CreatePressureParser(%d)", (int)kind);
    return new_parser("pressure");
}

static ValueParser *factory_create_temperature(ValueParserFactory *self, int32_t kind)
{
    (void)self;
    LOG_CALL("factory.CreateTemperatureParser(%d)", (int)kind);
    return new_parser("temperature");
}

static const ValueParserFactoryVtbl kFactoryVtbl = {
    factory_add_ref,        factory_release,         factory_create_angle,
    factory_create_linear,  factory_create_pressure, factory_create_temperature,
};

/* ---- The receiver: every slot logs its call ---- */

static ValueParserFactory *receiver_get_factory(ImportReceiver *self)
{
    (void)self;
    LOG_CALL("GetValueParserFactory()");
    if (g_factoryCount == MAX_FACTORIES) {
        printf("c_host: more than %d value parser factories requested\n", MAX_FACTORIES);
        exit(1);
    }
    TestFactory *factory = &g_factories[g_factoryCount++];
    factory->base.vtbl = &kFactoryVtbl;
    factory->references = 1;
    return &factory->base;
}

#define RECEIVER_TEXT(operation)                                                    \
    static void receiver_##operation(ImportReceiver *self, const WChar *text)      \
    {                                                                               \
        (void)self;                                                                 \
        LOG_CALL(#operation "(\"%s\")", utf8(text).s);                              \
    }

#define RECEIVER_DOUBLE(operation)                                                  \
    static void receiver_##operation(ImportReceiver *self, double value)           \
    {                                                                               \
        (void)self;                                                                 \
        LOG_CALL(#operation "(%s)", num(value).s);                                  \
    }

#define RECEIVER_BOOL(operation)                                                    \
    static void receiver_##operation(ImportReceiver *self, CppBool value)          \
    {                                                                               \
        (void)self;                                                                 \
        LOG_CALL(#operation "(%s)", bool_text(value));                              \
    }

/* Slots the plug-in never calls: a call is logged and fails. */
#define RECEIVER_UNUSED(slot)                                                       \
    static void receiver_unused_##slot(ImportReceiver *self)                       \
    {                                                                               \
        (void)self;                                                                 \
        LOG_CALL("receiver slot " #slot);                                           \
        FAIL("import receiver: unused slot " #slot " called");                      \
    }

RECEIVER_TEXT(BeginFile)
RECEIVER_TEXT(ShowMessage)
RECEIVER_TEXT(AddPoint)
RECEIVER_TEXT(SetCode)
RECEIVER_TEXT(AddStation)
RECEIVER_TEXT(AddObservation)
RECEIVER_DOUBLE(SetNorth)
RECEIVER_DOUBLE(SetEast)
RECEIVER_DOUBLE(SetElevation)
RECEIVER_DOUBLE(SetInstrumentHeight)
RECEIVER_DOUBLE(SetPressure)
RECEIVER_DOUBLE(SetTemperature)
RECEIVER_DOUBLE(SetVerticalCircle)
RECEIVER_DOUBLE(SetHorizontalCircle)
RECEIVER_DOUBLE(SetTargetHeight)
RECEIVER_DOUBLE(SetSlopeDistance)
RECEIVER_BOOL(SetKeyedInFlag)
RECEIVER_BOOL(SetFace)
RECEIVER_UNUSED(3)
RECEIVER_UNUSED(4)
RECEIVER_UNUSED(7)
RECEIVER_UNUSED(14)
RECEIVER_UNUSED(15)
RECEIVER_UNUSED(18)
RECEIVER_UNUSED(19)
RECEIVER_UNUSED(20)
RECEIVER_UNUSED(22)
RECEIVER_UNUSED(23)
RECEIVER_UNUSED(27)
RECEIVER_UNUSED(32)

static void receiver_SetResult(ImportReceiver *self, int32_t result)
{
    (void)self;
    LOG_CALL("SetResult(%d)", (int)result);
}

static void receiver_SetProgress(ImportReceiver *self, float percent)
{
    (void)self;
    LOG_CALL("SetProgress(%s)", num(percent).s);
}

static void receiver_MarkKeyedIn(ImportReceiver *self)
{
    (void)self;
    LOG_CALL("MarkKeyedIn()");
}

static const ImportReceiverVtbl kReceiverVtbl = {
    receiver_get_factory,          /* 0 */
    receiver_BeginFile,            /* 1 */
    receiver_SetResult,            /* 2 */
    receiver_unused_3,             /* 3 */
    receiver_unused_4,             /* 4 */
    receiver_ShowMessage,          /* 5 */
    receiver_SetProgress,          /* 6 */
    receiver_unused_7,             /* 7 */
    receiver_AddPoint,             /* 8 */
    receiver_SetNorth,             /* 9 */
    receiver_SetEast,              /* 10 */
    receiver_SetElevation,         /* 11 */
    receiver_MarkKeyedIn,          /* 12 */
    receiver_SetKeyedInFlag,       /* 13 */
    receiver_unused_14,            /* 14 */
    receiver_unused_15,            /* 15 */
    receiver_SetCode,              /* 16 */
    receiver_AddStation,           /* 17 */
    receiver_unused_18,            /* 18 */
    receiver_unused_19,            /* 19 */
    receiver_unused_20,            /* 20 */
    receiver_SetInstrumentHeight,  /* 21 */
    receiver_unused_22,            /* 22 */
    receiver_unused_23,            /* 23 */
    receiver_AddObservation,       /* 24 */
    receiver_SetPressure,          /* 25 */
    receiver_SetTemperature,       /* 26 */
    receiver_unused_27,            /* 27 */
    receiver_SetVerticalCircle,    /* 28 */
    receiver_SetHorizontalCircle,  /* 29 */
    receiver_SetTargetHeight,      /* 30 */
    receiver_SetSlopeDistance,     /* 31 */
    receiver_unused_32,            /* 32 */
    receiver_SetFace,              /* 33 */
};

/* Imports the files and leaves the calls in g_calls and g_parses. */
static void run_import(Plugin *plugin, const WChar *const *paths, int count)
{
    clear_lines(&g_calls);
    clear_lines(&g_parses);
    g_factoryCount = 0;
    g_parserCount = 0;

    /* Starts past its end, as a list the host has walked before: the plug-in rewinds it. */
    TestFileList files = {{&kFileListVtbl}, paths, count, count};
    ImportReceiver receiver = {&kReceiverVtbl};
    plugin->vtbl->Import(plugin, &files.base, &receiver);
}

/* Every factory and parser handed out during the import has been released to zero. */
static void check_all_released(const char *what)
{
    for (int i = 0; i < g_factoryCount; ++i)
        CHECK(g_factories[i].references == 0, "%s: the value parser factory still holds %d references", what,
              (int)g_factories[i].references);
    for (int i = 0; i < g_parserCount; ++i)
        CHECK(g_parsers[i].references == 0, "%s: the %s parser still holds %d references", what, g_parsers[i].name,
              (int)g_parsers[i].references);
}

/* ---- Scratch files ---- */

/* A path in the temporary folder, unique to this run. */
static int temp_path(const char *name, WChar *out, size_t capacity)
{
#ifdef _WIN32
    const DWORD length = GetTempPathW((DWORD)capacity, out);
    if (length == 0 || length >= capacity) return 0;
    char file[64];
    snprintf(file, sizeof file, "c_host_%lu_%s", (unsigned long)GetCurrentProcessId(), name);
    return widen_ascii(file, out + length, capacity - length);
#else
    const char *folder = getenv("TMPDIR");
    if (!folder || !*folder) folder = "/tmp";
    char path[1024];
    snprintf(path, sizeof path, "%s/c_host_%ld_%s", folder, (long)getpid(), name);
    return widen_ascii(path, out, capacity) || widen_ascii("/tmp/c_host_job.jxl", out, capacity);
#endif
}

static int write_file(const WChar *path, const char *bytes)
{
#ifdef _WIN32
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    const DWORD size = (DWORD)strlen(bytes);
    const BOOL ok = WriteFile(file, bytes, size, &written, NULL) && written == size;
    CloseHandle(file);
    return ok;
#else
    FILE *file = fopen(utf8(path).s, "wb");
    if (!file) return 0;
    const size_t size = strlen(bytes);
    const int ok = fwrite(bytes, 1, size, file) == size;
    return fclose(file) == 0 && ok;
#endif
}

static void delete_file(const WChar *path)
{
#ifdef _WIN32
    DeleteFileW(path);
#else
    remove(utf8(path).s);
#endif
}

/* ==== Groups of checks ================================================================== */

static const uint8_t kPluginId[16] = {0xB5, 0x4B, 0x19, 0xAF, 0xAA, 0xF1, 0xDC, 0x46,
                                      0xAA, 0xCB, 0x56, 0xDE, 0x17, 0x0D, 0x87, 0xDF};

typedef struct Hex {
    char s[64];
} Hex;

static Hex hex(const uint8_t *bytes, size_t count)
{
    Hex out;
    out.s[0] = 0;
    for (size_t i = 0; i < count && 3 * i + 3 < sizeof out.s; ++i)
        snprintf(out.s + 3 * i, 4, "%s%02X", i ? " " : "", bytes[i]);
    return out;
}

/* Drops one reference and checks Release's answer; returns whether the object is gone. */
#define RELEASE(plugin, destroyed, what) release_plugin(__LINE__, plugin, destroyed, what)

static int release_plugin(int line, Plugin *plugin, int expectDestroyed, const char *what)
{
    const CppBool destroyed = plugin->vtbl->Release(plugin);
    ++g_checks;
    if (destroyed != expectDestroyed)
        check_failed(line, "%s: Release returned %s, expected %s", what, bool_text(destroyed),
                     expectDestroyed ? "true" : "false");
    return destroyed != 0;
}

static void check_string_getter(Plugin *plugin, Bstr (*get)(Plugin *), const WChar *expected, const char *what)
{
    Bstr first = get(plugin);
    Bstr second = get(plugin);
    check_bstr(first, expected, what);
    check_bstr(second, expected, what);
    CHECK(!first || first != second, "%s: two calls returned one allocation", what);
    bstr_free(first);
    bstr_free(second);
}

static void check_identity(CreatePluginFunction create)
{
    section("name, file filter, identifier");
    Plugin *plugin = create();
    CHECK(plugin != NULL, "CreatePlugin returned null");
    if (!plugin) return;
    Plugin *other = create();
    CHECK(other != NULL && other != plugin, "two CreatePlugin calls: %p and %p, expected two objects",
          (void *)plugin, (void *)other);
    if (other) RELEASE(other, 1, "the second object");

    check_string_getter(plugin, plugin->vtbl->GetName, W("Trimble JobXML"), "GetName");
    check_string_getter(plugin, plugin->vtbl->GetFileFilter, W("*.jxl"), "GetFileFilter");
    check_string_getter(plugin, plugin->vtbl->GetFileFilterName, W("Trimble JobXML"), "GetFileFilterName");

    Bstr name = plugin->vtbl->GetName(plugin);
    Bstr filterName = plugin->vtbl->GetFileFilterName(plugin);
    CHECK(!name || name != filterName, "GetName and GetFileFilterName returned one allocation");
    bstr_free(name);
    bstr_free(filterName);

    const int32_t fixed = plugin->vtbl->GetFixedValue(plugin);
    CHECK(fixed == 1, "GetFixedValue returned %d, expected 1", (int)fixed);

#ifdef _WIN32
    /* Guard bytes behind the result catch a write past the 16 bytes. */
    struct {
        Guid id;
        uint8_t guard[16];
    } result;
    memset(&result, 0xCC, sizeof result);
    Guid *returned = plugin->vtbl->GetId(plugin, &result.id);
    CHECK(returned == &result.id, "GetId returned %p, expected the result pointer %p", (void *)returned,
          (void *)&result.id);
    const uint8_t *bytes = (const uint8_t *)&result.id;
    int guardIntact = 1;
    for (size_t i = 0; i < sizeof result.guard; ++i) guardIntact &= result.guard[i] == 0xCC;
    CHECK(guardIntact, "GetId wrote past the 16 bytes of its result");
#else
    const Guid id = plugin->vtbl->GetId(plugin);
    const uint8_t *bytes = (const uint8_t *)&id;
#endif
    CHECK(memcmp(bytes, kPluginId, 16) == 0, "GetId: %s, expected %s", hex(bytes, 16).s, hex(kPluginId, 16).s);

    /* The object is whole after GetId: counting and the name still work. */
    plugin->vtbl->AddRef(plugin);
    if (RELEASE(plugin, 0, "after GetId, the extra reference")) return;
    Bstr after = plugin->vtbl->GetName(plugin);
    check_bstr(after, W("Trimble JobXML"), "GetName after GetId");
    bstr_free(after);

    RELEASE(plugin, 1, "the only reference");
}

static void check_reference_counting(CreatePluginFunction create)
{
    section("reference counting and QueryInterface");
    Plugin *plugin = create();
    if (!plugin) return;
    RELEASE(plugin, 1, "the one reference of a new object");

    plugin = create();
    plugin->vtbl->AddRef(plugin);
    if (RELEASE(plugin, 0, "the first of two references")) return;
    RELEASE(plugin, 1, "the second of two references");

    /* Ids 0 to 2 answer the object itself and add a reference; others answer null. */
    plugin = create();
    int references = 1;
    for (int32_t id = 0; id <= 2; ++id) {
        Plugin *answer = plugin->vtbl->QueryInterface(plugin, id);
        CHECK(answer == plugin, "QueryInterface(%d) returned %p, expected the object %p", (int)id, (void *)answer,
              (void *)plugin);
        if (answer) ++references;
    }
    const int32_t unknown[] = {3, -1};
    for (size_t i = 0; i < sizeof unknown / sizeof unknown[0]; ++i) {
        Plugin *answer = plugin->vtbl->QueryInterface(plugin, unknown[i]);
        CHECK(answer == NULL, "QueryInterface(%d) returned %p, expected null", (int)unknown[i], (void *)answer);
        if (answer) ++references;
    }
    /* Now four references, if ids 3 and -1 took none: false three times, then true. */
    for (; references > 1; --references)
        if (RELEASE(plugin, 0, "a reference from QueryInterface, not the last")) return;
    RELEASE(plugin, 1, "the last reference after QueryInterface");
}

static void check_settings(CreatePluginFunction create)
{
    section("LoadSettings and SaveSettings");
    static const struct {
        const char *behaviour;
        int has[3];
        int32_t stored[3];
        int flags[3]; /* as SaveSettings then writes them */
    } cases[] = {
        {"a store without values", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}},
        {"stored 0, 2, -1", {1, 1, 1}, {0, 2, -1}, {0, 0, 0}},
        {"a store without values after false flags", {0, 0, 0}, {0, 0, 0}, {1, 1, 1}},
        {"stored 1, 0, 1", {1, 1, 1}, {1, 0, 1}, {1, 0, 1}},
        {"stored 0, 1, 2", {1, 1, 1}, {0, 1, 2}, {0, 1, 0}},
        {"stored -1 and 1, the last key without a value", {1, 1, 0}, {-1, 1, 0}, {0, 1, 1}},
    };

    Plugin *plugin = create();
    if (!plugin) return;
    EXPECT_SAVED(plugin, 1, 1, 1, "SaveSettings of a new object");

    /* The keys in order, each with the default 1 whatever the flag holds. */
    char lines[3][LINE_SIZE];
    for (int i = 0; i < 3; ++i) snprintf(lines[i], LINE_SIZE, "ReadInt(\"%s\", 1)", utf8(kSettingKeys[i]).s);
    const char *const reads[] = {lines[0], lines[1], lines[2], NULL};

    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        char what[160];
        TestReader reader = {{&kReaderVtbl}, {0, 0, 0}, {0, 0, 0}};
        memcpy(reader.has, cases[i].has, sizeof reader.has);
        memcpy(reader.stored, cases[i].stored, sizeof reader.stored);
        clear_lines(&g_calls);
        plugin->vtbl->LoadSettings(plugin, &reader.base);
        snprintf(what, sizeof what, "LoadSettings from %s", cases[i].behaviour);
        EXPECT_LINES(&g_calls, reads, what);
        snprintf(what, sizeof what, "SaveSettings after loading from %s", cases[i].behaviour);
        EXPECT_SAVED(plugin, cases[i].flags[0], cases[i].flags[1], cases[i].flags[2], what);
    }

    /* Objects share no flags. */
    load_settings(plugin, 0, 0, 0);
    Plugin *other = create();
    if (other) {
        EXPECT_SAVED(other, 1, 1, 1, "SaveSettings of a second object while the first holds false flags");
        RELEASE(other, 1, "the second object");
    }
    RELEASE(plugin, 1, "the only reference");
}

static void check_property_list(CreatePluginFunction create)
{
    section("settings controller and property list");
    Plugin *plugin = create();
    if (!plugin) return;
    Controller *controller = plugin->vtbl->GetPropertyListViewController(plugin);
    CHECK(controller != NULL, "GetPropertyListViewController returned null");
    if (!controller) {
        RELEASE(plugin, 1, "the only reference");
        return;
    }
    CHECK((void *)controller != (void *)plugin, "the controller is the primary interface, expected its own table");
    Controller *again = plugin->vtbl->GetPropertyListViewController(plugin);
    CHECK(again == controller, "GetPropertyListViewController: %p, then %p", (void *)controller, (void *)again);

    /* A new object: every flag set, so every property stands on its first choice, value 1.
     * The view keeps one item: the second choice of property 2. */
    TestView first = {{&kViewVtbl}, "first", {0, 0, 0}, 2, 1, NULL};
    clear_lines(&g_calls);
    controller->vtbl->InitializeView(controller, &first.base);
    static const char *const firstList[] = {
        "first.SetHeading(\"Настройка\")",
        "first.AddComboProperty(0, true, \"Постоянная призмы\", [1 \"Учитывать\", 0 \"Не учитывать\"], 1)",
        "first.AddComboProperty(1, true, \"Раздел Полевой журнал\", [1 \"Импортировать\", 0 \"Не импортировать\"], 1)",
        "first.AddComboProperty(2, true, \"Раздел Вычисленные данные\", [1 \"Импортировать\", 0 \"Не импортировать\"], 1)",
        NULL,
    };
    EXPECT_LINES(&g_calls, firstList, "InitializeView of a new object");

    /* The kept item outlives the publishing, and the view's reference is its last. */
    CHECK(first.kept != NULL, "no item of property 2 to keep");
    if (first.kept) {
        ComboItem *item = first.kept;
        const int32_t value = item->vtbl->GetValue(item);
        CHECK(value == 0, "GetValue of the kept item: %d, expected 0", (int)value);
        Bstr text = item->vtbl->GetText(item);
        check_bstr(text, W("Не импортировать"), "GetText of the kept item");
        bstr_free(text);
        const CppBool destroyed = item->vtbl->Release(item);
        CHECK(destroyed == 1, "Release of the kept item's only reference returned %s, expected true",
              bool_text(destroyed));
    }

    /* Flags from the store; a second view replaces the first, and its current values
     * follow the flags. */
    load_settings(plugin, 0, 1, 0);
    TestView second = {{&kViewVtbl}, "second", {1, 0, 1}, -1, 0, NULL};
    clear_lines(&g_calls);
    controller->vtbl->InitializeView(controller, &second.base);
    static const char *const secondList[] = {
        "second.SetHeading(\"Настройка\")",
        "second.AddComboProperty(0, true, \"Постоянная призмы\", [1 \"Учитывать\", 0 \"Не учитывать\"], 0)",
        "second.AddComboProperty(1, true, \"Раздел Полевой журнал\", [1 \"Импортировать\", 0 \"Не импортировать\"], 1)",
        "second.AddComboProperty(2, true, \"Раздел Вычисленные данные\", [1 \"Импортировать\", 0 \"Не импортировать\"], 0)",
        NULL,
    };
    EXPECT_LINES(&g_calls, secondList, "InitializeView with flags false, true, false");

    /* ApplyChanges asks the second view, property by property; only an answer of 1 sets. */
    static const char *const applied[] = {
        "second.GetComboValue(0)",
        "second.GetComboValue(1)",
        "second.GetComboValue(2)",
        NULL,
    };
    static const struct {
        int32_t answers[3];
        int flags[3];
    } answers[] = {
        {{1, 0, 1}, {1, 0, 1}},
        {{0, 1, 0}, {0, 1, 0}},
        {{-1, 2, 1}, {0, 0, 1}},
    };
    for (size_t i = 0; i < sizeof answers / sizeof answers[0]; ++i) {
        char what[160];
        memcpy(second.answers, answers[i].answers, sizeof second.answers);
        clear_lines(&g_calls);
        controller->vtbl->ApplyChanges(controller);
        snprintf(what, sizeof what, "ApplyChanges with answers %d, %d, %d", (int)answers[i].answers[0],
                 (int)answers[i].answers[1], (int)answers[i].answers[2]);
        EXPECT_LINES(&g_calls, applied, what);
        snprintf(what, sizeof what, "SaveSettings after ApplyChanges with answers %d, %d, %d",
                 (int)answers[i].answers[0], (int)answers[i].answers[1], (int)answers[i].answers[2]);
        EXPECT_SAVED(plugin, answers[i].flags[0], answers[i].flags[1], answers[i].flags[2], what);
    }

    /* Slots 1 and 2 answer true; slot 4 does nothing, to the views or to the flags. */
    static const char *const nothing[] = {NULL};
    clear_lines(&g_calls);
    const CppBool answer1 = controller->vtbl->Operation1(controller);
    CHECK(answer1 == 1, "controller slot 1 returned %s, expected true", bool_text(answer1));
    const CppBool answer2 = controller->vtbl->Operation2(controller);
    CHECK(answer2 == 1, "controller slot 2 returned %s, expected true", bool_text(answer2));
    controller->vtbl->Operation4(controller);
    EXPECT_LINES(&g_calls, nothing, "controller slots 1, 2 and 4");
    EXPECT_SAVED(plugin, 0, 0, 1, "SaveSettings after controller slots 1, 2 and 4");

    /* Handing out the controller took no reference. */
    RELEASE(plugin, 1, "the only reference, after using the controller");
}

/* Station S1 with its atmosphere, target t1 with a prism constant, an observation of P1
 * through t1 in face 2, and the reductions point R1 keyed in. */
static const char kJob[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<JOBFile jobName=\"c_host\" version=\"5.6\">\n"
    "  <FieldBook>\n"
    "    <AtmosphereRecord ID=\"a1\">\n"
    "      <Pressure>1013.25</Pressure>\n"
    "      <Temperature>18.5</Temperature>\n"
    "    </AtmosphereRecord>\n"
    "    <StationRecord ID=\"s1\">\n"
    "      <StationName>S1</StationName>\n"
    "      <TheodoliteHeight>1.552</TheodoliteHeight>\n"
    "      <AtmosphereID>a1</AtmosphereID>\n"
    "    </StationRecord>\n"
    "    <TargetRecord ID=\"t1\">\n"
    "      <PrismConstant>-0.0344</PrismConstant>\n"
    "      <TargetHeight>1.8</TargetHeight>\n"
    "    </TargetRecord>\n"
    "    <PointRecord ID=\"p1\">\n"
    "      <Name>P1</Name>\n"
    "      <Code>Дерево</Code>\n"
    "      <TargetID>t1</TargetID>\n"
    "      <Circle>\n"
    "        <HorizontalCircle>45.12345</HorizontalCircle>\n"
    "        <VerticalCircle>89.54321</VerticalCircle>\n"
    "        <EDMDistance>100.0</EDMDistance>\n"
    "        <Face>Face2</Face>\n"
    "      </Circle>\n"
    "    </PointRecord>\n"
    "  </FieldBook>\n"
    "  <Reductions>\n"
    "    <Point>\n"
    "      <Name>R1</Name>\n"
    "      <Code>CP</Code>\n"
    "      <SurveyMethod>KeyedIn</SurveyMethod>\n"
    "      <Grid>\n"
    "        <North>5000.123</North>\n"
    "        <East>2000.456</East>\n"
    "        <Elevation>100.789</Elevation>\n"
    "      </Grid>\n"
    "    </Point>\n"
    "  </Reductions>\n"
    "</JOBFile>\n";

static void expect_job_import(int line, const WChar *path, double slopeDistance, const char *what)
{
    char begin[LINE_SIZE];
    char slope[LINE_SIZE];
    snprintf(begin, sizeof begin, "BeginFile(\"%s\")", utf8(path).s);
    snprintf(slope, sizeof slope, "SetSlopeDistance(%s)", num(slopeDistance).s);
    const char *const calls[] = {
        begin,
        "GetValueParserFactory()",
        "factory.CreateLinearParser(0)",
        "factory.CreateAngleParser(3)",
        "factory.CreatePressureParser(1)",
        "factory.CreateTemperatureParser(0)",
        "factory.Release()",
        "SetProgress(50)",
        "AddStation(\"S1\")",
        "SetInstrumentHeight(1.552)",
        "SetPressure(1013.25)",
        "SetTemperature(18.5)",
        "AddObservation(\"P1\")",
        "SetTargetHeight(1.8)",
        "SetHorizontalCircle(45.12345)",
        "SetVerticalCircle(89.54321)",
        slope,
        "SetFace(true)",
        "SetCode(\"Дерево\")",
        "AddPoint(\"R1\")",
        "SetCode(\"CP\")",
        "MarkKeyedIn()",
        "SetKeyedInFlag(false)",
        "SetNorth(5000.123)",
        "SetEast(2000.456)",
        "SetElevation(100.789)",
        "SetProgress(100)",
        /* the parser object goes, its value parsers in reverse order of its members */
        "pressure.Release()",
        "temperature.Release()",
        "angle.Release()",
        "linear.Release()",
        NULL,
    };
    expect_lines(line, &g_calls, calls, what);

    static const char *const parses[] = {
        "pressure.Parse(\"1013.25\")",
        "temperature.Parse(\"18.5\")",
        "linear.Parse(\"1.552\")",
        "linear.Parse(\"-0.0344\")",
        "linear.Parse(\"1.8\")",
        "angle.Parse(\"45.12345\")",
        "angle.Parse(\"89.54321\")",
        "linear.Parse(\"100.0\")",
        "linear.Parse(\"5000.123\")",
        "linear.Parse(\"2000.456\")",
        "linear.Parse(\"100.789\")",
        NULL,
    };
    expect_lines(line, &g_parses, parses, what);
    check_all_released(what);
}

static void check_import(CreatePluginFunction create)
{
    section("Import");
    WChar job[1024];
    WChar missing[1024];
    CHECK(temp_path("job.jxl", job, 1024) && write_file(job, kJob), "cannot write the job file \"%s\"",
          utf8(job).s);
    CHECK(temp_path("missing.jxl", missing, 1024), "no path for a missing file");
    delete_file(missing);

    Plugin *plugin = create();
    if (!plugin) return;

    static const char *const nothing[] = {NULL};
    run_import(plugin, NULL, 0);
    EXPECT_LINES(&g_calls, nothing, "Import of an empty file list");

    const WChar *const jobList[] = {job};
    run_import(plugin, jobList, 1);
    expect_job_import(__LINE__, job, 100.0 + -0.0344, "Import of the job file");

    /* Without the prism constant the distance arrives as measured. */
    load_settings(plugin, 0, 1, 1);
    run_import(plugin, jobList, 1);
    expect_job_import(__LINE__, job, 100.0, "Import of the job file without the prism constant");

    const WChar *const missingList[] = {missing};
    run_import(plugin, missingList, 1);
    char begin[LINE_SIZE];
    snprintf(begin, sizeof begin, "BeginFile(\"%s\")", utf8(missing).s);
    const char *const notOpened[] = {begin, "ShowMessage(\"Не удается открыть файл\")", NULL};
    EXPECT_LINES(&g_calls, notOpened, "Import of a missing file");
    EXPECT_LINES(&g_parses, nothing, "Import of a missing file: value parsers");

    RELEASE(plugin, 1, "the only reference, after the imports");
    delete_file(job);
}

/* ==== Loading the library =============================================================== */

static CreatePluginFunction load_plugin(const char *library)
{
    const int bare = strchr(library, '/') == NULL && strchr(library, '\\') == NULL;
#ifdef _WIN32
    WChar path[MAX_PATH * 4];
    size_t length = 0;
    if (bare) {
        /* Beside this program, not wherever the search path leads. */
        length = GetModuleFileNameW(NULL, path, MAX_PATH * 4);
        while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/') --length;
    }
    if (!MultiByteToWideChar(CP_ACP, 0, library, -1, path + length, (int)(MAX_PATH * 4 - length))) {
        printf("c_host: bad library name %s\n", library);
        return NULL;
    }
    HMODULE module = LoadLibraryW(path);
    if (!module) {
        printf("c_host: cannot load %s (error %lu)\n", utf8(path).s, (unsigned long)GetLastError());
        return NULL;
    }
    FARPROC symbol = GetProcAddress(module, "CreatePlugin");
    if (!symbol) {
        printf("c_host: %s exports no CreatePlugin\n", utf8(path).s);
        return NULL;
    }
    return (CreatePluginFunction)(void (*)(void))symbol;
#else
    char path[4096];
    if (bare) {
        const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
        size_t end = length > 0 ? (size_t)length : 0;
        while (end > 0 && path[end - 1] != '/') --end;
        snprintf(path + end, sizeof path - end, "%s", library);
    } else {
        snprintf(path, sizeof path, "%s", library);
    }
    void *module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        printf("c_host: cannot load %s (%s)\n", path, dlerror());
        return NULL;
    }
    void *symbol = dlsym(module, "CreatePlugin");
    if (!symbol) {
        printf("c_host: %s exports no CreatePlugin\n", path);
        return NULL;
    }
    /* POSIX lets a symbol's address be used as a function; ISO C has no cast for it. */
    CreatePluginFunction create;
    _Static_assert(sizeof create == sizeof symbol, "function and object pointers of one size");
    memcpy(&create, &symbol, sizeof create);
    return create;
#endif
}

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc != 2) {
        printf("usage: c_host <plug-in library>\n");
        return 2;
    }
    CreatePluginFunction create = load_plugin(argv[1]);
    if (!create) return 1;

    check_identity(create);
    check_reference_counting(create);
    check_settings(create);
    check_property_list(create);
    check_import(create);

    printf("c_host: %d checks, %d failed\n", g_checks, g_failures);
    return g_failures == 0 ? 0 : 1;
}
