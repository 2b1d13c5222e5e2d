// The floor for a key press round trip: start a script with posix_spawn, read its output to the
// first line feed, reap it. No Qt, no socket: what any plugin would pay at the least.
// Usage: spawn_floor SCRIPT RUNS    (prints "median_us p95_us")
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: spawn_floor SCRIPT RUNS\n");
        return 2;
    }
    const int runs = std::atoi(argv[2]);
    std::vector<double> micros;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        int out[2];
        if (pipe(out) != 0)
            return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, out[1]);
        char *child[] = {argv[1], const_cast<char *>("--t"), const_cast<char *>("x"), nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[1], &actions, nullptr, child, environ) != 0) {
            std::fprintf(stderr, "spawn_floor: cannot start %s\n", argv[1]);
            return 1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
        }
        const auto end = std::chrono::steady_clock::now();
        close(out[0]);
        waitpid(pid, nullptr, 0);
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%.0f %.0f\n", micros[micros.size() / 2], micros[micros.size() * 95 / 100]);
    return 0;
}
