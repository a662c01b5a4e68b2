// Channel and mixer row parsing: never crashes; a parsed row has an index
// and five fields, the first four free of separators.

#include "FuzzTarget.h"
#include "settings/ChannelRowsUnit.h"

const char* const FuzzSeeds[] = {"0: 2 1 1000 1500 2000",
                                 "3:\t11  5\t1000 1500\t 2000",
                                 "# N: type ch min neutral max",
                                 "12: 100 0 0 0 0",
                                 "x = 1",
                                 "7: 1 2 3",
                                 nullptr};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TRowLine row;
    if (!ParseRowLine(FuzzInput(data, size), row))
        return 0;
    for (int i = 0; i < 4; ++i)
        if (row.Fields[i].isEmpty() || row.Fields[i].contains(' ') || row.Fields[i].contains('\t'))
            std::abort();
    return 0;
}
