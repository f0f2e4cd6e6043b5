// faults.exe SEED FAULT_SECONDS: one seed of the fault-injection run of the
// real client under Wine against the simulator that ./brisko started for it.
// Prints what it did and saw; the last line is "PASS" or "FAIL: ..." lines
// before it; exits 0 when every invariant held.
#include "FaultRun.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3 || SimControl::HttpsPort() == 0) {
        std::fprintf(stderr, "usage: faults.exe SEED FAULT_SECONDS (run by ./brisko faults)\n");
        return 2;
    }
    const uint32_t seed = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10));
    const uint32_t seconds = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    FaultRun run(seed, seconds * 1000);
    const bool passed = run.Run();
    for (const std::string& failure : run.Failures())
        std::printf("FAIL: %s\n", failure.c_str());
    if (passed)
        std::printf("PASS\n");
    return passed ? 0 : 1;
}
