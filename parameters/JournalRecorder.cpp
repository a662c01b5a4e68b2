#include "parameters/JournalRecorder.h"

#include "link/Proc.h"
#include "parameters/AllParams.h"

namespace {
TJournalRecorder* g_current = nullptr;
// Lines sent and not yet answered: a load pipelines a few at most.
constexpr int MaxPending = 1000;

const TExportSection* SectionByName(const QByteArray& name) {
    for (const TExportSection& s : ExportSections)
        if (name == s.Name)
            return &s;
    return nullptr;
}

const TExportSection* SectionOfListing(const QByteArray& command) {
    const QByteArray c = LowerAscii(command).simplified();
    for (const TExportSection& s : ExportSections)
        if (c == QByteArray(s.Command).trimmed())
            return &s;
    return nullptr;
}

// The group that lists a row kind's rows.
QByteArray RowGroup(const QByteArray& kind) {
    if (kind == "ch_in")
        return "CONTROL IN";
    if (kind == "ch_out")
        return "CONTROL OUT";
    if (kind == "mix")
        return "CONTROL MIXERS";
    return "WP";
}

bool SameValue(const QByteArray& group, const QByteArray& a, const QByteArray& b) {
    const TExportSection* section = SectionByName(group);
    return section ? SameParamValue(section, a, b) : SameSettingValue(a, b);
}

QString RefusalDetail(const QByteArray& refusal) {
    return QStringLiteral("Ответ платы: ") + QString::fromLatin1(refusal);
}
} // namespace

TJournalRecorder::TJournalRecorder(TBoardLink& link, TJournal& journal, QObject* parent)
    : QObject(parent), m_link(link), m_journal(journal) {
    if (!g_current)
        g_current = this;
    connect(&link, &TBoardLink::CommandSent, this, &TJournalRecorder::Sent);
    connect(&link, &TBoardLink::CommandAnswered, this, &TJournalRecorder::Answered);
    connect(&link, &TBoardLink::CommandUnconfirmed, this, &TJournalRecorder::Unconfirmed);
    connect(&link, &TBoardLink::AnswerLine, this, &TJournalRecorder::Listed);
    connect(&link, &TBoardLink::BoardRestarted, this, &TJournalRecorder::Restarted);
}

TJournalRecorder::~TJournalRecorder() {
    if (g_current == this)
        g_current = nullptr;
}

TJournalRecorder* TJournalRecorder::Current() {
    return g_current;
}

void TJournalRecorder::SetBoard(const QString& board) {
    m_board = board;
    m_known = m_journal.Known(board);
    m_holds = m_known;
    m_groupOf.clear();
    for (auto it = m_known.cbegin(); it != m_known.cend(); ++it) {
        const qsizetype cut = it.key().indexOf('\n');
        m_groupOf.insert(it.key().mid(cut + 1), it.key().left(cut));
    }
    m_seen.clear();
    m_pending.clear();
    m_unverified.clear();
    m_resetGroups.clear();
    m_afterRestart = false;
    m_restartOwed = false;
    m_outsideCount = 0;
}

QString TJournalRecorder::BoardName() const {
    return m_board.isEmpty() ? QStringLiteral("(плата не названа)") : m_board;
}

qint64 TJournalRecorder::AddEvent(const char* kind, const QString& origin, const QString& detail,
                                  const char* outcome) {
    TJournalRow row;
    row.Board = BoardName();
    row.Kind = QString::fromLatin1(kind);
    row.Origin = origin;
    row.Detail = detail;
    row.Outcome = QString::fromLatin1(outcome);
    return m_journal.Add(row);
}

qint64 TJournalRecorder::NoteLoad(const QString& file) {
    return AddEvent(JournalKind::Load, TJournalOrigin::Current(), file, JournalOutcome::Done);
}

void TJournalRecorder::NoteBackup(const QString& file, const QString& what) {
    AddEvent(JournalKind::Backup, QStringLiteral("Автоматическая копия перед ") + what, file,
             JournalOutcome::Done);
}

