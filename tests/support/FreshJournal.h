#pragma once
// Every test process keeps its change journal in a folder of its own, removed
// at exit (the command-line tools it starts share it): runs never see each
// other's rows, nor those of a run before.

#include <QTemporaryDir>

inline QTemporaryDir* const TestJournalDir = [] {
    static QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("VANTOR_JOURNAL"))
        qputenv("VANTOR_JOURNAL", dir.filePath("journal.sqlite").toLocal8Bit());
    return &dir;
}();
