// The floor of a burst through a pipe: 200 dialRotate lines written at once to a live dial
// (the shared benchmark's dial-echo), and the time until its 200 answers are read back.
// Usage: cc -O2 -o pipe-burst pipe-burst.c && ./pipe-burst ./dial-echo   (median of 51, in ms)
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int compare(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return x < y ? -1 : x > y;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: pipe-burst LIVE_DIAL\n");
        return 2;
    }
    int in[2], out[2];
    if (pipe(in) || pipe(out))
        return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    pid_t pid;
    char *args[] = {argv[1], NULL};
    if (posix_spawn(&pid, argv[1], &actions, NULL, args, environ))
        return 1;
    close(in[0]);
    close(out[1]);
    static char buffer[1 << 16];
    if (read(out[0], buffer, sizeof buffer) <= 0) // its first line
        return 1;
    static char burst[200 * 128];
    size_t size = 0;
    for (int i = 0; i < 200; i++)
        size += sprintf(burst + size, "dialRotate {\"controller\":\"Encoder\",\"coordinates\":"
                                      "{\"column\":0,\"row\":0},\"pressed\":false,"
                                      "\"settings\":{},\"ticks\":1}\n");
    double times[51];
    for (int round = 0; round < 51; round++) {
        const double start = now();
        if (write(in[1], burst, size) != (ssize_t)size)
            return 1;
        for (int lines = 0; lines < 200;) {
            const ssize_t got = read(out[0], buffer, sizeof buffer);
            if (got <= 0)
                return 1;
            for (ssize_t i = 0; i < got; i++)
                lines += buffer[i] == '\n';
        }
        times[round] = now() - start;
    }
    qsort(times, 51, sizeof times[0], compare);
    printf("%.3f\n", times[25]);
    return 0;
}
