#include "fuzz/fuzztarget.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::vector<FuzzTarget> &registry()
{
    static std::vector<FuzzTarget> targets;
    return targets;
}

} // namespace

const std::vector<FuzzTarget> &fuzzTargets()
{
    return registry();
}

bool registerFuzzTarget(const char *name, FuzzEntry entry)
{
    registry().push_back({name, entry});
    return true;
}

void fuzzInvariantBroken(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}
