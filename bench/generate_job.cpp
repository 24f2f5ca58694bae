// Writes a JobXML file of about the size asked for, shaped like a long field job: set-ups
// with their atmosphere, station, target and backsight records, every point observed on
// both faces, keyed-in control points, codes and feature attributes, and the matching
// Reductions section. The same size and seed always give the same bytes.
//
// Usage: jxl-bench-generate SIZE_MB OUTPUT [SEED]     (1 MB = 1,000,000 bytes)
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// xorshift64*: small, fast and the same everywhere.
class CRandom {
public:
    explicit CRandom(std::uint64_t seed) : m_state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint64_t Next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, n).
    unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
    // Uniform in [low, high).
    double Between(double low, double high) {
        return low + (high - low) * (static_cast<double>(Next() >> 11) / 9007199254740992.0);
    }

private:
    std::uint64_t m_state;
};

class CText {
public:
    void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char line[512];
        va_list arguments;
        va_start(arguments, format);
        const int n = std::vsnprintf(line, sizeof line, format, arguments);
        va_end(arguments);
        if (n > 0) m_text.append(line, static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n) : sizeof line - 1);
    }
    std::size_t Size() const { return m_text.size(); }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

struct Coordinates {
    double north, east, elevation;
};

struct Point {
    std::string name;
    std::string code;
    Coordinates grid;
    bool keyedIn;
};

// Feature codes with the attributes a field crew records for them.
struct CodeKind {
    const char* code;
    const char* attributes[3];
};
constexpr CodeKind kCodes[] = {
    {"TREE", {"Height", "Species", "Girth"}},  {"LP", {"Type", "Height", nullptr}},
    {"FENCE", {"Material", nullptr, nullptr}}, {"KERB", {nullptr, nullptr, nullptr}},
    {"MH", {"CoverLevel", "Depth", "Size"}},   {"BLDG", {"Floors", nullptr, nullptr}},
    {"GND", {nullptr, nullptr, nullptr}},      {"EDGE", {nullptr, nullptr, nullptr}},
};
constexpr const char* kAttributeValues[] = {"12", "Oak", "0.85", "Steel", "Concrete", "Timber", "3", "1.20", "Ash", "600x600"};

class CJobWriter {
public:
    CJobWriter(std::size_t targetBytes, std::uint64_t seed) : m_target(targetBytes), m_random(seed) {}

    std::string Write() {
        const std::string head =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<JOBFile jobName=\"bench\" product=\"Field software\" productVersion=\"5.60\" version=\"5.6\" "
            "TimeStamp=\"2024-05-14T07:58:10\">\n"
            "  <Environment>\n    <Configuration>\n      <Units>Metres</Units>\n"
            "      <AngleUnits>Gons</AngleUnits>\n    </Configuration>\n  </Environment>\n"
            "  <FieldBook>\n";
        const std::string middle = "  </FieldBook>\n  <Reductions>\n";
        const std::string tail = "  </Reductions>\n</JOBFile>\n";
        const std::size_t fixed = head.size() + middle.size() + tail.size();

        while (fixed + m_fieldBook.Size() + m_reductions.Size() < m_target) SetUp();

        std::string job;
        job.reserve(fixed + m_fieldBook.Size() + m_reductions.Size());
        job += head;
        job += m_fieldBook.Text();
        job += middle;
        job += m_reductions.Text();
        job += tail;
        return job;
    }

private:
    std::string NextId() {
        char id[16];
        std::snprintf(id, sizeof id, "%08" PRIx32, ++m_id);
        return id;
    }

    const char* TimeStamp() {
        m_seconds += 7 + m_random.Below(40);
        static char text[32];
        std::snprintf(text, sizeof text, "2024-05-14T%02u:%02u:%02u", 8 + (m_seconds / 3600) % 12,
                      (m_seconds / 60) % 60, m_seconds % 60);
        return text;
    }

    Coordinates Near(const Coordinates& centre, double radius) {
        return {centre.north + m_random.Between(-radius, radius), centre.east + m_random.Between(-radius, radius),
                centre.elevation + m_random.Between(-2.0, 2.0)};
    }

    // Two keyed-in control points for every few set-ups: the stations and backsights.
    void ControlPoints() {
        for (int i = 0; i < 2; ++i) {
            Point point{"CP" + std::to_string(++m_controlNumber), "CTRL", Near(m_site, 200.0), true};
            const std::string id = NextId();
            auto& b = m_fieldBook;
            b.Add("    <PointRecord ID=\"%s\" TimeStamp=\"%s\">\n", id.c_str(), TimeStamp());
            b.Add("      <Name>%s</Name>\n      <Code>%s</Code>\n", point.name.c_str(), point.code.c_str());
            b.Add("      <Method>KeyedInCoordinates</Method>\n      <SurveyMethod>KeyedIn</SurveyMethod>\n");
            b.Add("      <Classification>Control</Classification>\n      <Deleted>false</Deleted>\n");
            b.Add("      <Grid>\n        <North>%.4f</North>\n        <East>%.4f</East>\n"
                  "        <Elevation>%.4f</Elevation>\n      </Grid>\n",
                  point.grid.north, point.grid.east, point.grid.elevation);
            b.Add("    </PointRecord>\n");
            Reduce(point);
            m_control.push_back(point);
        }
    }

