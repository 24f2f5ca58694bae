// Compares a whole import with the bare parse of the same file, one fresh process per
// run, in alternation (parse, import, parse, C import, import again, ...), as a user
// meets them: each import starts a process of its own. For each: wall, user and system
// time, peak memory (the process's largest resident set) and throughput; and the median
// of the per-pair ratios import / parse.
//
// Usage: jxl-bench [--runs N] [--c-host] [--settle SECONDS] [--windows FOLDER] [--verbose] FILE
//   The programs and the plug-in library are taken from beside this one.
//   --windows the programs and the DLL of the Windows build in FOLDER instead, each run
//             as `wine PROGRAM.exe` in the Wine prefix FOLDER/wineprefix (the environment's
//             WINE and WINESERVER name other ones). One wineserver, started before the
//             first run and ended after the last, serves them all, so that no run pays for
//             a server's start.
//   --c-host  also runs the import from a host written in C, as a third program.
//   --settle  waits that long before every paired process. A virtual machine that
//             hands freed memory back to its host (free page reporting, after a delay of
//             about two seconds) makes a process that starts within the delay find warm
//             memory and one that starts later find cold memory; a short import right
//             after a short parse is then favoured over a long one. Waiting gives every
//             size the same cold memory, so that sizes can be compared.
//   --tool FORMAT  also runs the reference host, jxl-import --format FORMAT -o FILE, as a
//             further program (repeatable), and compares it with the import of the same
//             round: the whole tool, output written to a file, against the plug-in's import
//             with a receiver that only counts.
// The last line is one machine-readable summary ("summary key=value ...").
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Run {
    double wall = 0, user = 0, system = 0;
    double peakMb = 0;
    std::string output;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Ends the Wine server of a run of the Windows build, also when the run stops early.
std::function<void()> g_atDeath;

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "jxl-bench: %s\n", what.c_str());
    if (g_atDeath) std::exchange(g_atDeath, nullptr)();
    std::exit(1);
}

// Runs the program to its end with its standard output in a scratch file; the time is
// taken around the whole process, from before its start to after its end.
Run Measure(const std::vector<std::string>& command, double settle = 0) {
    if (settle > 0) {
        const double whole = std::floor(settle);
        timespec pause{static_cast<time_t>(whole), static_cast<long>((settle - whole) * 1e9)};
        while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
        }
    }
    char scratch[] = "/tmp/jxl-bench-XXXXXX";
    const int out = mkstemp(scratch);
    if (out < 0) Die("cannot make a scratch file");
    unlink(scratch);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    Run run;
    const double start = Now();
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) Die("cannot start " + command[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR) Die("wait4 failed");
    run.wall = Now() - start;
    posix_spawn_file_actions_destroy(&actions);

    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string what = command[0] + " failed";
        for (std::size_t i = 1; i < command.size(); ++i) what += " " + command[i];
        Die(what);
    }
    run.user = Seconds(usage.ru_utime);
    run.system = Seconds(usage.ru_stime);
    run.peakMb = static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6;  // kilobytes on Linux

    char chunk[4096];
    lseek(out, 0, SEEK_SET);
    for (ssize_t n; (n = read(out, chunk, sizeof chunk)) > 0;) run.output.append(chunk, static_cast<std::size_t>(n));
    close(out);
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Series {
    std::string name;
    std::vector<std::string> command;
    std::vector<Run> runs;

    double Median(double Run::*field) const {
        std::vector<double> values;
        for (const Run& run : runs) values.push_back(run.*field);
        return ::Median(values);
    }
};

std::string Folder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string Absolute(const std::string& path) {
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) Die("cannot find " + path);
    return resolved;
}

