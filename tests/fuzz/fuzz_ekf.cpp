// The attitude monitor's payload parsers: never crash; a payload that fails
// leaves the attitude as it was, one that parses gives finite angles.

#include "FuzzTarget.h"
#include "monitor/PayloadNumbers.h"

#include <cmath>

const char* const FuzzSeeds[] = {"123456 r=1.5 p=-2.25 y=180.0 alt=12 vz=0.1",
                                 "t r=1 p=2 y=3",
                                 "t  r=1 p=2 y=3",
                                 "x r=1e308 p=1e309 y=.5",
                                 "BAT1=11.9 x2 -0.25",
                                 nullptr};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray payload = FuzzInput(data, size);
    double r = 7, p = 8, y = 9;
    if (ParseEkfAttitude(payload, r, p, y)) {
        if (!std::isfinite(r) || !std::isfinite(p) || !std::isfinite(y))
            std::abort();
    } else if (r != 7 || p != 8 || y != 9) {
        std::abort();
    }
    PayloadNumbers(payload);
    return 0;
}
