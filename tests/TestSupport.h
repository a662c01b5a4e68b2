#pragma once
// Helpers shared by the test suites.

#include "link/PortMessages.h"
#include "link/SafeListsUnit.h"

#include <QList>
#include <QObject>

// Receives the worker's posted messages and records them in order.
class TMessageRecorder : public QObject {
public:
    struct Entry {
        int Msg;
        int WParam;
    };
    QList<Entry> Entries;

    QList<int> Messages() const {
        QList<int> out;
        for (const Entry& e : Entries)
            out << e.Msg;
        return out;
    }
    int Count(int msg) const {
        int n = 0;
        for (const Entry& e : Entries)
            n += e.Msg == msg;
        return n;
    }

protected:
    bool event(QEvent* e) override {
        if (TPortMessage::Is(e)) {
            auto* m = static_cast<TPortMessage*>(e);
            Entries.append({m->Msg, m->WParam});
            return true;
        }
        return QObject::event(e);
    }
};

// A copy of a queue taken under its lock (the worker may be appending).
inline QByteArrayList Snapshot(TSafeStringList& list) {
    TListGuard g(list);
    return QByteArrayList(list);
}
