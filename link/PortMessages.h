#pragma once
// The worker's messages to the main window, posted as events. The numbers
// are the link's message numbers; the event type is QEvent::User + number.

#include <QEvent>

constexpr int WM_USER = 1024;
constexpr int WM_PORT_LINE = WM_USER + 1;
constexpr int WM_PORT_ERROR = WM_USER + 2;
constexpr int WM_PORT_CLOSED = WM_USER + 3;
constexpr int WM_PORT_OPENED = WM_USER + 4;
constexpr int WM_PORT_LOG = WM_USER + 6;
constexpr int WM_AUTO_CONNECT = WM_USER + 10;

class TPortMessage : public QEvent {
public:
    TPortMessage(int msg, int wParam = 0) : QEvent(TypeOf(msg)), Msg(msg), WParam(wParam) {}
    static QEvent::Type TypeOf(int msg) { return static_cast<QEvent::Type>(QEvent::User + msg); }
    static bool Is(const QEvent* e) {
        return e->type() > QEvent::User + WM_USER && e->type() <= QEvent::User + WM_USER + 100;
    }
    const int Msg;
    const int WParam;
};