void TJournalRecorder::Sent(const QByteArray& line) {
    const QByteArrayList typed = line.simplified().split(' ');
    const QByteArray verb = LowerAscii(typed[0]);
    TPending p;
    p.Command = line.trimmed();
    p.Origin = TJournalOrigin::Current();
    if (verb == "set" && typed.size() >= 3) {
        const QByteArrayList words = LowerAscii(line).simplified().split(' ');
        if (IsRowKind(words[1])) {
            p.Name = SetRowKey(words).first;
            p.Sent = SetRowKey(typed).second;
            p.Group = RowGroup(words[1]);
        } else {
            p.Name = words[1];
            p.Sent = typed.mid(2).join(' ');
            p.Group = m_groupOf.value(p.Name);
        }
        p.Kind = JournalKind::Change;
        p.Before = m_holds.value(JournalKey(p.Group, p.Name));
    } else if (verb == "reset" || verb == "save") {
        p.Kind = verb == "save" ? JournalKind::Save : JournalKind::Reset;
        p.Name = LowerAscii(typed.mid(1).join(' '));
    } else {
        return;
    }
    // Every line sent is answered or reported unconfirmed; a bound all the
    // same, so that no lost report makes the list grow for ever.
    if (m_pending.size() >= MaxPending)
        m_pending.removeFirst();
    m_pending << p;
}

bool TJournalRecorder::TakePending(const QByteArray& command, TPending& p) {
    const QByteArray c = command.trimmed();
    for (int i = 0; i < m_pending.size(); ++i)
        if (m_pending[i].Command == c) {
            p = m_pending.takeAt(i);
            return true;
        }
    return false;
}

qint64 TJournalRecorder::AddRow(const TPending& p, const char* outcome, const QByteArray& after,
                                const QString& detail) {
    TJournalRow row;
    row.Board = BoardName();
    row.Kind = QString::fromLatin1(p.Kind);
    row.Origin = p.Origin;
    row.Group = p.Group;
    row.Name = p.Name;
    row.Before = p.Before;
    row.Sent = p.Sent;
    row.After = after;
    row.Outcome = QString::fromLatin1(outcome);
    row.Detail = detail;
    return m_journal.Add(row);
}

void TJournalRecorder::NowHolds(const QByteArray& group, const QByteArray& name,
                                const QByteArray& value) {
    const QByteArray key = JournalKey(group, name);
    m_seen.insert(key);
    m_holds.insert(key, value);
    // A name not yet listed has no group: its listing will say.
    if (!group.isEmpty() && (!m_known.contains(key) || m_known.value(key) != value)) {
        m_known.insert(key, value);
        m_journal.SetKnown(BoardName(), group, name, value);
    }
}

void TJournalRecorder::Answered(const QByteArray& command, const QByteArray& refusal) {
    m_restartOwed = false;
    TPending p;
    if (!TakePending(command, p))
        return;
    if (!refusal.isEmpty()) {
        AddRow(p, JournalOutcome::Refused, {}, RefusalDetail(refusal));
        return;
    }
    if (p.Kind == JournalKind::Change) {
        const qint64 handle = AddRow(p, JournalOutcome::Taken, p.Sent);
        NowHolds(p.Group, p.Name, p.Sent);
        m_unverified.insert(JournalKey(p.Group, p.Name), {handle, p.Sent});
        return;
    }
    AddRow(p, JournalOutcome::Done, {});
    if (p.Kind == JournalKind::Save) {
        m_journal.MarkSaved(BoardName());
        return;
    }
    // A reset group holds the board's defaults now: its next listing tells
    // which, and they are journaled as the reset's doing.
    const QByteArray listing = "cat " + p.Name;
    for (const TExportSection& s : ExportSections)
        if (QByteArray(s.Command).trimmed().startsWith(listing)) {
            m_resetGroups.insert(s.Name);
            for (auto it = m_seen.begin(); it != m_seen.end();)
                it = it->startsWith(QByteArray(s.Name) + '\n') ? m_seen.erase(it) : ++it;
            for (auto it = m_unverified.begin(); it != m_unverified.end();)
                it = it.key().startsWith(QByteArray(s.Name) + '\n') ? m_unverified.erase(it) : ++it;
        }
}