    void SetUp() {
        if (m_control.size() < 2 || m_random.Below(6) == 0) ControlPoints();
        auto& b = m_fieldBook;
        const Point& station = m_control[m_control.size() - 1 - m_random.Below(2)];
        const Point& backsight = m_control[m_control.size() - 1 - (&station == &m_control.back() ? 1 : 0)];

        const std::string atmosphereId = NextId();
        b.Add("    <AtmosphereRecord ID=\"%s\" TimeStamp=\"%s\">\n", atmosphereId.c_str(), TimeStamp());
        b.Add("      <Pressure>%.1f</Pressure>\n      <Temperature>%.1f</Temperature>\n",
              m_random.Between(985.0, 1030.0), m_random.Between(-5.0, 30.0));
        b.Add("      <PPM>%.1f</PPM>\n      <ApplyEarthCurvatureCorrection>true</ApplyEarthCurvatureCorrection>\n"
              "      <ApplyRefractionCorrection>true</ApplyRefractionCorrection>\n"
              "      <RefractionCoefficient>0.142</RefractionCoefficient>\n",
              m_random.Between(-3.0, 6.0));
        b.Add("    </AtmosphereRecord>\n");

        const std::string stationId = NextId();
        b.Add("    <StationRecord ID=\"%s\" TimeStamp=\"%s\">\n", stationId.c_str(), TimeStamp());
        b.Add("      <StationName>%s</StationName>\n      <TheodoliteHeight>%.3f</TheodoliteHeight>\n",
              station.name.c_str(), m_random.Between(1.3, 1.7));
        b.Add("      <StationType>StandardResection</StationType>\n      <AtmosphereID>%s</AtmosphereID>\n",
              atmosphereId.c_str());
        b.Add("      <InstrumentID>%s</InstrumentID>\n      <ScaleFactor>1</ScaleFactor>\n", m_instrumentId.c_str());
        b.Add("    </StationRecord>\n");

        std::string targetId = Target();

        const std::string backBearingId = NextId();
        const double orientation = m_random.Between(0.0, 400.0);
        b.Add("    <BackBearingRecord ID=\"%s\" TimeStamp=\"%s\">\n", backBearingId.c_str(), TimeStamp());
        b.Add("      <Station>%s</Station>\n      <BackSight>%s</BackSight>\n", station.name.c_str(),
              backsight.name.c_str());
        b.Add("      <Face1HorizontalCircle>%.5f</Face1HorizontalCircle>\n"
              "      <Face2HorizontalCircle>%.5f</Face2HorizontalCircle>\n",
              orientation, orientation < 200.0 ? orientation + 200.0 : orientation - 200.0);
        b.Add("      <OrientationCorrection>%.5f</OrientationCorrection>\n", m_random.Between(-0.002, 0.002));
        b.Add("    </BackBearingRecord>\n");

        // The backsight observed on both faces, then the detail points.
        Observe(backsight, stationId, backBearingId, targetId, "BackSight", false);
        const unsigned points = 15 + m_random.Below(20);
        for (unsigned i = 0; i < points; ++i) {
            if (m_random.Below(12) == 0) targetId = Target();  // the pole height changed
            const CodeKind& kind = kCodes[m_random.Below(sizeof kCodes / sizeof kCodes[0])];
            Point point{std::to_string(++m_pointNumber), kind.code, Near(station.grid, 150.0), false};
            Observe(point, stationId, backBearingId, targetId, "DirectReading", true);
            Reduce(point);
        }
    }

    std::string Target() {
        const std::string id = NextId();
        auto& b = m_fieldBook;
        b.Add("    <TargetRecord ID=\"%s\" TimeStamp=\"%s\">\n", id.c_str(), TimeStamp());
        b.Add("      <PrismType>Custom</PrismType>\n      <PrismConstant>%s</PrismConstant>\n"
              "      <TargetHeight>%.3f</TargetHeight>\n",
              m_random.Below(3) == 0 ? "0" : "-0.0344", 1.3 + 0.1 * m_random.Below(10));
        b.Add("    </TargetRecord>\n");
        return id;
    }

