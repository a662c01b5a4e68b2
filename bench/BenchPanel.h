#pragma once
// The panel's figures: the real main window, connected over the system's
// serial port to vantor-board-sim on a pty, opening the settings windows,
// exporting and loading the configuration, dumping a flight log, idling and
// streaming, what the change journal costs them and its window on a large
// journal, with its CPU time and memory measured in this process.

#include "bench/BenchSupport.h"

#include <QList>
#include <QStringList>
#include <functional>

struct TPanelBenchOptions {
    QString SimProgram;
    int IdleSeconds = 20;
    QString LogSize = "1M";
    int StreamSeconds = 20;
    // Memory: the whole soak, and the point taken as its reference.
    int SoakSeconds = 600;
    int SoakReferenceSeconds = 60;
    // Configuration load: every section, or only the first few (quick runs).
    int LoadSections = 11;
    int Repeats = 3; // openings of each settings window (the median counts)
    // Only these parts (windows, export, dump, load, idle, stream, attitude,
    // journal, soak) and only these monitors (action names), for finding a
    // cost; empty: all.
    QStringList Parts;
    QStringList Monitors;
};

// Runs every panel figure, handing each row to `emitRow` as its part ends
// (so a run that is stopped still leaves what it measured); false with
// `error` when the rig could not be set up. Each part runs under a watchdog:
// one that has not finished within a generous bound of its expected time is
// stopped, gets a row saying what it was waiting for, and the run goes on.
bool RunPanelBench(const TPanelBenchOptions& options,
                   const std::function<void(const TBenchRow&)>& emitRow, QString& error);
