#include "archive/ConfigLoad.h"

#include "archive/ConfigExport.h"
#include "link/Proc.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>

const TLoadSection LoadSections[11] = {
    {"STAB ", "stab", "Общие гастройки стаба и навигатора"},
    {"IMU ", "IMU", "IMU"},
    {"OSD ", "osd", "OSD"},
    {"GYRO ", "gyro", "Калибровка гироскопа"},
    {"MAG ", "mag", "Калибровка магнетометра"},
    {"WP ", "wp", "Полетное задание"},
    {"ADC_SETTINGS ", "adc", "Настройки АЦП"},
    {"BATTERIES ", "bat", "Параметры батарей"},
    {"CONTROL IN ", "control_in", "Входные каналы"},
    {"CONTROL OUT ", "control_out", "Выходные каналы"},
    {"CONTROL MIXERS ", "control_mix", "Микшеры"},
};

int LoadSectionByBox(const QString& box) {
    for (int i = 0; i < static_cast<int>(std::size(LoadSections)); ++i)
        if (box.compare(QLatin1String(LoadSections[i].Box), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QByteArrayList SplitFileLines(const QByteArray& data) {
    QByteArrayList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines << data.mid(start, i - start);
        if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < data.size())
        lines << data.mid(start);
    return lines;
}

TLoadTracker::TStep TLoadTracker::Feed(const QByteArray& rawLine) {
    TStep step;
    step.Line = Trim(rawLine);
    if (step.Line.isEmpty())
        return step;
    if (step.Line.contains("##### BEGIN")) {
        // An unknown name leaves the current section as it was.
        for (int i = 0; i < static_cast<int>(std::size(LoadSections)); ++i)
            if (step.Line.contains(LoadSections[i].Keyword))
                m_current = i;
        step.Kind = TKind::Marker;
    } else if (step.Line.contains("##### END")) {
        m_current = -1;
        step.Kind = TKind::Marker;
    } else {
        step.Kind = TKind::Body;
    }
    step.Section = m_current;
    return step;
}

TArchiveResult ReadLoadFile(const QString& fileName, QByteArrayList& lines) {
    TArchiveResult result;
    result.Detail = fileName;
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) {
        result.Status = TArchiveStatus::NoFile;
        return result;
    }
    QFile file(fileName);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    // Opened but not read through (an I/O error part-way) fails alike: a
    // load of half a file would be taken for the whole configuration.
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        result.Status = TArchiveStatus::FileReadFailed;
        result.Detail = fileName + ": " + file.errorString();
        return result;
    }
    lines = SplitFileLines(data);
    result.Detail.clear();
    return result;
}

