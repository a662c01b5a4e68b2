#include "archive/ConfigCompare.h"

#include "archive/ConfigLoad.h"
#include "link/Proc.h"

#include <QHash>

namespace {
// Words of the key after "set": rows and columns belong to the key.
int KeyWords(const QByteArray& what) {
    if (what == "wp" || what == "ch_in" || what == "ch_out")
        return 3;
    if (what == "mix")
        return 4;
    return 2;
}

QByteArrayList Words(const QByteArray& line) {
    return line.simplified().split(' ');
}
} // namespace

QByteArray SettingKey(const QByteArray& line) {
    const QByteArrayList w = Words(LowerAscii(line));
    if (w.size() < 2 || w[0] != "set")
        return QByteArray();
    return w.mid(0, KeyWords(w[1])).join(' ');
}

QByteArray SettingValue(const QByteArray& line) {
    const QByteArrayList w = Words(line);
    if (w.size() < 2 || LowerAscii(w[0]) != "set")
        return line.simplified();
    return w.mid(KeyWords(LowerAscii(w[1]))).join(' ');
}

bool SameSettingValue(const QByteArray& a, const QByteArray& b) {
    const QByteArrayList x = Words(LowerAscii(a));
    const QByteArrayList y = Words(LowerAscii(b));
    if (x.size() != y.size())
        return false;
    for (int i = 0; i < x.size(); ++i) {
        bool okX = false;
        bool okY = false;
        const double u = x[i].toDouble(&okX);
        const double v = y[i].toDouble(&okY);
        if (x[i] != y[i] && !(okX && okY && u == v))
            return false;
    }
    return true;
}

bool TConfigDiff::Contains(int section, const QByteArray& line) const {
    for (const TLineChange& c : Changes)
        if (c.Section == section && c.Line == line)
            return true;
    return false;
}

TConfigDiff CompareConfig(const QByteArrayList& fileLines, const QByteArrayList& boardLines,
                          const std::function<bool(int section)>& checked) {
    QHash<int, QHash<QByteArray, QByteArray>> board; // section -> key -> line
    TLoadTracker boardTracker;
    for (const QByteArray& raw : boardLines) {
        const TLoadTracker::TStep step = boardTracker.Feed(raw);
        if (step.Kind == TLoadTracker::TKind::Body && step.Section >= 0)
            board[step.Section].insert(SettingKey(step.Line), step.Line);
    }
    TConfigDiff diff;
    TLoadTracker tracker;
    for (const QByteArray& raw : fileLines) {
        const TLoadTracker::TStep step = tracker.Feed(raw);
        if (step.Kind != TLoadTracker::TKind::Body || step.Section < 0 || !checked(step.Section))
            continue;
        ++diff.Lines[step.Section];
        const QByteArray key = SettingKey(step.Line);
        const QByteArray old = key.isEmpty() ? QByteArray() : board[step.Section].value(key);
        if (!old.isEmpty() && SameSettingValue(SettingValue(old), SettingValue(step.Line)))
            continue;
        ++diff.Changed[step.Section];
        diff.Changes << TLineChange{step.Section, step.Line, old};
    }
    return diff;
}
