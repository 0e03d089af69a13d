// Heap allocations per decoded frame in steady state, counted in process: operator new is
// replaced in this binary. Prints one line of JSON for scripts/bench-compare.py.
//
//   frame-allocations FILE.flac RATE CHANNELS BYTES

#include "steadyDecoding.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: frame-allocations FILE.flac RATE CHANNELS BYTES\n");
        return 2;
    }
    try {
        const steadydecoding::Count count = steadydecoding::countSteadyAllocations(
            argv[1], std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), 16);
        std::printf("{\"frames\": %lld, \"allocations\": %lld, \"per_frame\": %.4f}\n",
                    static_cast<long long>(count.chunks), static_cast<long long>(count.allocations),
                    count.perChunk());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "frame-allocations: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "frame-allocations: decoding failed\n");
    }
    return 1;
}
