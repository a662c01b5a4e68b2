#pragma once
// The application object: shows conversion and file errors thrown by any
// handler in the framework's error box, once, instead of letting them
// unwind through Qt.

#include <QApplication>

class TPanelApplication : public QApplication {
public:
    TPanelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
