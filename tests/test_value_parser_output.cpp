// The double a value parser writes into: the plug-in sets it to 0.0 once per record where
// a record's values share it (a target's, an atmosphere's, a backsight's two readings),
// and before every parse elsewhere. Only a host parser that answers without writing, or
// writes and then rejects the text, can tell the difference; these parsers do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/file_list.h"
#include "host/receiver.h"
#include "host/value_parsers.h"
#include "platform/utf.h"
#include "support.h"

namespace {

using Support::FieldBook;
using Support::Trace;

// A parser that does what its text says: "=N" writes N and accepts, "!N" writes N and
// rejects, "?" accepts without writing; any other text is rejected without a write.
class CScriptedParser final : public Host::CRecordedObject<Plugin::IValueParser> {
public:
    CScriptedParser() : CRecordedObject(nullptr, "parser") {}
    bool Parse(const Plugin::WChar* text, double* value) override {
        const std::string script = Platform::ToUtf8(text);
        if (script == "?") return true;
        if (script.size() < 2 || (script[0] != '=' && script[0] != '!')) return false;
        *value = std::stod(script.substr(1));
        return script[0] == '=';
    }
};

class CScriptedFactory final : public Host::CRecordedObject<Plugin::IValueParserFactory> {
public:
    CScriptedFactory() : CRecordedObject(nullptr, "factory") {}
    Plugin::IValueParser* CreateAngleParser(std::int32_t) override { return new CScriptedParser; }
    Plugin::IValueParser* CreateLinearParser(std::int32_t) override { return new CScriptedParser; }
    Plugin::IValueParser* CreatePressureParser(std::int32_t) override { return new CScriptedParser; }
    Plugin::IValueParser* CreateTemperatureParser(std::int32_t) override { return new CScriptedParser; }
};

class CScriptedReceiver final : public Host::CRecordingReceiver {
public:
    using CRecordingReceiver::CRecordingReceiver;
    Plugin::IValueParserFactory* GetValueParserFactory() override { return new CScriptedFactory; }
};

// What the walk gives the host for `document`, through `library`.
Trace Walk(Support::Library library, const std::string& document) {
    Support::PluginPtr plugin = Support::CreatePlugin(library);
    Host::CFileList files = Support::FileList({Support::WriteScratchFile("output.jxl", document)});
    Host::CallRecorder recorder;
    CScriptedReceiver receiver(&recorder);
    plugin->Import(&files, &receiver);
    return Support::Sliced(Support::TraceOf(recorder), Support::Slice::Walk);
}

std::string Target(const std::string& id, const std::string& prismConstant, const std::string& height) {
    return "<TargetRecord ID='" + id + "'><PrismConstant>" + prismConstant + "</PrismConstant><TargetHeight>" + height +
           "</TargetHeight></TargetRecord>";
}

std::string Shot(const std::string& target) {
    return "<PointRecord><Name>P</Name><TargetID>" + target + "</TargetID><Circle><EDMDistance>=100</EDMDistance></Circle></PointRecord>";
}

std::string Atmosphere(const std::string& pressure, const std::string& temperature) {
    return "<AtmosphereRecord ID='a'><Pressure>" + pressure + "</Pressure><Temperature>" + temperature +
           "</Temperature></AtmosphereRecord><StationRecord><StationName>S</StationName><AtmosphereID>a</AtmosphereID></StationRecord>";
}

std::string Backsight(const std::string& face1, const std::string& face2) {
    return "<BackBearingRecord><BackSight>B</BackSight><Face1HorizontalCircle>" + face1 +
           "</Face1HorizontalCircle><Face2HorizontalCircle>" + face2 + "</Face2HorizontalCircle></BackBearingRecord>";
}

TEST(ValueParserOutput, ZeroOncePerRecordOrBeforeEveryParse) {
    const struct {
        const char* behaviour;
        std::string records;
        const char* expected;
    } cases[] = {
        // Once per record: the second value starts from what the first left.
        {"a target's height accepted unwritten keeps the prism constant", Target("t", "=0.5", "?") + Shot("t"), R"(
            {"op":"AddObservation","arg":"P"}
            {"op":"SetTargetHeight","arg":0.5}
            {"op":"SetSlopeDistance","arg":100.5}
         )"},
        {"a target's height accepted unwritten keeps a rejected prism constant's write", Target("t", "!7", "?") + Shot("t"), R"(
            {"op":"AddObservation","arg":"P"}
            {"op":"SetTargetHeight","arg":7}
            {"op":"SetSlopeDistance","arg":100}
         )"},
        {"a new record starts from 0.0", Target("t", "=3", "=1") + Target("u", "?", "?") + Shot("u"), R"(
            {"op":"AddObservation","arg":"P"}
            {"op":"SetTargetHeight","arg":0}
            {"op":"SetSlopeDistance","arg":100}
         )"},
        {"an atmosphere's temperature accepted unwritten keeps the pressure", Atmosphere("=900", "?"), R"(
            {"op":"AddStation","arg":"S"}
            {"op":"SetPressure","arg":900}
            {"op":"SetTemperature","arg":900}
         )"},
        {"an atmosphere's temperature accepted unwritten keeps a rejected pressure's write", Atmosphere("!950", "?"), R"(
            {"op":"AddStation","arg":"S"}
            {"op":"SetTemperature","arg":950}
         )"},
        {"a backsight's face 2 reading accepted unwritten keeps the rejected face 1 write", Backsight("!12", "?"), R"(
            {"op":"AddObservation","arg":"B"}
            {"op":"SetHorizontalCircle","arg":12}
            {"op":"SetFace","arg":true}
         )"},
        // Before every parse.
        {"a station's height accepted unwritten is 0",
         "<StationRecord><StationName>S</StationName><TheodoliteHeight>?</TheodoliteHeight></StationRecord>", R"(
            {"op":"AddStation","arg":"S"}
            {"op":"SetInstrumentHeight","arg":0}
         )"},
        {"each circle reading from 0",
         "<PointRecord><Name>P</Name><Circle><HorizontalCircle>=5</HorizontalCircle><VerticalCircle>?</VerticalCircle>"
         "<EDMDistance>?</EDMDistance></Circle></PointRecord>", R"(
            {"op":"AddObservation","arg":"P"}
            {"op":"SetHorizontalCircle","arg":5}
            {"op":"SetVerticalCircle","arg":0}
            {"op":"SetSlopeDistance","arg":0}
         )"},
        {"each coordinate from 0",
         "<PointRecord><Name>P</Name><Grid><North>=5</North><East>!6</East><Elevation>?</Elevation></Grid></PointRecord>", R"(
            {"op":"AddPoint","arg":"P"}
            {"op":"SetNorth","arg":5}
            {"op":"SetElevation","arg":0}
         )"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const Trace walk = Walk(Support::Library::Plugin, FieldBook(c.records));
        Support::ExpectTheReferenceAgrees(walk, Walk(Support::Library::Reference, FieldBook(c.records)));
        EXPECT_EQ(walk, Support::Lines(c.expected));
    }
}

}  // namespace