// The same file as a Windows program under Wine names it: through drive Z:, which a new
// prefix maps to the root.
std::string WinePath(const std::string& path) {
    std::string windows = "Z:" + Absolute(path);
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

// Runs a command that is not measured (wineserver) and waits for it; false when it fails.
bool RunUnmeasured(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    // Its output would land among the results, and a server that detaches would hold on
    // to whatever reads them.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) Die("cannot start " + command[0]);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) Die("waitpid failed");
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The Wine prefix and server of a run of the Windows build.
class CWine {
public:
    explicit CWine(const std::string& folder) {
        const char* wine = std::getenv("WINE");
        m_wine = wine && *wine ? wine : "wine";
        const char* server = std::getenv("WINESERVER");
        m_server = server && *server ? server : "wineserver";
        // As the Windows build's tests run: headless, quiet, without Mono or Gecko.
        const std::string prefix = Absolute(folder) + "/wineprefix";
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) Die("cannot make " + prefix);
        setenv("WINEPREFIX", prefix.c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        // Persistent until told to end: it detaches and stays between the runs, and the
        // prefix is brought up to date (made, the first time) before anything is measured.
        // A server already running in the prefix, one that would end a few seconds after
        // its last process, is ended first.
        if (!RunUnmeasured({m_server, "-p"})) {
            RunUnmeasured({m_server, "-k"});
            if (!RunUnmeasured({m_server, "-p"})) Die("cannot start " + m_server + " -p");
        }
        m_running = true;
        if (!RunUnmeasured({m_wine, "wineboot", "--init"})) Die("wineboot failed");
    }
    ~CWine() { Stop(); }
    CWine(const CWine&) = delete;
    CWine& operator=(const CWine&) = delete;

    void Stop() {
        if (!m_running) return;
        m_running = false;
        RunUnmeasured({m_server, "-k"});
    }

    std::vector<std::string> Command(const std::string& program, std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {m_wine, program});
        return arguments;
    }

private:
    std::string m_wine, m_server;
    bool m_running = false;
};

}  // namespace

constexpr const char* kUsage =
    "usage: jxl-bench [--runs N] [--c-host] [--tool FORMAT]... [--settle SECONDS] [--windows FOLDER] [--verbose] FILE";

