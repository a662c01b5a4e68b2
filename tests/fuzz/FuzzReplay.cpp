// Runs a fuzz target inside the normal test suite: a fixed-seed stream of
// random and mutated inputs, so CI exercises every target on every run. The
// same target source builds as a coverage-guided libFuzzer binary with
// -DVANTOR_FUZZ=ON (clang).

#include "FuzzTarget.h"

#include <cstdio>
#include <random>
#include <vector>

int main(int argc, char** argv) {
    long iterations = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    std::mt19937 rng(12345);
    std::vector<std::vector<uint8_t>> pool;
    for (const char* const* s = FuzzSeeds; *s; ++s)
        pool.emplace_back(*s, *s + std::char_traits<char>::length(*s));
    static const char alphabet[] = "=> \r\n\t,.-+:$0123456789abcxyzABC_GYRO:EKF:r=p=y=#\x00\xff";
    for (long i = 0; i < iterations; ++i) {
        std::vector<uint8_t> in;
        if (!pool.empty() && rng() % 4 != 0)
            in = pool[rng() % pool.size()];
        const int edits = 1 + rng() % 8;
        for (int e = 0; e < edits; ++e) {
            const size_t at = in.empty() ? 0 : rng() % (in.size() + 1);
            switch (rng() % 4) {
            case 0: // insert
                in.insert(in.begin() + at, alphabet[rng() % (sizeof alphabet - 1)]);
                break;
            case 1: // delete
                if (at < in.size())
                    in.erase(in.begin() + at);
                break;
            case 2: // replace with any byte
                if (at < in.size())
                    in[at] = static_cast<uint8_t>(rng());
                break;
            default: // splice another seed in
                if (!pool.empty()) {
                    const auto& o = pool[rng() % pool.size()];
                    in.insert(in.begin() + at, o.begin(), o.end());
                }
            }
        }
        LLVMFuzzerTestOneInput(in.data(), in.size());
        if (in.size() < 4096 && rng() % 16 == 0)
            pool.push_back(in);
    }
    std::printf("%ld passed, 0 failed\n", iterations);
    return 0;
}