void TJournalRecorder::Unconfirmed(const QByteArray& command) {
    TPending p;
    if (!TakePending(command, p))
        return;
    if (m_restartOwed) {
        AddRow(p, JournalOutcome::Lost, {},
               QStringLiteral("Плата перезапустилась, не ответив на команду"));
        return;
    }
    const qint64 handle =
        AddRow(p, JournalOutcome::Unconfirmed, {}, QStringLiteral("Подтверждение платы не пришло"));
    // A later listing tells whether the board took it.
    if (p.Kind == JournalKind::Change) {
        const QByteArray key = JournalKey(p.Group, p.Name);
        m_seen.insert(key);
        m_unverified.insert(key, {handle, p.Sent});
    }
}

void TJournalRecorder::Listed(const QByteArray& command, const QByteArray& line) {
    const TExportSection* section = SectionOfListing(command);
    if (!section)
        return;
    const QByteArray group = section->Name;
    if (section->Kind == TSectionKind::Params || section->Kind == TSectionKind::OsdParams) {
        QByteArray name, value;
        if (SplitParamLine(line, name, value) && !name.contains(' '))
            Compare(group, name, LowerAscii(Trim(value)));
        return;
    }
    for (const auto& row : ListedRow(LowerAscii(command).simplified(), line))
        Compare(group, row.first, row.second);
}

void TJournalRecorder::Compare(const QByteArray& group, const QByteArray& name,
                               const QByteArray& listed) {
    m_groupOf.insert(name, group);
    const QByteArray key = JournalKey(group, name);
    // A name sent before any listing showed it waits under no group.
    auto it = m_unverified.find(key);
    if (it == m_unverified.end())
        it = m_unverified.find(JournalKey({}, name));
    if (it != m_unverified.end()) {
        const bool same = SameValue(group, listed, it->Sent);
        m_journal.SetOutcome(
            it->Handle, same ? JournalOutcome::Verified : JournalOutcome::Differs, listed,
            same ? QString() : QStringLiteral("Плата держит: ") + QString::fromLatin1(listed),
            group);
        m_unverified.erase(it);
    } else if (!m_seen.contains(key) && m_known.contains(key) &&
               !SameValue(group, listed, m_known.value(key))) {
        // Changed since the journal last knew it.
        TPending p;
        p.Kind = JournalKind::Outside;
        p.Group = group;
        p.Name = name;
        p.Before = m_known.value(key);
        const bool reset = m_resetGroups.contains(group);
        p.Origin = reset            ? QStringLiteral("После сброса")
                   : m_afterRestart ? QStringLiteral("После перезапуска платы")
                                    : QStringLiteral("Изменено вне панели");
        AddRow(p, JournalOutcome::Done, listed);
        if (!reset && !m_afterRestart && ++m_outsideCount == 1)
            emit OutsideChanges(m_outsideCount);
    }
    NowHolds(group, name, listed);
}

void TJournalRecorder::Restarted() {
    // What the board held unsaved is gone: it came back with its flash. The
    // listings after this tell what it holds, compared with what was sent.
    m_journal.MarkLost(BoardName());
    m_restartOwed = true;
    m_afterRestart = true;
    m_seen.clear();
    m_unverified.clear();
}

QString AskBoardIdentity(TBoardLink& link, const QString& port, TWaitMode mode) {
    QByteArrayList lines;
    TRequest r;
    r.Commands = {"ver\r\n"};
    r.Mode = mode;
    r.OnLine = [&lines](const QByteArray& line) {
        lines << line;
        return true;
    };
    const TAnswer a = link.Request(r);
    return BoardIdentity(a.Ok() ? lines : QByteArrayList(), port);
}

QString BoardIdentity(const QByteArrayList& ver, const QString& port) {
    return (ver.isEmpty() ? QStringLiteral("(плата не ответила на ver)")
                          : QString::fromLatin1(ver.join("; "))) +
           QStringLiteral(" @ ") + port;
}
