// The worker's line cutting and dispatch: any byte stream, cut at any read
// boundaries, gives back exactly its bytes as lines; telemetry never reaches
// the response queue and nothing else reaches a slot.

#include "FuzzTarget.h"
#include "link/BoardLinkUnit.h"
#include "link/LineCutter.h"

const char* const FuzzSeeds[] = {"roll = 1\r\n=>",
                                 "$GYRO:1 2 3\r\n$EKF:t r=1 p=2 y=3\r\n",
                                 "A\r\n\r\nB",
                                 "=> x\r\n",
                                 "$ACCEL:\r\n$gyro:1\r\n",
                                 nullptr};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the read sizes and a small line limit, so the
    // cut at the limit is reached too.
    const unsigned chunk = 1 + data[0] % 7;
    const QByteArray input = FuzzInput(data + 1, size - 1);
    TLineCutter cutter(8 + data[0] % 32);
    TBoardLink link;
    QByteArray rebuilt;
    int telemetry = 0, responses = 0;
    for (qsizetype at = 0; at < input.size(); at += chunk) {
        cutter.Feed(input.mid(at, chunk), [&](const QByteArray& line, bool terminated) {
            if (line.contains("\r\n"))
                std::abort();
            rebuilt += line;
            if (terminated)
                rebuilt += "\r\n";
            DispatchLine(link, line);
            bool isTelemetry = false;
            for (const TTelemetryTag& t : TelemetryTags)
                isTelemetry |= line.startsWith(t.Tag);
            (isTelemetry ? telemetry : responses)++;
        });
    }
    if (rebuilt + cutter.Pending() != input)
        std::abort();
    if (link.ResponseQueue.size() != responses)
        std::abort();
    return 0;
}
