// SPDX-License-Identifier: MIT
#pragma once

#include "commondialogcontrol.h"

#include <QString>
#include <QStringList>

class QWidget;

// The window's open-file dialog (cdlgFile): a modal QFileDialog driven through
// the CommonDialogControl properties. Flags choose the mode: with
// cdlOFNAllowMultiselect several existing files may be picked; otherwise one
// file, which must exist only with cdlOFNFileMustExist. The first dialog opens
// in the home folder, later ones where the previous pick was made; nothing is
// kept after the program ends.
class CommonDialog : public CommonDialogControl
{
public:
    static constexpr int kDefaultMaxFileSize = 260;

    // owner: the window the dialog is modal to (may be null).
    explicit CommonDialog(QWidget *owner = nullptr);
    ~CommonDialog() override;

    QString FileName() const override { return m_fileName; }
    void setFileName(const QString &fileName) override { m_fileName = fileName; }
    QString Filter() const override { return m_filter; }
    void setFilter(const QString &filter) override { m_filter = filter; }
    int Flags() const override { return m_flags; }
    void setFlags(int flags) override { m_flags = flags; }
    int MaxFileSize() const override { return m_maxFileSize; }
    void setMaxFileSize(int maxFileSize) override { m_maxFileSize = maxFileSize; }

    // See CommonDialogControl::ShowOpen.
    void ShowOpen() override;

    // The classic selection text for absolute paths picked together: "" for
    // none, the path itself for one; for several, their deepest common folder
    // followed by each path relative to it, all separated by NUL. Files of one
    // folder thus give folder NUL name NUL name, and files in "/" give
    // "/" NUL name NUL name.
    [[nodiscard]] static QString classicSelection(const QStringList &paths);

    // QFileDialog name filters for a Filter text of description|patterns pairs:
    // "Mail Messages (*.eml,*.emlx)|*.eml;*.emlx" gives
    // "Mail Messages (*.eml,*.emlx) (*.eml *.emlx)". A description without
    // patterns is dropped.
    [[nodiscard]] static QStringList nameFilters(const QString &filter);

protected:
    // Shows the dialog and returns the absolute paths chosen, in the dialog's
    // order; empty on cancel. Tests replace it to script a pick.
    virtual QStringList pickFiles();

private:
    QWidget *m_owner;
    QString m_fileName;
    QString m_filter;
    int m_flags = 0;
    int m_maxFileSize = kDefaultMaxFileSize;
    QString m_lastFolder;
};
