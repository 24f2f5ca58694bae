/* One whole import from a host written in plain C, which knows the plug-in only by its
 * table slots: the library loaded at run time, CreatePlugin, Import on one file with
 * value parsers of the reference host's rule and a receiver that only counts. One import
 * per process; prints the same counts as jxl-bench-import, so that the two hosts can be
 * compared call for call.
 *
 * Usage: jxl-bench-c-import PLUGIN_LIBRARY FILE */
#ifdef _WIN32
/* The same printf as the C++ host's (MinGW's own, not the system's), so that both print
 * the value sum alike. */
#define __USE_MINGW_ANSI_STDIO 1
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#endif

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "sdk/plugin_abi.h"

enum {
    kBeginFile, kSetResult, kShowMessage, kSetProgress, kAddStation, kSetInstrumentHeight, kSetPressure,
    kSetTemperature, kAddObservation, kSetTargetHeight, kSetHorizontalCircle, kSetVerticalCircle,
    kSetSlopeDistance, kSetFace, kAddPoint, kMarkKeyedIn, kSetKeyedInFlag, kSetNorth, kSetEast, kSetElevation,
    kSetCode, kReserved, kSlotCount
};
static const char *const kSlotNames[kSlotCount] = {
    "BeginFile", "SetResult", "ShowMessage", "SetProgress", "AddStation", "SetInstrumentHeight", "SetPressure",
    "SetTemperature", "AddObservation", "SetTargetHeight", "SetHorizontalCircle", "SetVerticalCircle",
    "SetSlopeDistance", "SetFace", "AddPoint", "MarkKeyedIn", "SetKeyedInFlag", "SetNorth", "SetEast",
    "SetElevation", "SetCode", "Reserved"};

static unsigned long g_counts[kSlotCount];
static unsigned long g_textUnits;
static double g_sum;
static int g_liveObjects;

static void count_text(int slot, const WChar *text)
{
    ++g_counts[slot];
    if (text)
        while (*text++) ++g_textUnits;
}

static void count_number(int slot, double value)
{
    ++g_counts[slot];
    g_sum += value;
}

/* ---- Value parsers: the reference host's decimal rule ------------------------------- */

static int is_blank(WChar c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
static int is_digit(char c) { return c >= '0' && c <= '9'; }

/* Blanks around it set aside: an optional sign, digits with an optional '.' and fraction
 * (one digit at least), an optional exponent; the nearest double, and no overflow. */
static int parse_decimal(const WChar *text, double *value)
{
    if (!text) return 0;
    size_t begin = 0, end = 0;
    while (text[end]) ++end;
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;

    char small[64];
    char *ascii = end - begin < sizeof small ? small : malloc(end - begin + 1);
    if (!ascii) return 0;
    size_t n = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] >= 0x80) {
            if (ascii != small) free(ascii);
            return 0;
        }
        ascii[n++] = (char)text[i];
    }
    ascii[n] = '\0';

    size_t i = 0, digits = 0;
    if (ascii[i] == '+' || ascii[i] == '-') ++i;
    for (; is_digit(ascii[i]); ++i) ++digits;
    if (ascii[i] == '.')
        for (++i; is_digit(ascii[i]); ++i) ++digits;
    int ok = digits > 0;
    if (ok && (ascii[i] == 'e' || ascii[i] == 'E')) {
        ++i;
        if (ascii[i] == '+' || ascii[i] == '-') ++i;
        size_t exponentDigits = 0;
        for (; is_digit(ascii[i]); ++i) ++exponentDigits;
        ok = exponentDigits > 0;
    }
    ok = ok && i == n;
    if (ok) {
        errno = 0;
        const double result = strtod(ascii, NULL);
        if (errno == ERANGE && isinf(result)) ok = 0;
        else *value = result;
    }
    if (ascii != small) free(ascii);
    return ok;
}

typedef struct CountedParser {
    ValueParser base;
    int references;
} CountedParser;

static void parser_add_ref(ValueParser *self) { ++((CountedParser *)self)->references; }
static CppBool parser_release(ValueParser *self)
{
    CountedParser *parser = (CountedParser *)self;
    if (--parser->references != 0) return 0;
    free(parser);
    --g_liveObjects;
    return 1;
}
static CppBool parser_parse(ValueParser *self, const WChar *text, double *value)
{
    (void)self;
    return (CppBool)parse_decimal(text, value);
}
static const ValueParserVtbl kParserVtbl = {parser_add_ref, parser_release, parser_parse};

static ValueParser *new_parser(void)
{
    CountedParser *parser = malloc(sizeof *parser);
    if (!parser) abort();
    parser->base.vtbl = &kParserVtbl;
    parser->references = 1;
    ++g_liveObjects;
    return &parser->base;
}

typedef struct CountedFactory {
    ValueParserFactory base;
    int references;
} CountedFactory;

static void factory_add_ref(ValueParserFactory *self) { ++((CountedFactory *)self)->references; }
static CppBool factory_release(ValueParserFactory *self)
{
    CountedFactory *factory = (CountedFactory *)self;
    if (--factory->references != 0) return 0;
    free(factory);
    --g_liveObjects;
    return 1;
}
static ValueParser *factory_create(ValueParserFactory *self, int32_t kind)
{
    (void)self;
    (void)kind;
    return new_parser();
}
static const ValueParserFactoryVtbl kFactoryVtbl = {factory_add_ref, factory_release, factory_create,
                                                     factory_create, factory_create, factory_create};

/* ---- Receiver ------------------------------------------------------------------------ */

