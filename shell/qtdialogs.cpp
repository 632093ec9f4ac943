// SPDX-License-Identifier: MIT
#include "qtdialogs.h"

#include "browseforfolder.h"
#include "shellopen.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon messageIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::Exclamation:
        return QMessageBox::Warning;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtDialogs::QtDialogs(QWidget *owner) : m_owner(owner), m_fileDialog(owner) {}

QtDialogs::~QtDialogs()
{
    if (m_busy)
        QApplication::restoreOverrideCursor();
}

Dialogs::Answer QtDialogs::messageBox(const QString &text, const QString &caption, Buttons buttons,
                                      Icon icon, Answer defaultButton)
{
    QMessageBox box(m_owner);
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    // The program's texts break lines with CR LF; Qt's labels want LF alone.
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setIcon(messageIcon(icon));
    if (buttons == Buttons::OK) {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        return Answer::OK;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultButton == Answer::No ? QMessageBox::No : QMessageBox::Yes);
    // Escape and the close button answer No: the question has no third outcome.
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes) ? Answer::Yes : Answer::No;
}

QString QtDialogs::browseForFolder(const QString &prompt)
{
    return registry::BrowseForFolder(m_owner, prompt);
}

CommonDialogControl &QtDialogs::openFileDialog()
{
    return m_fileDialog;
}

void QtDialogs::shellOpen(const QString &target)
{
    registry::ShellOpen(target);
}

void QtDialogs::setMousePointer(Pointer pointer)
{
    const bool busy = pointer == Pointer::Busy;
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
