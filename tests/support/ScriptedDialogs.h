#pragma once
// A dialog facade for tests: records every message and question, answers
// questions and file dialogs from queues the test fills, and counts any
// dialog the test did not expect. Installs itself while it lives.

#include "ui/Dialogs.h"

#include <QList>
#include <QStringList>

class TScriptedDialogs : public TDialogs {
public:
    TScriptedDialogs() { SetDialogs(this); }
    ~TScriptedDialogs() override { SetDialogs(nullptr); }

    QStringList Messages; // plain message boxes
    QStringList Errors;   // error boxes
    QStringList Questions;
    QList<int> Answers;     // answers to Ask, in order
    QStringList OpenNames;  // answers to OpenFileName ("" = cancel)
    QStringList SaveNames;  // answers to SaveFileName ("" = cancel)
    QStringList Unexpected; // dialogs with no scripted answer

    void Message(const QString& text) override { Messages << text; }
    void Error(const QString& text) override { Errors << text; }
    int Ask(const QString& text, const QStringList&) override {
        Questions << text;
        if (Answers.isEmpty()) {
            Unexpected << "question: " + text;
            return -1;
        }
        return Answers.takeFirst();
    }
    QString OpenFileName(const QString& title, const QString&) override {
        if (OpenNames.isEmpty()) {
            Unexpected << "open file: " + title;
            return QString();
        }
        return OpenNames.takeFirst();
    }
    QString SaveFileName(const QString& title, const QString&, const QString&) override {
        if (SaveNames.isEmpty()) {
            Unexpected << "save file: " + title;
            return QString();
        }
        return SaveNames.takeFirst();
    }
};
