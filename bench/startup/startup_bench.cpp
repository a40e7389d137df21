// startup_bench: how long Quarrimax takes from the start of its process until
// its main window has been painted, beside a bare Qt program that shows an
// empty window, measured alternately in the same run.
//
//   startup_bench QUARRIMAX BASELINE [--runs N] [--platform NAME]
//
// Each program is started with the startupprobe plugin loaded, which notes the
// moment its first window has been painted and ends it. Quarrimax starts with
// settings of its own that select the sample galaxy beside it, when there is
// one, as a player's would. Prints the median, fastest and slowest start of
// each and exits 1 when Quarrimax's median misses the goal of 300 ms.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr double kGoalMilliseconds = 300.0;
constexpr auto kPatience = std::chrono::seconds(30);

std::int64_t Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Start {
    double milliseconds;
    std::string window;
};

class Bench {
public:
    Bench(const std::string& platform, const fs::path& work) : m_work(work)
    {
        m_report = work / "painted.txt";
        const fs::path config = work / "config";
        const fs::path runtime = work / "runtime";
        fs::create_directories(config);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        std::string pluginPath = STARTUP_PLUGIN_PATH;
        if (const char* more = std::getenv("QT_PLUGIN_PATH"); more != nullptr && *more != '\0') {
            pluginPath += std::string(":") + more;
        }
        const std::vector<std::pair<std::string, std::string>> set{
            {"QT_QPA_PLATFORM", platform},
            {"QT_PLUGIN_PATH", pluginPath},
            {"QT_QPA_GENERIC_PLUGINS", "startupprobe"},
            {"STARTUP_PROBE_REPORT", m_report.string()},
            {"XDG_CONFIG_HOME", config.string()},
            {"XDG_RUNTIME_DIR", runtime.string()},
        };
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const bool replaced = std::any_of(set.begin(), set.end(), [&](const auto& pair) {
                return text.compare(0, pair.first.size() + 1, pair.first + "=") == 0;
            });
            if (!replaced) {
                m_environment.push_back(text);
            }
        }
        for (const auto& [name, value] : set) {
            m_environment.push_back(name + "=" + value);
        }
    }

    // Settings that select the sample galaxy beside the program, as the Galaxy
    // List editor would store them.
    void selectSample(const fs::path& program)
    {
        const fs::path folder = m_work / "config" / "Quarrimax2";
        fs::create_directories(folder);
        std::ofstream store(folder / "Quarrimax2.conf");
        if (fs::exists(program.parent_path() / "sample.gxy")) {
            store << "[Galaxies]\nGalaxy1=Sample\nGalaxyfile1=sample.gxy\n";
        }
        store << "[Options]\nHab=40\nMet=30\nRating=1\nOpen=0\nReader=True\nNotePad=False\n";
    }

    std::optional<Start> run(const fs::path& program)
    {
        fs::remove(m_report);
        std::vector<char*> environment;
        for (std::string& entry : m_environment) {
            environment.push_back(entry.data());
        }
        environment.push_back(nullptr);
        std::string path = program.string();
        char* argv[] = {path.data(), nullptr};

        const std::int64_t started = Now();
        pid_t pid = 0;
        if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environment.data()) != 0) {
            std::fprintf(stderr, "cannot start %s: %s\n", path.c_str(), std::strerror(errno));
            return std::nullopt;
        }
        if (!waitFor(pid)) {
            std::fprintf(stderr, "%s did not end after its first paint\n", path.c_str());
            return std::nullopt;
        }
        std::ifstream report(m_report);
        std::int64_t painted = 0;
        std::string window;
        if (!(report >> painted >> window)) {
            std::fprintf(stderr, "%s painted no window\n", path.c_str());
            return std::nullopt;
        }
        return Start{double(painted - started) / 1e6, window};
    }

private:
    static bool waitFor(pid_t pid)
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    fs::path m_work;
    fs::path m_report;
    std::vector<std::string> m_environment;
};

struct Figures {
    double median;
    double fastest;
    double slowest;
};

Figures Summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    return {median, times.front(), times.back()};
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> paths;
    int runs = 15;
    std::string platform = "offscreen";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--platform" && i + 1 < argc) {
            platform = argv[++i];
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "usage: startup_bench QUARRIMAX BASELINE [--runs N] [--platform NAME]\n");
        return 2;
    }
    const fs::path quarrimax = fs::absolute(paths[0]);
    const fs::path baseline = fs::absolute(paths[1]);

    char pattern[] = "/tmp/startup_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work = pattern;
    Bench bench(platform, work);
    bench.selectSample(quarrimax);

    // One start of each first, so that both find the libraries in the cache.
    std::vector<double> quarrimaxTimes;
    std::vector<double> baselineTimes;
    bool ok = true;
    for (int i = -1; i < runs && ok; ++i) {
        const std::optional<Start> bare = bench.run(baseline);
        const std::optional<Start> program = bench.run(quarrimax);
        if (!bare || !program) {
            ok = false;
        } else if (program->window != "frmQuarrimax") {
            std::fprintf(stderr, "the first window painted was \"%s\", not the main window\n", program->window.c_str());
            ok = false;
        } else if (i >= 0) {
            baselineTimes.push_back(bare->milliseconds);
            quarrimaxTimes.push_back(program->milliseconds);
        }
    }
    fs::remove_all(work);
    if (!ok) {
        return 1;
    }

    const Figures bare = Summarise(baselineTimes);
    const Figures program = Summarise(quarrimaxTimes);
    std::printf("Start of the process to the first paint of its window, %d runs each, platform %s\n", runs,
                platform.c_str());
    std::printf("  %-34s median %7.1f ms  (fastest %.1f, slowest %.1f)\n", "bare Qt program, empty window", bare.median,
                bare.fastest, bare.slowest);
    std::printf("  %-34s median %7.1f ms  (fastest %.1f, slowest %.1f)\n", "Quarrimax, main window", program.median,
                program.fastest, program.slowest);
    std::printf("  %-34s %+14.1f ms\n", "Quarrimax beyond the bare program", program.median - bare.median);
    const bool met = program.median <= kGoalMilliseconds;
    std::printf("Main window on screen within %.0f ms: %s\n", kGoalMilliseconds, met ? "met" : "MISSED");
    return met ? 0 : 1;
}
