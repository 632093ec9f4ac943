// SPDX-License-Identifier: MIT
#pragma once

#include "commondialog.h"
#include "dialogs.h"

class QWidget;

// The program's Dialogs: QMessageBox, the folder browser, a CommonDialog, the
// desktop's "open" action and the application-wide override cursor, all modal
// to one owner window.
class QtDialogs : public Dialogs
{
public:
    // owner: the window the dialogs belong to; it must outlive this object.
    explicit QtDialogs(QWidget *owner);
    ~QtDialogs() override;

    Answer messageBox(const QString &text, const QString &caption, Buttons buttons, Icon icon,
                      Answer defaultButton, const QString &details = {}) override;
    QString browseForFolder(const QString &prompt) override;
    CommonDialogControl &openFileDialog() override;
    // registry::ShellOpen, watched by the owner window.
    void shellOpen(const QString &target, std::function<void()> whenNotOpened) override;
    // Busy shows the wait cursor over the whole application until Default;
    // setting the same pointer twice changes nothing.
    void setMousePointer(Pointer pointer) override;

private:
    QWidget *m_owner;
    CommonDialog m_fileDialog;
    bool m_busy = false;
};
