// SPDX-License-Identifier: MIT
#pragma once

#include "calltrace.h"
#include "dialogs.h"
#include "fakecommondialog.h"

#include <deque>
#include <functional>
#include <QStringList>
#include <vector>

// One message box as it was asked for.
struct MessageBoxCall
{
    QString text;
    QString caption;
    Dialogs::Buttons buttons;
    Dialogs::Icon icon;
    Dialogs::Answer defaultButton;
};

// Dialogs that record what was asked and answer as scripted, so commands run
// without a person. Message boxes take the next scripted answer, or their
// default button when none is left; the folder browser takes the next scripted
// folder, or "" (a cancel). Each call is also recorded in an optional trace as
// "MessageBox", "BrowseForFolder", "ShellOpen", "Pointer=Busy"/"Pointer=Default".
class FakeDialogs : public Dialogs
{
public:
    explicit FakeDialogs(CallTrace *trace = nullptr) : fileDialog(trace), m_trace(trace) {}

    // Scripted answers.
    std::deque<Answer> answers;
    std::deque<QString> folders;
    // Runs while a message box is "shown", before it answers: a test can act
    // in the middle of a command here, as a person could while a box is up.
    std::function<void(const MessageBoxCall &)> whileShown;

    // What was asked.
    std::vector<MessageBoxCall> messageBoxes;
    QStringList folderPrompts;
    QStringList openedTargets;
    std::vector<Pointer> pointers;
    FakeCommonDialog fileDialog;

    Answer messageBox(const QString &text, const QString &caption, Buttons buttons, Icon icon,
                      Answer defaultButton) override
    {
        traceCall(m_trace, QStringLiteral("MessageBox"));
        messageBoxes.push_back({text, caption, buttons, icon, defaultButton});
        if (whileShown)
            whileShown(messageBoxes.back());
        if (buttons == Buttons::OK)
            return Answer::OK;
        if (answers.empty())
            return defaultButton;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QString browseForFolder(const QString &prompt) override
    {
        traceCall(m_trace, QStringLiteral("BrowseForFolder"));
        folderPrompts.append(prompt);
        if (folders.empty())
            return {};
        const QString folder = folders.front();
        folders.pop_front();
        return folder;
    }

    CommonDialogControl &openFileDialog() override { return fileDialog; }

    void shellOpen(const QString &target) override
    {
        traceCall(m_trace, QStringLiteral("ShellOpen"));
        openedTargets.append(target);
    }

    void setMousePointer(Pointer pointer) override
    {
        traceCall(m_trace, pointer == Pointer::Busy ? QStringLiteral("Pointer=Busy")
                                                    : QStringLiteral("Pointer=Default"));
        pointers.push_back(pointer);
    }

private:
    CallTrace *m_trace;
};
