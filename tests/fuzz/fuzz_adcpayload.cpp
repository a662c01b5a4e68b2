// The ADC payload parser of the ADC settings window: never crashes and always
// gives one entry per key.

#include "FuzzTarget.h"
#include "settings/WinAdcSettingsUnit.h"

const char* const FuzzSeeds[] = {
    "BAT1=11.9 BAT2=7.4 BAT3=0.0 RSSI=87 AIR=512 CurV=1.65 CurI=3.2 Cur_Used=120 AIR_Speed=42",
    "BAT2=7 BAT1=11 ", "AIR_Speed=", "RSSI=1", nullptr};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto values = ParseAdcPayload(FuzzInput(data, size));
    if (values.size() != 9)
        std::abort();
    return 0;
}