TArchiveResult LoadConfig(TBoardLink& link, const QString& fileName,
                          const std::function<bool(int section)>& checked, const TRunHooks& hooks,
                          const std::function<bool(int section, const QByteArray& line)>& only,
                          TLoadCheck* check) {
    QByteArrayList lines;
    TArchiveResult result = ReadLoadFile(fileName, lines);
    if (!result.Ok())
        return result;

    ShowFileOpen(hooks, static_cast<int>(lines.size()));
    TLoadTracker tracker;
    TProgress progress{1, 0, static_cast<int>(lines.size())};
    // Each line waits a little more than a second for its prompt, as the
    // board's interface allows; then the next one goes all the same. Late
    // prompts are counted as they come (the turn's lines are pipelined), so
    // a slow board is loaded completely and the end says how many lines had
    // no prompt in time. But a board that has given no prompt at all for
    // the silence limit has stopped listening: the load ends there rather
    // than sending the rest of the file into the void and calling that
    // success.
    const int silenceLimitMs = hooks.SilenceMs > 0 ? hooks.SilenceMs : ListingSilenceMs;
    const TBoardTurn turn(link);
    qint64 lastPrompt = link.Clock()->NowMs();
    int owed = 0; // lines sent whose prompt has not come yet
    int noPromptInTime = 0;
    QByteArrayList sent; // the lines sent, trimmed
    const auto heard = [&](const TAnswer& a) {
        if (check)
            check->Refused << a.Refusals;
        owed -= a.Late;
        if (a.Ok() || a.Late > 0)
            lastPrompt = link.Clock()->NowMs();
    };
    for (const QByteArray& raw : lines) {
        if (hooks.Mode == TWaitMode::ProcessEvents)
            QCoreApplication::processEvents();
        if (hooks.Cancel && hooks.Cancel()) {
            result.Status = TArchiveStatus::Cancelled;
            break;
        }
        const TLoadTracker::TStep step = tracker.Feed(raw);
        ++progress.Done;
        if (step.Kind != TLoadTracker::TKind::Body || step.Section < 0 || !checked(step.Section) ||
            (only && !only(step.Section, step.Line))) {
            if (hooks.Progress)
                hooks.Progress(progress);
            continue;
        }
        ++progress.Counter;
        if (hooks.Progress)
            hooks.Progress(progress);
        // The answer is awaited for its prompt; text in it is a refusal.
        sent << step.Line;
        TRequest r = RunRequest(step.Line + "\r\n", silenceLimitMs, hooks);
        r.LimitMs = LoadPromptWaitMs;
        r.Pipelined = true;
        const TAnswer a = link.Request(r);
        heard(a);
        if (a.Ok())
            continue;
        if (a.End != TAnswerEnd::Silent) {
            result = ResultOf(a);
            break;
        }
        ++owed;
        ++noPromptInTime;
        if (link.Clock()->NowMs() - lastPrompt >= silenceLimitMs) {
            result.Status = TArchiveStatus::BoardSilent;
            result.SilenceMs = silenceLimitMs;
            break;
        }
    }
    // The prompts still owed for the last lines, within the silence limit.
    if (result.Ok() && owed > 0) {
        TRequest r = RunRequest(QByteArray(), silenceLimitMs, hooks);
        r.Commands.clear();
        r.Prompts = 0;
        r.Pipelined = true;
        const TAnswer a = link.Request(r);
        heard(a);
        if (!a.Ok()) {
            result = ResultOf(a);
            if (a.End == TAnswerEnd::Silent)
                result.SilenceMs = silenceLimitMs;
        }
    }
    result.Lines = progress.Counter - 1;
    result.NoPromptInTime = noPromptInTime;
    if (result.Ok() && check && check->Verify && !sent.isEmpty()) {
        // What the board now holds, read back as the export reads it, and
        // compared line by line with what was sent.
        TRunHooks quiet = hooks; // the counter stays at the lines sent
        quiet.Progress = nullptr;
        TArchiveResult back = ReadBack(link, sent, *check, quiet);
        if (!back.Ok()) {
            back.Lines = result.Lines;
            back.NoPromptInTime = noPromptInTime;
            return back;
        }
    }
    if (result.Ok() && check && (!check->Refused.isEmpty() || !check->Differ.isEmpty()))
        result.Status = TArchiveStatus::Differs;
    return result;
}

namespace {
// The listing may show the setting of `key` (a SettingKey).
bool MayList(const TExportSection& section, const QByteArray& key) {
    const QByteArray what = key.split(' ').value(1);
    switch (section.Kind) {
    case TSectionKind::Waypoints:
        return what == "wp";
    case TSectionKind::ChannelsIn:
        return what == "ch_in";
    case TSectionKind::ChannelsOut:
        return what == "ch_out";
    case TSectionKind::Mixers:
        return what == "mix";
    case TSectionKind::Params:
    case TSectionKind::OsdParams:
        break;
    }
    return what != "wp" && what != "ch_in" && what != "ch_out" && what != "mix";
}
} // namespace

TArchiveResult ReadBack(TBoardLink& link, const QByteArrayList& lines, TLoadCheck& check,
                        const TRunHooks& hooks) {
    QHash<QByteArray, QByteArray> sent; // key -> the line, the last one sent of a key
    QByteArrayList keys;                // in the order first sent
    for (const QByteArray& line : lines) {
        const QByteArray key = SettingKey(line);
        if (key.isEmpty())
            continue; // not a "set" line: nothing to read back
        if (!sent.contains(key))
            keys << key;
        sent.insert(key, Trim(line));
    }
    QHash<QByteArray, QByteArray> held;
    for (const TExportSection& section : ExportSections) {
        // A listing is read only while a setting it may show is not found yet.
        const bool wanted = std::any_of(keys.begin(), keys.end(), [&](const QByteArray& k) {
            return !held.contains(k) && MayList(section, k);
        });
        if (!wanted)
            continue;
        QByteArrayList listed;
        const TArchiveResult r = ExportConfigLines(
            link, listed, hooks, [&](const TExportSection& s) { return &s == &section; });
        if (!r.Ok())
            return r;
        for (const QByteArray& line : listed)
            if (const QByteArray key = SettingKey(line); sent.contains(key))
                held.insert(key, line);
    }
    check.Verified = true;
    for (const QByteArray& key : keys) {
        ++check.Compared;
        const QByteArray& line = sent[key];
        const auto h = held.constFind(key);
        if (h == held.constEnd() || !SameSettingValue(SettingValue(*h), SettingValue(line)))
            check.Differ << TLineChange{-1, line, held.value(key)};
    }
    return TArchiveResult();
}

QByteArrayList TLoadCheck::RetryLines() const {
    QByteArrayList out;
    for (const TRefusal& r : Refused)
        out << r.Command;
    for (const TLineChange& c : Differ)
        if (!out.contains(c.Line))
            out << c.Line;
    return out;
}
