// The listing-line splitter: never crashes, and what it gives back obeys its
// rules (lower-case ASCII, trimmed, split at the first "=").

#include "FuzzTarget.h"
#include "link/Proc.h"

const char* const FuzzSeeds[] = {
    "Roll_Sensitivity = 1.5", "a = b = c", "  Abc = XyZ  ", "=5", "hello",
    "osd_alt_xy = 1,2",       nullptr};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray line = FuzzInput(data, size);
    QByteArray name, value;
    const bool ok = SplitParamLine(line, name, value);
    if (ok != !name.isEmpty())
        std::abort();
    for (const QByteArray* s : {&name, &value}) {
        for (char c : *s)
            if (c >= 'A' && c <= 'Z')
                std::abort();
        if (!s->isEmpty() && (uchar(s->front()) <= 32 || uchar(s->back()) <= 32))
            std::abort();
    }
    if (name.contains('='))
        std::abort();
    if (!line.contains('=') && value != Trim(LowerAscii(line)))
        std::abort();
    int n = 0;
    TryStrToInt(value, n);
    return 0;
}
