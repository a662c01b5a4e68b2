#include "archive/ConfigExport.h"

#include "link/OutputFile.h"
#include "link/Proc.h"

#include <functional>

const TExportSection ExportSections[11] = {
    {"STAB", "cat stab\r\n", TSectionKind::Params},
    {"WP", "cat wp\r\n", TSectionKind::Waypoints},
    {"OSD", "cat osd\r\n", TSectionKind::OsdParams},
    {"IMU", "cat imu\r\n", TSectionKind::Params},
    {"ADC_SETTINGS", "cat adc_settings\r\n", TSectionKind::Params},
    {"BATTERIES", "cat batteries\r\n", TSectionKind::Params},
    {"GYRO", "cat gyro\r\n", TSectionKind::Params},
    {"MAG", "cat mag\r\n", TSectionKind::Params},
    {"CONTROL IN", "cat control in\r\n", TSectionKind::ChannelsIn},
    {"CONTROL OUT", "cat control out\r\n", TSectionKind::ChannelsOut},
    {"CONTROL MIXERS", "cat control mixers\r\n", TSectionKind::Mixers},
};

QByteArray SectionBeginLine(const TExportSection& s) {
    return QByteArray("##### BEGIN ") + s.Name + " #####\r\n";
}

QByteArray SectionEndLine(const TExportSection& s) {
    return QByteArray("##### END ") + s.Name + " #####\r\n";
}

QByteArray CutField(QByteArray& rest, char delimiter) {
    const qsizetype at = rest.indexOf(delimiter);
    if (at < 0)
        return QByteArray();
    const QByteArray field = Trim(rest.left(at));
    rest = Trim(rest.mid(at + 1));
    return field;
}

namespace {
// Index before the first ":" (kept as it stands, a leading zero included),
// fields after it.
struct TRow {
    QByteArray Index;
    QByteArrayList Fields;
    QByteArray Rest;
};

TRow CutRow(const QByteArray& line, char delimiter, int fields) {
    TRow row;
    const qsizetype colon = line.indexOf(':');
    row.Index = line.left(colon);
    row.Rest = Trim(line.mid(colon + 1));
    for (int i = 0; i < fields; ++i)
        row.Fields << CutField(row.Rest, delimiter);
    return row;
}

QByteArray ChannelLine(const char* prefix, const QByteArray& line) {
    const TRow r = CutRow(line, ' ', 4);
    return prefix + r.Index + " " + r.Fields.join(' ') + " " + r.Rest;
}

bool IsExportedMixer(const QByteArray& index) {
    // Mixers 1 to 5 are the board's fixed ones; they are never written back.
    static const QByteArrayList fixed = {"1", "2", "3", "4", "5"};
    return !fixed.contains(index);
}
} // namespace

TSectionLine ConvertSectionLine(TSectionKind kind, const QByteArray& line) {
    TSectionLine out;
    switch (kind) {
    case TSectionKind::Params:
    case TSectionKind::OsdParams: {
        out.Counted = true;
        QByteArray name, value;
        if (SplitParamLine(line, name, value)) {
            if (kind == TSectionKind::OsdParams)
                value.replace(',', ' ');
            out.Lines << "set " + name + " " + value;
        }
        break;
    }
    case TSectionKind::Waypoints:
        if (line.contains(':') && !line.contains("Waypoints") && !line.contains("latitude")) {
            out.Counted = true;
            const TRow r = CutRow(line, ',', 2);
            out.Lines << "set wp " + r.Index + " " + r.Fields[0] + " " + r.Fields[1] + " " + r.Rest;
        }
        break;
    case TSectionKind::ChannelsIn:
    case TSectionKind::ChannelsOut: {
        out.Counted = true;
        QByteArray l = line;
        l.replace('\t', ' ');
        if (!l.contains("type") && !l.contains('=') && l.contains(':'))
            out.Lines << ChannelLine(
                kind == TSectionKind::ChannelsIn ? "set ch_in " : "set ch_out ", l);
        break;
    }
    case TSectionKind::Mixers: {
        out.Counted = true;
        QByteArray l = line;
        l.replace('\t', ' ');
        if (l.contains("Type") || l.contains("MIXERS") || l.contains('=') || !l.contains(':'))
            break;
        const TRow r = CutRow(l, ' ', 4);
        if (!IsExportedMixer(r.Index))
            break;
        const QByteArray prefix = "set mix " + r.Index + " ";
        for (int c = 0; c < 4; ++c)
            out.Lines << prefix + QByteArray::number(c + 1) + " " + r.Fields[c];
        out.Lines << prefix + "5 " + r.Rest;
        break;
    }
    }
    return out;
}

namespace {
// The export run over any sink: lists every section and hands each line of
// the file (with its "\r\n") to `write`, which returns false when it failed.
TArchiveResult ExportToSink(TBoardLink& link, const TRunHooks& hooks,
                            const std::function<bool(const QByteArray&)>& write,
                            const std::function<bool(const TExportSection&)>& wanted = {}) {
    int total = 0;
    for (const TExportSection& section : ExportSections)
        total += !wanted || wanted(section);
    TProgress progress{1, 0, total};
    bool writeFailed = false;
    const auto put = [&](const QByteArray& bytes) {
        if (!writeFailed && !write(bytes))
            writeFailed = true;
        return !writeFailed;
    };
    TArchiveResult result;
    for (const TExportSection& section : ExportSections) {
        if (wanted && !wanted(section))
            continue;
        put(SectionBeginLine(section));
        TArchiveResult read = ResultOf(link.Request(
            RunRequest(section.Command, ListingSilenceMs, hooks, [&](const QByteArray& line) {
                const TSectionLine converted = ConvertSectionLine(section.Kind, line);
                if (converted.Counted) {
                    ++progress.Counter;
                    if (hooks.Progress)
                        hooks.Progress(progress);
                }
                for (const QByteArray& body : converted.Lines)
                    if (!put(body + "\r\n"))
                        return false;
                return true;
            })));
        if (read.Ok()) {
            put(SectionEndLine(section));
            if (writeFailed)
                read.Status = TArchiveStatus::FileWriteFailed;
        }
        if (!read.Ok()) {
            read.Lines = progress.Counter - 1;
            return read;
        }
        ++progress.Done;
        if (hooks.Progress)
            hooks.Progress(progress);
    }
    result.Lines = progress.Counter - 1;
    return result;
}
} // namespace

TArchiveResult ExportConfig(TBoardLink& link, const QString& fileName, const TRunHooks& hooks) {
    TArchiveResult result;
    TOutputFile file(fileName);
    if (!OpenOutputFile(file, fileName, hooks, result))
        return result;
    ShowFileOpen(hooks, 0);
    TArchiveResult r =
        ExportToSink(link, hooks, [&file](const QByteArray& bytes) { return file.Write(bytes); });
    FinishOutputFile(file, fileName, r);
    return r;
}

TArchiveResult ExportConfigLines(TBoardLink& link, QByteArrayList& lines, const TRunHooks& hooks,
                                 const std::function<bool(const TExportSection&)>& wanted) {
    lines.clear();
    return ExportToSink(
        link, hooks,
        [&lines](const QByteArray& bytes) {
            lines << bytes.chopped(2); // without its "\r\n"
            return true;
        },
        wanted);
}
