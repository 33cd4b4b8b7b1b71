// SPDX-License-Identifier: GPL-3.0-or-later
// Launches the game and a bare Qt window alternately, each told to quit after its first painted
// frame, and prints the median launch-to-first-frame time and peak resident memory of both. The
// game opens a restored expert game from a temporary data folder, as a returning player's would.
#include "engine/GameEngine.h"
#include "model/RandomSource.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double firstFrameMs = 0;
    double peakMegabytes = 0;
};

std::int64_t monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The environment of every launch: ours, with the data and config homes moved to the temporary
// folder and the first-frame hook on. Anything that would sync or check for updates is dropped.
std::vector<std::string> launchEnvironment(const QString& root)
{
    std::vector<std::string> result;
    const auto isDropped = [](const std::string& variable) {
        for (const char* prefix : { "XDG_DATA_HOME=", "XDG_CONFIG_HOME=", "SAPPERLY_" })
            if (variable.rfind(prefix, 0) == 0)
                return true;
        return false;
    };
    for (char** entry = environ; *entry; ++entry)
        if (!isDropped(*entry))
            result.emplace_back(*entry);
    result.push_back("XDG_DATA_HOME=" + (root + "/data").toStdString());
    result.push_back("XDG_CONFIG_HOME=" + (root + "/config").toStdString());
    result.push_back("SAPPERLY_EXIT_AFTER_FIRST_FRAME=1");
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM"))
        result.push_back("QT_QPA_PLATFORM=offscreen");
    return result;
}

// Leaves an expert game under way in the data folder, written by the engine itself.
void seedExpertGame(const QString& root)
{
    GameEngine engine(GameFolders { root + "/data/sapperly", std::nullopt });
    engine.newGame(Difficulty::expert);
    engine.reveal(15, 8);
    engine.toggleMark(0, 0);
}

std::optional<Run> launch(const char* program, const std::vector<std::string>& environment)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);

    std::vector<char*> envp;
    for (const std::string& variable : environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    char* argv[] = { const_cast<char*>(program), nullptr };

    pid_t pid = 0;
    const std::int64_t startNs = monotonicNs();
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        std::fprintf(stderr, "cannot start %s: %s\n", program, std::strerror(spawned));
        return std::nullopt;
    }

    std::string output;
    char buffer[4096];
    pollfd watched { pipeEnds[0], POLLIN, 0 };
    while (poll(&watched, 1, 30'000) > 0) {
        const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(count));
    }
    close(pipeEnds[0]);
    kill(pid, SIGKILL); // no-op for a child that quit as asked; ends one that hangs
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);

    const std::string marker = "first-frame-ns ";
    const auto at = output.find(marker);
    if (at == std::string::npos) {
        std::fprintf(stderr, "%s reported no first frame\n", program);
        return std::nullopt;
    }
    const std::int64_t frameNs = std::strtoll(output.c_str() + at + marker.size(), nullptr, 10);
    return Run { static_cast<double>(frameNs - startNs) / 1e6,
        static_cast<double>(usage.ru_maxrss) / 1024.0 };
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void printRow(const char* name, const std::vector<Run>& runs)
{
    std::vector<double> times;
    std::vector<double> memory;
    for (const Run& run : runs) {
        times.push_back(run.firstFrameMs);
        memory.push_back(run.peakMegabytes);
    }
    std::printf("%-12s %10.1f %10.1f %10.1f %14.1f\n", name, median(times),
        *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()), median(memory));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const char* game = nullptr;
    const char* bare = nullptr;
    int runs = 15;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--sapperly")
            game = argv[i + 1];
        else if (option == "--bare")
            bare = argv[i + 1];
        else if (option == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    if (!game || !bare) {
        std::fputs("usage: launch_bench --sapperly PATH --bare PATH [--runs N]\n", stderr);
        return 2;
    }

    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    seedExpertGame(root.path());
    const std::vector<std::string> environment = launchEnvironment(root.path());

    // One launch each first, so that both start with the libraries in the page cache.
    if (!launch(bare, environment) || !launch(game, environment))
        return 1;
    std::vector<Run> bareRuns;
    std::vector<Run> gameRuns;
    for (int i = 0; i < runs; ++i) {
        const auto bareRun = launch(bare, environment);
        const auto gameRun = launch(game, environment);
        if (!bareRun || !gameRun)
            return 1;
        bareRuns.push_back(*bareRun);
        gameRuns.push_back(*gameRun);
    }

    std::printf("%d launches each, launch to first painted frame, peak resident memory\n", runs);
    std::printf(
        "%-12s %10s %10s %10s %14s\n", "program", "median ms", "min ms", "max ms", "peak RSS MiB");
    printRow("bare_window", bareRuns);
    printRow("sapperly", gameRuns);

    const auto medianOf = [](const std::vector<Run>& list, double Run::*field) {
        std::vector<double> values;
        for (const Run& run : list)
            values.push_back(run.*field);
        return median(values);
    };
    const double timeRatio =
        medianOf(gameRuns, &Run::firstFrameMs) / medianOf(bareRuns, &Run::firstFrameMs);
    const double extraMemory =
        medianOf(gameRuns, &Run::peakMegabytes) - medianOf(bareRuns, &Run::peakMegabytes);
    std::printf("time: %.2fx the bare window (target: at most 1.5x) %s\n", timeRatio,
        timeRatio <= 1.5 ? "met" : "MISSED");
    std::printf("memory: %+.1f MiB over the bare window (target: at most 20) %s\n", extraMemory,
        extraMemory <= 20 ? "met" : "MISSED");
    return 0;
}
