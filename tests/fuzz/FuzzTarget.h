#pragma once
// What every fuzz target defines: its entry point and the inputs worth
// starting from (valid lines of the format it reads, ending in nullptr).

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern const char* const FuzzSeeds[];

// The input as bytes.
inline QByteArray FuzzInput(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), int(size));
}
