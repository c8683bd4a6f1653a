#pragma once

// One fuzz target is one source file holding
//
//     VX_FUZZ_TARGET(name) { ... use data and size ... }
//
// Built with VX_FUZZ=ON the body becomes the libFuzzer entry of its own
// executable; in the normal build it registers under its name, so the test
// suite can replay every kept crash input through the very same code.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using FuzzEntry = void (*)(const std::uint8_t *data, std::size_t size);

struct FuzzTarget
{
    const char *name;
    FuzzEntry entry;
};

// Every target linked into this executable, in no particular order.
inline std::vector<FuzzTarget> &fuzzTargets()
{
    static std::vector<FuzzTarget> targets;
    return targets;
}
inline bool registerFuzzTarget(const char *name, FuzzEntry entry)
{
    fuzzTargets().push_back({name, entry});
    return true;
}

// Invariants a target checks: a broken one must stop the fuzzer (and the
// replaying test) as loudly as a sanitizer report does.
[[noreturn]] inline void fuzzInvariantBroken(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}
#define VX_FUZZ_CHECK(condition)                                                                             \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            fuzzInvariantBroken(#condition, __FILE__, __LINE__);                                             \
    } while (false)

#ifdef VX_FUZZ_LIBFUZZER
#define VX_FUZZ_TARGET(name)                                                                                 \
    static void vxFuzzBody(const std::uint8_t *data, std::size_t size);                                      \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)                        \
    {                                                                                                        \
        vxFuzzBody(data, size);                                                                              \
        return 0;                                                                                            \
    }                                                                                                        \
    static void vxFuzzBody(const std::uint8_t *data, std::size_t size)
#else
#define VX_FUZZ_TARGET(name)                                                                                 \
    static void vxFuzzBody(const std::uint8_t *data, std::size_t size);                                      \
    [[maybe_unused]] static const bool vxFuzzRegistered = registerFuzzTarget(#name, vxFuzzBody);             \
    static void vxFuzzBody(const std::uint8_t *data, std::size_t size)
#endif
