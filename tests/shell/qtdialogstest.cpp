// SPDX-License-Identifier: MIT
#include "qtdialogs.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace {

struct Shown
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Shows a message box through QtDialogs; the user presses the given button
// (NoButton: Escape).
Dialogs::Answer ask(QtDialogs &dialogs, Dialogs::Buttons buttons, Dialogs::Icon icon,
                    Dialogs::Answer defaultButton, QMessageBox::StandardButton press, Shown *shown)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        *shown = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                  box->standardButton(box->defaultButton())};
        if (press == QMessageBox::NoButton)
            box->reject();
        else
            box->button(press)->click();
    });
    return dialogs.messageBox(QStringLiteral("Line one\r\n Line two"), "Caption", buttons, icon,
                              defaultButton);
}

} // namespace

TEST(QtDialogs, ShowsMessageBoxesWithTheAskedButtonsIconAndDefault)
{
    using B = Dialogs::Buttons;
    using I = Dialogs::Icon;
    using A = Dialogs::Answer;
    struct Case
    {
        B buttons;
        I icon;
        A defaultButton;
        QMessageBox::StandardButton press;
        QMessageBox::Icon shownIcon;
        QMessageBox::StandardButton shownDefault;
        A answer;
    };
    const Case cases[] = {
        {B::YesNo, I::Question, A::Yes, QMessageBox::Yes, QMessageBox::Question, QMessageBox::Yes,
         A::Yes},
        {B::YesNo, I::Question, A::Yes, QMessageBox::No, QMessageBox::Question, QMessageBox::Yes,
         A::No},
        {B::YesNo, I::Question, A::No, QMessageBox::NoButton, QMessageBox::Question,
         QMessageBox::No, A::No},
        {B::OK, I::Exclamation, A::OK, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok,
         A::OK},
        {B::OK, I::Information, A::OK, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok,
         A::OK},
        {B::OK, I::None, A::OK, QMessageBox::NoButton, QMessageBox::NoIcon, QMessageBox::Ok, A::OK},
    };
    QWidget owner;
    QtDialogs dialogs(&owner);
    for (const Case &c : cases) {
        Shown shown;
        EXPECT_EQ(ask(dialogs, c.buttons, c.icon, c.defaultButton, c.press, &shown), c.answer);
        EXPECT_EQ(shown.title, "Caption");
        EXPECT_EQ(shown.text, "Line one\n Line two");
        EXPECT_EQ(shown.icon, c.shownIcon);
        EXPECT_EQ(shown.defaultButton, c.shownDefault);
        EXPECT_EQ(shown.buttons, c.buttons == B::OK ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                                    : QMessageBox::Yes | QMessageBox::No);
    }
}

TEST(QtDialogs, ShowsTheWaitCursorUntilTheDefaultPointerReturns)
{
    QWidget owner;
    QtDialogs dialogs(&owner);
    dialogs.setMousePointer(Dialogs::Pointer::Busy);
    dialogs.setMousePointer(Dialogs::Pointer::Busy);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialogs.setMousePointer(Dialogs::Pointer::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "one Default undoes any number of Busy";
    dialogs.setMousePointer(Dialogs::Pointer::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtDialogs, OffersOneFileDialogThatKeepsItsSettings)
{
    QWidget owner;
    QtDialogs dialogs(&owner);
    dialogs.openFileDialog().setMaxFileSize(1000);
    EXPECT_EQ(&dialogs.openFileDialog(), &dialogs.openFileDialog());
    EXPECT_EQ(dialogs.openFileDialog().MaxFileSize(), 1000);
}
