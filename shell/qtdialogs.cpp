// SPDX-License-Identifier: MIT
#include "qtdialogs.h"

#include "browseforfolder.h"
#include "shellopen.h"

#include <algorithm>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

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

// The program's texts break lines with CR LF; Qt's labels want LF alone.
QString withLineFeeds(const QString &text)
{
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A window manager cuts a caption that is wider than its window
// ("Brant…rfold"), so the box is made as wide as its caption needs, with room
// for the title bar's icon and buttons. The title font is the window
// manager's; a bold face a quarter larger than the box's own stands in for it.
void makeRoomForCaption(QMessageBox &box)
{
    constexpr int kTitleBarExtras = 120;
    QFont title = box.font();
    title.setBold(true);
    const int needed =
        QFontMetrics(title).horizontalAdvance(box.windowTitle()) * 5 / 4 + kTitleBarExtras;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

// The details area of a QMessageBox is five lines high, two or three long
// paths; a third of the screen shows a dozen and still leaves the box well
// inside it.
void showDetails(QMessageBox &box, const QString &details)
{
    box.setDetailedText(details);
    auto *area = box.findChild<QTextEdit *>();
    if (!area)
        return;
    int height = area->fontMetrics().lineSpacing() * 16;
    if (const QScreen *where = box.screen())
        height = std::min(height, where->availableGeometry().height() / 3);
    area->setFixedHeight(std::max(height, area->height()));
}

} // namespace

QtDialogs::QtDialogs(QWidget *owner) : m_owner(owner), m_fileDialog(owner) {}

QtDialogs::~QtDialogs()
{
    if (m_busy)
        QApplication::restoreOverrideCursor();
}

Dialogs::Answer QtDialogs::messageBox(const QString &text, const QString &caption, Buttons buttons,
                                      Icon icon, Answer defaultButton, const QString &details)
{
    QMessageBox box(m_owner);
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(withLineFeeds(text));
    box.setIcon(messageIcon(icon));
    if (!details.isEmpty())
        showDetails(box, withLineFeeds(details));
    makeRoomForCaption(box);
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

void QtDialogs::shellOpen(const QString &target, std::function<void()> whenNotOpened)
{
    registry::ShellOpen(target, m_owner, std::move(whenNotOpened));
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
