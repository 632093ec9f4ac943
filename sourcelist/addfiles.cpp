// SPDX-License-Identifier: MIT
#include "addfiles.h"

#include "applicationtitle.h"
#include "commanderror.h"

#include <exception>
#include <QStringList>

namespace sourcelist {

namespace {

constexpr QChar kNul(u'\0');

void pickAndAdd(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess)
{
    // The list is emptied before the dialog shows, so a cancel also leaves it empty.
    list.ClearFileList();

    CommonDialogControl &dialog = dialogs.openFileDialog();
    dialog.setFileName(QString());
    // Mailboxes have no name of their own (Thunderbird's "Inbox", mutt's
    // "mbox"), so their entry lists every file; the run judges a pick by its
    // content.
    dialog.setFilter(QStringLiteral("Mail Messages (*.eml,*.emlx)|*.eml;*.emlx|Mailboxes|*"));
    dialog.setFlags(CommonDialogControl::cdlOFNExplorer |
                    CommonDialogControl::cdlOFNAllowMultiselect);
    dialog.setMaxFileSize(kSelectionLimit);
    dialog.ShowOpen();

    QString selection = dialog.FileName();
    if (selection.isEmpty())
        return;
    if (!selection.endsWith(kNul))
        selection += kNul;

    cmdProcess.setEnabled(true);

    const QStringList pieces = selection.split(kNul);
    const qsizetype last = pieces.size() - 1; // the empty text after the final NUL
    // Several files come as folder, names; the separator is always added, so a
    // pick in "/" gives "//a.eml", which the file system reads as "/a.eml".
    const QString folderPrefix = last <= 1 ? QString() : pieces.first() + u'/';
    for (qsizetype i = 0; i < last; ++i) {
        list.yield();
        if (!folderPrefix.isEmpty() && i == 0)
            continue;
        list.AddFileToList(folderPrefix + pieces.at(i));
        list.yield();
    }
}

void reportError(Dialogs &dialogs, const QString &text)
{
    dialogs.messageBox(text, applicationTitle(), Dialogs::Buttons::OK, Dialogs::Icon::Exclamation,
                       Dialogs::Answer::OK);
}

} // namespace

void addFiles(FileList &list, Dialogs &dialogs, ButtonControl &cmdProcess)
{
    try {
        pickAndAdd(list, dialogs, cmdProcess);
    } catch (const std::exception &error) {
        const auto *raised = dynamic_cast<const CommandError *>(&error);
        reportError(dialogs,
                    raised && raised->number() == CommandError::kBufferTooSmall
                        ? QStringLiteral("Please select only %1 files at a time").arg(kFilesPerPick)
                        : CommandError::textOf(error));
    }
}

} // namespace sourcelist
