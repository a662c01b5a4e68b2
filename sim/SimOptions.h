#pragma once
// Settings of the simulated board: behaviour knobs and the faults it can be
// told to show. Everything random is drawn from generators seeded by Seed, so
// a run is reproducible.

#include <QByteArray>
#include <QMap>
#include <QString>

// Misbehaviour on demand. A "command" trigger matches an executed command
// line that starts with the given text (after trimming); "*" matches every
// command, empty none.
// A time trigger is board time in ms since start; -1 means never.
struct TFaults {
    // Every command's answer starts this much later (typed echo is immediate).
    int LatencyMs = 0;

    // The transmitter falls silent (commands still act, their answers are
    // lost) after the matching command has answered, or once this many bytes
    // have gone out. It speaks again after SilenceMs; 0 keeps it silent.
    QByteArray SilenceAfterCommand;
    qint64 SilenceAfterBytes = -1;
    int SilenceMs = 0;

    // Share of outgoing bytes lost, and of bytes replaced by random ones.
    double DropRate = 0;
    double GarbleRate = 0;

    // An endless stream of printable bytes without any line end, after the
    // matching command or from the given time; FloodMs 0 floods for ever.
    QByteArray FloodAfterCommand;
    qint64 FloodAtMs = -1;
    int FloodMs = 0;

    // The cable is pulled: the pty closes (a new one replaces it behind the
    // --link path) or the in-memory wire hangs up.
    QByteArray HangUpAfterCommand;
    qint64 HangUpAtMs = -1;

    // The board restarts: silence for RebootMs (input is ignored), then a
    // greeting and the prompt, with streams off, echo on and the settings
    // last saved.
    QByteArray RebootAfterCommand;
    qint64 RebootAtMs = -1;
    int RebootMs = 1500;
    // ... or once this many bytes have gone out (in the middle of an answer).
    qint64 RebootAfterBytes = -1;

    // Choices the board's written interface leaves open, each as another
    // board may make it. Bytes waiting in the line when a port is opened (a
    // board booting, an adapter's glitch).
    QByteArray NoiseAtOpen;
    // "save config" / "save controls" give their prompt this much later (a
    // flash erase takes seconds).
    int SaveDelayMs = 0;
    // After answering the matching command the board gives a second prompt,
    // as if a stray line end had reached it.
    QByteArray ExtraPromptAfterCommand;
};

struct TSimOptions {
    quint32 Seed = 1;
    // Telemetry period per stream name in ms; missing streams get their
    // default period (see TTelemetry::DefaultPeriodMs).
    QMap<QByteArray, int> StreamPeriodMs;
    // File that "save config" / "save controls" write and start-up reads;
    // empty: nothing persists.
    QString StatePath;
    // Approximate size of each flight that "log dump N" prints.
    qint64 LogDumpBytes = 32 * 1024;
    // Flights the board holds, as "log dir" reports them.
    int FlightIdMin = 1;
    int FlightIdMax = 12;
    // "cal gyro" keeps the board busy this long before it lists the result.
    int CalGyroMs = 2500;
    // Interval of the extremes lines during "cal mag".
    int CalMagPeriodMs = 500;
    // A telemetry line that follows the prompt comes straight after it, with
    // no line end between them ("=>$ADC:..."), as some boards send it.
    bool PromptThenTelemetry = false;
    // A prompt that follows a prompt comes straight after it, with no line
    // end between them ("=>=>"), as the bare prompt of the interface allows.
    bool BarePrompts = false;
    TFaults Faults;
};
