// The magnetometer calibration's extremes line parser: never crashes, and a
// key that was not found has no value.

#include "FuzzTarget.h"
#include "archive/MemsCalibration.h"

const char* const FuzzSeeds[] = {"x_max=412 x_min=-398 y_max=380 y_min=-401 z_max=455 z_min=-420",
                                 "x_max=1 x_min=2", "z_min=5 x_max=1", "x_max= x_min=", nullptr};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TExtremes e = ParseExtremes(FuzzInput(data, size));
    for (int i = 0; i < 6; ++i)
        if (!e.Found[i] && !e.Values[i].isEmpty())
            std::abort();
    return 0;
}
