// SPDX-License-Identifier: Apache-2.0
// Runs a command several times and prints the median wall time (ms) and the
// largest peak resident set size (KiB) of the child process, measured with
// wait4's resource usage, so that the figures cover the whole process.
//
// Usage: pagecut-measure REPEAT COMMAND [ARGS...]
// Output: "MEDIAN_MS PEAK_KIB EXIT_CODE"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s REPEAT COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const int repeat = std::max(1, std::atoi(argv[1]));
    std::vector<double> times;
    long peak = 0;
    int code = 0;
    for (int i = 0; i < repeat; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            execvp(argv[2], argv + 2);
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        peak = std::max(peak, usage.ru_maxrss);
        code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::sort(times.begin(), times.end());
    std::printf("%.1f %ld %d\n", times[times.size() / 2], peak, code);
    return 0;
}
