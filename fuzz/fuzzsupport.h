#pragma once

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

// What every fuzz target needs once: an application object and a silent log.
inline void fuzzSetUp()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

// A broken invariant is a finding: abort so the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "check failed: %s\n", #condition);                                     \
            abort();                                                                               \
        }                                                                                          \
    } while (false)
