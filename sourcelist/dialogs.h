// SPDX-License-Identifier: MIT
#pragma once

#include "commondialogcontrol.h"

#include <functional>
#include <QString>

// Everything of the window that asks the user something or reaches outside the
// program: message boxes, the folder browser, the open-file dialog, the desktop's
// "open" action and the mouse pointer. The window receives one at construction;
// the program passes the Qt implementation, tests a scripted one, so every
// command can run without a person at the screen.
class Dialogs
{
public:
    enum class Buttons
    {
        OK,
        YesNo
    };
    enum class Icon
    {
        None,
        Information,
        Question,
        Exclamation
    };
    enum class Answer
    {
        OK,
        Yes,
        No
    };
    enum class Pointer
    {
        Default,
        Busy
    };

    virtual ~Dialogs() = default;

    // Shows a modal message box and returns the button the user chose. With
    // Buttons::OK the answer is always Answer::OK; with Buttons::YesNo it is
    // Yes or No (closing the box counts as No). defaultButton is the button
    // that Enter chooses. details, when not "", is a list (one item a line)
    // that the box offers in an expandable, scrollable area, closed at first:
    // text stays short, and however long the list, the box fits the screen.
    // The box is at least as wide as its caption needs.
    virtual Answer messageBox(const QString &text, const QString &caption, Buttons buttons,
                              Icon icon, Answer defaultButton, const QString &details = {}) = 0;

    // Asks for a folder under the given prompt. Returns its absolute path without
    // a trailing "/" ("/" itself for the root), or "" on cancel or failure.
    virtual QString browseForFolder(const QString &prompt) = 0;

    // The window's open-file dialog (cdlgFile). It keeps its settings between
    // uses, as a control would.
    virtual CommonDialogControl &openFileDialog() = 0;

    // Hands a local path or a web address to the desktop's "open" action without
    // waiting for it. Does nothing for "". When the desktop turns out not to be
    // able to open it (no opener, or the opener fails), whenNotOpened runs
    // later, from the event loop; when it opened, never.
    virtual void shellOpen(const QString &target, std::function<void()> whenNotOpened) = 0;

    // Sets the pointer shown over the whole application.
    virtual void setMousePointer(Pointer pointer) = 0;
};
