#pragma once

#include "app/Prompts.h"

#include <QStringList>

// Prompts for a program run without an operator (benchmarks): every question is cancelled and
// every message is kept.
struct QuietPrompts : Prompts
{
    QString askPassword() override { return QString(); }
    void showMessage(const QString& text) override { messages << text; }
    QString chooseSaveFile(const QString&, const QString&) override { return QString(); }
    QString chooseOpenFile(const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    QString askText(const QString&, const QString&, const QString&) override { return QString(); }
    bool confirmImport(const QList<ConstantDifference>&) override { return false; }

    QStringList messages;
};
