// What every fuzz target shares: a check that stops the run (libFuzzer
// records the input) and record comparison.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "orrel/core/itemrecord.h"

#define FUZZ_CHECK(cond)                                                           \
    do {                                                                           \
        if (!(cond)) {                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                          \
        }                                                                          \
    } while (0)

inline bool SameRecord(const orrel::ItemRecord& a, const orrel::ItemRecord& b)
{
    return a.flags == b.flags && a.displayName == b.displayName && a.className == b.className &&
           a.path == b.path && a.tree == b.tree && a.server == b.server;
}