    // One PointRecord per face, each with its computed grid; detail points carry their
    // code and, for some codes, feature attributes.
    void Observe(const Point& point, const std::string& stationId, const std::string& backBearingId,
                 const std::string& targetId, const char* method, bool detail) {
        const CodeKind* kind = nullptr;
        for (const CodeKind& each : kCodes)
            if (point.code == each.code) kind = &each;
        const double horizontal = m_random.Between(0.0, 400.0);
        const double vertical = m_random.Between(95.0, 105.0);
        const double distance = m_random.Between(5.0, 250.0);
        for (int face = 1; face <= 2; ++face) {
            auto& b = m_fieldBook;
            b.Add("    <PointRecord ID=\"%s\" TimeStamp=\"%s\">\n", NextId().c_str(), TimeStamp());
            b.Add("      <Name>%s</Name>\n", point.name.c_str());
            if (detail) b.Add("      <Code>%s</Code>\n", point.code.c_str());
            b.Add("      <Method>%s</Method>\n      <SurveyMethod>Direct</SurveyMethod>\n", method);
            b.Add("      <Classification>%s</Classification>\n      <Deleted>false</Deleted>\n",
                  face == 1 ? "Normal" : "MeanTurnedAngle");
            b.Add("      <StationID>%s</StationID>\n      <BackBearingID>%s</BackBearingID>\n", stationId.c_str(),
                  backBearingId.c_str());
            b.Add("      <TargetID>%s</TargetID>\n", targetId.c_str());
            const double h = face == 1 ? horizontal : (horizontal < 200.0 ? horizontal + 200.0 : horizontal - 200.0);
            const double v = face == 1 ? vertical : 400.0 - vertical;
            b.Add("      <Circle>\n        <HorizontalCircle>%.5f</HorizontalCircle>\n"
                  "        <VerticalCircle>%.5f</VerticalCircle>\n        <EDMDistance>%.4f</EDMDistance>\n"
                  "        <Face>Face%d</Face>\n",
                  h + m_random.Between(-0.0005, 0.0005), v + m_random.Between(-0.0005, 0.0005),
                  distance + m_random.Between(-0.0008, 0.0008), face);
            b.Add("        <HorizontalCircleStandardError>0.00015</HorizontalCircleStandardError>\n"
                  "        <VerticalCircleStandardError>0.00015</VerticalCircleStandardError>\n"
                  "        <EDMDistanceStandardError>0.0012</EDMDistanceStandardError>\n      </Circle>\n");
            b.Add("      <ComputedGrid>\n        <North>%.4f</North>\n        <East>%.4f</East>\n"
                  "        <Elevation>%.4f</Elevation>\n      </ComputedGrid>\n",
                  point.grid.north, point.grid.east, point.grid.elevation);
            if (detail && kind && kind->attributes[0]) {
                b.Add("      <Features>\n        <Feature Name=\"%s\">\n", kind->code);
                for (const char* attribute : kind->attributes) {
                    if (!attribute) break;
                    b.Add("          <Attribute>\n            <Name>%s</Name>\n            <Value>%s</Value>\n"
                          "          </Attribute>\n",
                          attribute, kAttributeValues[m_random.Below(10)]);
                }
                b.Add("        </Feature>\n      </Features>\n");
            }
            b.Add("    </PointRecord>\n");
        }
    }

    void Reduce(const Point& point) {
        auto& r = m_reductions;
        r.Add("    <Point>\n      <ID>%s</ID>\n      <Name>%s</Name>\n      <Code>%s</Code>\n", NextId().c_str(),
              point.name.c_str(), point.code.c_str());
        r.Add("      <SurveyMethod>%s</SurveyMethod>\n      <Classification>%s</Classification>\n"
              "      <Deleted>false</Deleted>\n",
              point.keyedIn ? "KeyedIn" : "Direct", point.keyedIn ? "Control" : "Normal");
        r.Add("      <Grid>\n        <North>%.4f</North>\n        <East>%.4f</East>\n"
              "        <Elevation>%.4f</Elevation>\n      </Grid>\n",
              point.grid.north, point.grid.east, point.grid.elevation);
        r.Add("      <WGS84>\n        <Latitude>%.10f</Latitude>\n        <Longitude>%.10f</Longitude>\n"
              "        <Height>%.4f</Height>\n      </WGS84>\n    </Point>\n",
              51.4 + point.grid.north * 1e-7, -0.3 + point.grid.east * 1e-7, point.grid.elevation + 47.0);
    }

    std::size_t m_target;
    CRandom m_random;
    CText m_fieldBook;
    CText m_reductions;
    std::vector<Point> m_control;
    Coordinates m_site{5712345.0, 312345.0, 45.0};
    std::string m_instrumentId = "0000beef";
    std::uint32_t m_id = 0;
    unsigned m_seconds = 0;
    unsigned m_controlNumber = 0;
    unsigned m_pointNumber = 1000;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s SIZE_MB OUTPUT [SEED]\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const double megabytes = std::strtod(argv[1], &end);
    if (*end != '\0' || !(megabytes > 0.0) || megabytes > 4000.0) {
        std::fprintf(stderr, "%s: size must be a number of megabytes above 0\n", argv[0]);
        return 2;
    }
    const std::uint64_t seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 20240514;
    const std::string job = CJobWriter(static_cast<std::size_t>(megabytes * 1e6), seed).Write();

    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(job.data(), 1, job.size(), out) != job.size() || std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    std::printf("%s: %zu bytes\n", argv[2], job.size());
    return 0;
}
