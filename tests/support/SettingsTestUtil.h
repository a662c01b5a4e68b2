#pragma once
// Helpers of the settings-window suites.

#include <QByteArrayList>
#include <QWidget>
#include <initializer_list>

// Command lines as the link queues them ("\r\n" added).
inline QByteArrayList Lines(std::initializer_list<const char*> list) {
    QByteArrayList out;
    for (const char* s : list)
        out << QByteArray(s) + "\r\n";
    return out;
}

// A window's control by name; a missing one is named in the log.
template <class T> T* Ctl(QWidget* w, const QByteArray& name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qWarning("no control %s", name.constData());
    return c;
}
