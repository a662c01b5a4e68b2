#include "parameters/AllParams.h"

#include "archive/ConfigCompare.h"
#include "archive/ConfigLoad.h"
#include "link/Proc.h"

#include <QFile>

QList<const TExportSection*> ParamSections() {
    QList<const TExportSection*> out;
    for (const TExportSection& s : ExportSections)
        if (s.Kind == TSectionKind::Params || s.Kind == TSectionKind::OsdParams)
            out << &s;
    return out;
}

TArchiveResult ReadParamGroups(TBoardLink& link, const QList<const TExportSection*>& sections,
                               QList<TParamRow>& rows, const TRunHooks& hooks) {
    TProgress progress{0, 0, static_cast<int>(sections.size())};
    if (hooks.Progress)
        hooks.Progress(progress);
    for (const TExportSection* section : sections) {
        QList<TParamRow> group;
        QHash<QByteArray, int> at;
        const TArchiveResult r = ResultOf(link.Request(
            RunRequest(section->Command, ListingSilenceMs, hooks, [&](const QByteArray& line) {
                QByteArray name, value;
                if (!SplitParamLine(line, name, value))
                    return true;
                const auto known = at.constFind(name);
                if (known != at.constEnd()) {
                    group[*known].Value = value;
                    return true;
                }
                at.insert(name, static_cast<int>(group.size()));
                group << TParamRow{section, name, value};
                ++progress.Counter;
                if (hooks.Progress)
                    hooks.Progress(progress);
                return true;
            })));
        if (!r.Ok()) {
            TArchiveResult failed = r;
            failed.Lines = static_cast<int>(rows.size());
            return failed;
        }
        rows << group;
        ++progress.Done;
        if (hooks.Progress)
            hooks.Progress(progress);
    }
    TArchiveResult done;
    done.Lines = static_cast<int>(rows.size());
    return done;
}

QByteArray ParamKey(const TExportSection* section, const QByteArray& name) {
    return QByteArray(section->Name) + '\n' + LowerAscii(name);
}

namespace {
// The export section a load section's keyword names.
const TExportSection* SectionOfLoad(int loadSection) {
    if (loadSection < 0)
        return nullptr;
    const QByteArray name = Trim(QByteArray(LoadSections[loadSection].Keyword));
    for (const TExportSection* s : ParamSections())
        if (name == s->Name)
            return s;
    return nullptr;
}
} // namespace

bool ReadParamFile(const QString& fileName, QHash<QByteArray, QByteArray>& values,
                   TArchiveResult& result) {
    values.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        result.Status = TArchiveStatus::FileReadFailed;
        result.Detail = fileName + ": " + file.errorString();
        return false;
    }
    TLoadTracker tracker;
    for (const QByteArray& raw : SplitFileLines(file.readAll())) {
        const TLoadTracker::TStep step = tracker.Feed(raw);
        const TExportSection* section = SectionOfLoad(step.Section);
        if (step.Kind != TLoadTracker::TKind::Body || !section)
            continue;
        const QByteArrayList key = SettingKey(step.Line).split(' ');
        if (key.size() == 2) // "set name"
            values.insert(ParamKey(section, key[1]), SettingValue(step.Line));
    }
    return true;
}

QByteArray ParamSendValue(const TExportSection* section, const QByteArray& value) {
    QByteArray v = Trim(value);
    v.replace(',', section->Kind == TSectionKind::OsdParams ? ' ' : '.');
    return v;
}

QByteArray ParamSetLine(const TExportSection* section, const QByteArray& name,
                        const QByteArray& value) {
    return "set " + name + " " + ParamSendValue(section, value) + "\r\n";
}

bool SameParamValue(const TExportSection* section, const QByteArray& a, const QByteArray& b) {
    return SameSettingValue(ParamSendValue(section, a), ParamSendValue(section, b));
}