int main(int argc, char** argv) {
    int runs = 5;
    double settle = 0;
    bool cHost = false, verbose = false;
    std::string file, windows;
    std::vector<std::string> toolFormats;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) runs = std::atoi(argv[++i]);
        else if (arg == "--c-host") cHost = true;
        else if (arg == "--settle" && i + 1 < argc) settle = std::atof(argv[++i]);
        else if (arg == "--windows" && i + 1 < argc) windows = argv[++i];
        else if (arg == "--verbose") verbose = true;
        else if (arg == "--tool" && i + 1 < argc) toolFormats.push_back(argv[++i]);
        else if (!arg.empty() && arg[0] != '-' && file.empty()) file = arg;
        else Die(kUsage);
    }
    if (file.empty() || runs < 1 || !(settle >= 0)) Die(kUsage);
    struct stat info;
    if (stat(file.c_str(), &info) != 0) Die("cannot read " + file);
    const double megabytes = static_cast<double>(info.st_size) / 1e6;

    // The programs' commands: beside this one, or the Windows build's under Wine.
    std::unique_ptr<CWine> wine;
    std::function<std::vector<std::string>(const char*, bool)> command;
    if (windows.empty()) {
        char self[4096];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length <= 0) Die("cannot find my own folder");
        self[length] = '\0';
        const std::string folder = Folder(self);
        command = [folder, file](const char* program, bool plugin) {
            std::vector<std::string> words{folder + "/" + program};
            if (plugin) words.push_back(folder + "/libjxlimport.so");
            words.push_back(file);
            return words;
        };
    } else {
        const std::string folder = Absolute(windows);
        for (const char* name : {"jxl-bench-parse.exe", "jxl-bench-import.exe", "jxl-bench-c-import.exe", "jxlimport.dll"})
            if (access((folder + "/" + name).c_str(), R_OK) != 0) Die("no " + std::string(name) + " in " + folder);
        wine = std::make_unique<CWine>(folder);
        g_atDeath = [&wine] { wine->Stop(); };
        const std::string plugin = WinePath(folder + "/jxlimport.dll"), job = WinePath(file);
        command = [folder, plugin, job, &wine](const char* program, bool withPlugin) {
            std::vector<std::string> arguments;
            if (withPlugin) arguments.push_back(plugin);
            arguments.push_back(job);
            return wine->Command(folder + "/" + program + ".exe", arguments);
        };
    }

    std::vector<Series> series = {{"bare parse", command("jxl-bench-parse", false), {}},
                                  {"import", command("jxl-bench-import", true), {}}};
    if (cHost) series.push_back({"import, C host", command("jxl-bench-c-import", true), {}});
    const std::size_t firstTool = series.size();
    std::vector<std::string> toolOutputs;  // jxl-import's --output files
    if (wine && !toolFormats.empty()) Die("--tool measures the Linux build's jxl-import only");
    for (const std::string& format : toolFormats) {
        toolOutputs.push_back("/tmp/jxl-bench-" + std::to_string(getpid()) + "." + format);
        std::vector<std::string> words = command("jxl-import", false);
        words.insert(words.end() - 1, {"--format", format, "-o", toolOutputs.back()});
        series.push_back({"jxl-import " + format, words, {}});
    }
    // The import once more at the end of each round, straight after the last import: it
    // finds the memory that one has just given back, which the kernel hands out again at
    // once. Beside the paired imports it shows what the import costs when fresh memory is
    // cheap.
    series.push_back({"import again", series[1].command, {}});
    const std::size_t again = series.size() - 1;

    // One round unmeasured, so that every program starts with the file in the page cache
    // and its own code loaded once. Then each import runs right after a bare parse of its
    // own (parse, import, parse, C import, ...): every import meets the same conditions,
    // the memory the parse has just given back among them, and makes a pair with its parse.
    Series& bare = series[0];
    std::vector<std::vector<double>> pairedWall(series.size()), pairedPeak(series.size());
    for (Series& each : series) Measure(each.command);
    for (int round = 0; round < runs; ++round) {
        for (std::size_t i = 1; i < again; ++i) {
            // With --tool the pairs take turns at each place in the round, so that none of
            // them always meets the memory that one place leaves it.
            const std::size_t s = toolFormats.empty() ? i : 1 + (i - 1 + static_cast<std::size_t>(round)) % (again - 1);
            bare.runs.push_back(Measure(bare.command, settle));
            // jxl-import writes a new file each time: replacing the last run's would add the
            // file system's cost of giving the old file up.
            if (s >= firstTool && s < firstTool + toolFormats.size()) std::remove(toolOutputs[s - firstTool].c_str());
            series[s].runs.push_back(Measure(series[s].command, settle));
            const Run& parse = bare.runs.back();
            const Run& import = series[s].runs.back();
            pairedWall[s].push_back(import.wall / parse.wall);
            pairedPeak[s].push_back(import.peakMb / parse.peakMb);
            if (verbose) {
                for (const Run* run : {&parse, &import})
                    std::printf("  %-16s wall %.3f s  user %.3f s  sys %.3f s  peak %.1f MB\n",
                                (run == &parse ? bare : series[s]).name.c_str(), run->wall, run->user, run->system,
                                run->peakMb);
            }
        }
        series[again].runs.push_back(Measure(series[again].command));
    }

    // Every import of the same file must give the host the same calls.
    const std::string& counts = series[1].runs.front().output;
    for (std::size_t s = 1; s < series.size(); ++s)
        for (const Run& run : s >= firstTool && s < firstTool + toolFormats.size() ? std::vector<Run>() : series[s].runs)
            if (run.output != counts) Die("the imports gave different calls:\n" + counts + "---\n" + run.output);

    if (wine) wine->Stop();
    std::printf("%s: %.1f MB; %s; %d runs of each, alternating, one per process", file.c_str(), megabytes,
                wine ? "Windows build under Wine" : "Linux build", runs);
    if (settle > 0) std::printf(", %g s of rest before each", settle);
    std::printf(" (medians)\n");
    std::printf("  %-16s %8s %8s %8s %10s %8s\n", "", "wall s", "user s", "sys s", "peak MB", "MB/s");
    for (const Series& each : series) {
        const double wall = each.Median(&Run::wall);
        std::printf("  %-16s %8.3f %8.3f %8.3f %10.1f %8.1f\n", each.name.c_str(), wall, each.Median(&Run::user),
                    each.Median(&Run::system), each.Median(&Run::peakMb), megabytes / wall);
    }
    for (std::size_t s = 1; s < again; ++s)
        std::printf("  %s / bare parse, median of the per-pair ratios: wall %.3f, peak memory %.3f\n",
                    series[s].name.c_str(), Median(pairedWall[s]), Median(pairedPeak[s]));
    // The tool against the import of the same round, which met memory in the same state.
    std::vector<double> toolWall(series.size()), toolPeak(series.size());
    for (std::size_t s = firstTool; s < again; ++s) {
        std::vector<double> wall, peak;
        for (std::size_t r = 0; r < series[s].runs.size(); ++r) {
            wall.push_back(series[s].runs[r].wall / series[1].runs[r].wall);
            peak.push_back(series[s].runs[r].peakMb / series[1].runs[r].peakMb);
        }
        toolWall[s] = Median(wall);
        toolPeak[s] = Median(peak);
        std::printf("  %s / import, median of the per-round ratios: wall %.3f, peak memory %.3f\n", series[s].name.c_str(),
                    toolWall[s], toolPeak[s]);
        std::remove(toolOutputs[s - firstTool].c_str());
    }
    std::printf("  calls: %s\n", [&] {
        const std::size_t at = counts.find("calls ");
        return at == std::string::npos ? std::string("?") : counts.substr(at + 6, counts.find('\n', at) - at - 6);
    }().c_str());

    std::printf("summary build=%s size_mb=%.1f runs=%d settle=%g bare_wall=%.3f bare_peak_mb=%.1f import_wall=%.3f import_user=%.3f "
                "import_sys=%.3f import_peak_mb=%.1f import_mb_s=%.1f ratio=%.3f peak_ratio=%.3f",
                wine ? "windows" : "linux", megabytes, runs, settle, series[0].Median(&Run::wall), series[0].Median(&Run::peakMb),
                series[1].Median(&Run::wall), series[1].Median(&Run::user), series[1].Median(&Run::system),
                series[1].Median(&Run::peakMb), megabytes / series[1].Median(&Run::wall), Median(pairedWall[1]),
                Median(pairedPeak[1]));
    if (cHost) std::printf(" c_host_wall=%.3f c_host_peak_mb=%.1f c_host_ratio=%.3f", series[2].Median(&Run::wall),
                           series[2].Median(&Run::peakMb), Median(pairedWall[2]));
    std::printf(" again_wall=%.3f again_user=%.3f again_mb_s=%.1f", series[again].Median(&Run::wall),
                series[again].Median(&Run::user), megabytes / series[again].Median(&Run::wall));
    for (std::size_t s = firstTool; s < again; ++s)
        std::printf(" tool_%s_wall=%.3f tool_%s_peak_mb=%.1f tool_%s_ratio=%.3f tool_%s_peak_ratio=%.3f", toolFormats[s - firstTool].c_str(),
                    series[s].Median(&Run::wall), toolFormats[s - firstTool].c_str(), series[s].Median(&Run::peakMb),
                    toolFormats[s - firstTool].c_str(), toolWall[s], toolFormats[s - firstTool].c_str(), toolPeak[s]);
    std::printf("\n");
    return 0;
}