static ValueParserFactory *get_factory(ImportReceiver *self)
{
    (void)self;
    CountedFactory *factory = malloc(sizeof *factory);
    if (!factory) abort();
    factory->base.vtbl = &kFactoryVtbl;
    factory->references = 1;
    ++g_liveObjects;
    return &factory->base;
}
static void begin_file(ImportReceiver *self, const WChar *path) { (void)self, count_text(kBeginFile, path); }
static void set_result(ImportReceiver *self, int32_t result) { (void)self, (void)result, ++g_counts[kSetResult]; }
static void show_message(ImportReceiver *self, const WChar *text) { (void)self, count_text(kShowMessage, text); }
static void set_progress(ImportReceiver *self, float percent) { (void)self, count_number(kSetProgress, percent); }
static void reserved(ImportReceiver *self) { (void)self, ++g_counts[kReserved]; }
static void add_point(ImportReceiver *self, const WChar *name) { (void)self, count_text(kAddPoint, name); }
static void set_north(ImportReceiver *self, double value) { (void)self, count_number(kSetNorth, value); }
static void set_east(ImportReceiver *self, double value) { (void)self, count_number(kSetEast, value); }
static void set_elevation(ImportReceiver *self, double value) { (void)self, count_number(kSetElevation, value); }
static void mark_keyed_in(ImportReceiver *self) { (void)self, ++g_counts[kMarkKeyedIn]; }
static void set_keyed_in_flag(ImportReceiver *self, CppBool value) { (void)self, count_number(kSetKeyedInFlag, value); }
static void set_code(ImportReceiver *self, const WChar *code) { (void)self, count_text(kSetCode, code); }
static void add_station(ImportReceiver *self, const WChar *name) { (void)self, count_text(kAddStation, name); }
static void set_instrument_height(ImportReceiver *self, double value)
{
    (void)self, count_number(kSetInstrumentHeight, value);
}
static void add_observation(ImportReceiver *self, const WChar *name) { (void)self, count_text(kAddObservation, name); }
static void set_pressure(ImportReceiver *self, double value) { (void)self, count_number(kSetPressure, value); }
static void set_temperature(ImportReceiver *self, double value) { (void)self, count_number(kSetTemperature, value); }
static void set_vertical(ImportReceiver *self, double value) { (void)self, count_number(kSetVerticalCircle, value); }
static void set_horizontal(ImportReceiver *self, double value) { (void)self, count_number(kSetHorizontalCircle, value); }
static void set_target_height(ImportReceiver *self, double value) { (void)self, count_number(kSetTargetHeight, value); }
static void set_slope_distance(ImportReceiver *self, double value)
{
    (void)self, count_number(kSetSlopeDistance, value);
}
static void set_face(ImportReceiver *self, CppBool face2) { (void)self, count_number(kSetFace, face2); }

static const ImportReceiverVtbl kReceiverVtbl = {
    get_factory,     begin_file,         set_result,  reserved,       reserved,         show_message,
    set_progress,    reserved,           add_point,   set_north,      set_east,         set_elevation,
    mark_keyed_in,   set_keyed_in_flag,  reserved,    reserved,       set_code,         add_station,
    reserved,        reserved,           reserved,    set_instrument_height, reserved,  reserved,
    add_observation, set_pressure,       set_temperature, reserved,   set_vertical,     set_horizontal,
    set_target_height, set_slope_distance, reserved,  set_face};

/* ---- File list of one path ------------------------------------------------------------ */

typedef struct OneFile {
    FileList base;
    WChar *path;
    int done;
} OneFile;

static CppBool files_has_current(FileList *self) { return !((OneFile *)self)->done; }
static void files_move_next(FileList *self) { ((OneFile *)self)->done = 1; }
static const WChar *files_get_current(FileList *self) { return ((OneFile *)self)->path; }
static void files_reset(FileList *self) { ((OneFile *)self)->done = 0; }
static const FileListVtbl kFilesVtbl = {files_has_current, files_move_next, files_get_current, files_reset};

/* The path's bytes as UTF-16; the benchmark's paths are ASCII. */
static WChar *widen(const char *text)
{
    const size_t length = strlen(text);
    WChar *wide = malloc((length + 1) * sizeof *wide);
    if (!wide) abort();
    for (size_t i = 0; i <= length; ++i) wide[i] = (WChar)(unsigned char)text[i];
    return wide;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s PLUGIN_LIBRARY FILE\n", argv[0]);
        return 2;
    }
    CreatePluginFunction create;
#ifdef _WIN32
    HMODULE library = LoadLibraryA(argv[1]);
    if (!library) {
        fprintf(stderr, "cannot load %s: error %lu\n", argv[1], (unsigned long)GetLastError());
        return 3;
    }
    create = (CreatePluginFunction)(void (*)(void))GetProcAddress(library, "CreatePlugin");
#else
    void *library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 3;
    }
    *(void **)&create = dlsym(library, "CreatePlugin");
#endif
    if (!create) {
        fprintf(stderr, "%s has no CreatePlugin\n", argv[1]);
        return 3;
    }

    Plugin *plugin = create();
    OneFile files = {{&kFilesVtbl}, widen(argv[2]), 0};
    ImportReceiver receiver = {&kReceiverVtbl};
    plugin->vtbl->Import(plugin, &files.base, &receiver);
    plugin->vtbl->Release(plugin);
    free(files.path);

    unsigned long total = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        printf("%s %lu\n", kSlotNames[slot], g_counts[slot]);
        total += g_counts[slot];
    }
    printf("calls %lu\ntext-units %lu\n", total, g_textUnits);
    printf("value-sum %.6e\n", g_sum);
    if (g_liveObjects != 0) {
        fprintf(stderr, "%d host objects left alive\n", g_liveObjects);
        return 1;
    }
    return g_counts[kShowMessage] == 0 ? 0 : 1;
}
