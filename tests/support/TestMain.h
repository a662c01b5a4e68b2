#pragma once
// Test main for widget suites: the panel's own application object (so that
// conversion errors reach the dialog facade as in the program), settings and
// files in Qt's test locations.

#include "FreshJournal.h"
#include "ui/PanelApplication.h"

#include <QStandardPaths>
#include <QTest>

#define VANTOR_TEST_MAIN(TestObject)                                                               \
    int main(int argc, char** argv) {                                                              \
        QStandardPaths::setTestModeEnabled(true);                                                  \
        TPanelApplication app(argc, argv);                                                         \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
