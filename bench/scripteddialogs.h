// SPDX-License-Identifier: MIT
#pragma once

#include "qtdialogs.h"

#include <QString>
#include <QStringList>

// The program's own dialogs, the busy pointer included, except that the folder
// browser answers with a fixed folder and message boxes are recorded instead of
// waiting for a person.
class ScriptedDialogs : public QtDialogs
{
public:
    explicit ScriptedDialogs(QString folder) : QtDialogs(nullptr), m_folder(std::move(folder)) {}

    Answer messageBox(const QString &text, const QString &, Buttons, Icon, Answer defaultButton,
                      const QString & = {}) override
    {
        m_texts.append(text);
        return defaultButton;
    }
    QString browseForFolder(const QString &) override { return m_folder; }

    // The texts of the message boxes shown so far, oldest first.
    [[nodiscard]] const QStringList &texts() const { return m_texts; }
    void forget() { m_texts.clear(); }

private:
    QString m_folder;
    QStringList m_texts;
};
