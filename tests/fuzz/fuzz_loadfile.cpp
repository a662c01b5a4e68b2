// The configuration load file reader: any file content is cut into lines and
// followed through its section markers without crashing, and what it hands
// on is sane (trimmed lines without line ends, a section that exists).

#include "FuzzTarget.h"
#include "archive/ConfigLoad.h"

const char* const FuzzSeeds[] = {
    "##### BEGIN STAB #####\r\nset roll_sensitivity 1.2\r\n##### END STAB #####\r\n",
    "##### BEGIN OSD #####\nset rssi_xy 2 2\n\n   \n##### BEGIN WP #####\r\nset wp 1 55 37 100\r",
    "##### BEGIN CONTROL_IN #####\r\nset ch_in  1 2 1 1000 1500 2000\r\n",
    "##### BEGIN UNKNOWN #####\r\n  set x 1\r\n", nullptr};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file = FuzzInput(data, size);
    TLoadTracker tracker;
    for (const QByteArray& raw : SplitFileLines(file)) {
        if (raw.contains('\r') || raw.contains('\n'))
            std::abort();
        const TLoadTracker::TStep step = tracker.Feed(raw);
        if (step.Section < -1 || step.Section >= 11)
            std::abort();
        if (step.Kind == TLoadTracker::TKind::Body &&
            (step.Line.isEmpty() || uchar(step.Line.front()) <= 32 ||
             uchar(step.Line.back()) <= 32))
            std::abort();
    }
    return 0;
}
