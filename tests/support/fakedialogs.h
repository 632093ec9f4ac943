// SPDX-License-Identifier: MIT
#pragma once

#include "calltrace.h"
#include "dialogs.h"
#include "fakecommondialog.h"

#include <deque>
#include <functional>
#include <QStringList>
#include <QTimer>
#include <vector>

// One message box as it was asked for.
struct MessageBoxCall
{
    QString text;
    QString caption;
    Dialogs::Buttons buttons;
    Dialogs::Icon icon;
    Dialogs::Answer defaultButton;
    QString details;
};

// Dialogs that record what was asked and answer as scripted, so commands run
// without a person. Message boxes take the next scripted answer, or their
// default button when none is left; the folder browser takes the next scripted
// folder, or "" (a cancel); shellOpen reports a failure when openFails is set. Each call is also
// recorded in an optional trace as "MessageBox", "BrowseForFolder", "ShellOpen",
// "Pointer=Busy"/"Pointer=Default".
class FakeDialogs : public Dialogs
{
public:
    explicit FakeDialogs(CallTrace *trace = nullptr) : fileDialog(trace), m_trace(trace) {}

    // Scripted answers.
    std::deque<Answer> answers;
    // Whether the desktop fails to open what shellOpen is given.
    bool openFails = false;
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
                      Answer defaultButton, const QString &details = {}) override
    {
        traceCall(m_trace, QStringLiteral("MessageBox"));
        messageBoxes.push_back({text, caption, buttons, icon, defaultButton, details});
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

    void shellOpen(const QString &target, std::function<void()> whenNotOpened) override
    {
        traceCall(m_trace, QStringLiteral("ShellOpen"));
        openedTargets.append(target);
        // Later, from the event loop, as the desktop's answer comes.
        if (openFails && whenNotOpened)
            QTimer::singleShot(0, std::move(whenNotOpened));
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
