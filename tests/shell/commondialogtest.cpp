// SPDX-License-Identifier: MIT
#include "commondialog.h"

#include "commanderror.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QChar kNul(u'\0');

// A CommonDialog whose user picks the given paths (none: a cancel).
class ScriptedDialog : public CommonDialog
{
public:
    QStringList picks;

protected:
    QStringList pickFiles() override { return picks; }
};

} // namespace

TEST(CommonDialog, WritesASelectionInTheClassicForm)
{
    struct Case
    {
        const char *name;
        QStringList paths;
        QString classic;
    };
    const Case cases[] = {
        {"nothing", {}, ""},
        {"one file", {"/home/ann/Mail/a.eml"}, "/home/ann/Mail/a.eml"},
        {"files of one folder",
         {"/home/ann/Mail/a.eml", "/home/ann/Mail/b.emlx"},
         QStringLiteral("/home/ann/Mail") + kNul + "a.eml" + kNul + "b.emlx"},
        {"files in the root",
         {"/a.eml", "/b.eml"},
         QStringLiteral("/") + kNul + "a.eml" + kNul + "b.eml"},
        {"files of two folders",
         {"/m/x/a.eml", "/m/y/b.eml"},
         QStringLiteral("/m") + kNul + "x/a.eml" + kNul + "y/b.eml"},
        {"folders sharing a prefix only",
         {"/m/ab/a.eml", "/m/abc/b.eml"},
         QStringLiteral("/m") + kNul + "ab/a.eml" + kNul + "abc/b.eml"},
        {"names with spaces kept",
         {"/m/ a .eml", "/m/b .eml"},
         QStringLiteral("/m") + kNul + " a .eml" + kNul + "b .eml"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CommonDialog::classicSelection(c.paths), c.classic) << c.name;
}

TEST(CommonDialog, TurnsAFilterTextIntoNameFilters)
{
    EXPECT_EQ(CommonDialog::nameFilters("Mail Messages (*.eml,*.emlx)|*.eml;*.emlx"),
              QStringList{"Mail Messages (*.eml,*.emlx) (*.eml *.emlx)"});
    EXPECT_EQ(CommonDialog::nameFilters("Mail|*.eml|All files|*.*"),
              (QStringList{"Mail (*.eml)", "All files (*.*)"}));
    EXPECT_EQ(CommonDialog::nameFilters(""), QStringList{});
    EXPECT_EQ(CommonDialog::nameFilters("No patterns|"), QStringList{});
}

TEST(CommonDialog, ReturnsThePickInFileNameAndNothingOnCancel)
{
    ScriptedDialog dialog;
    dialog.setMaxFileSize(1000);
    dialog.picks = {"/m/a.eml", "/m/b.eml"};
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), QStringLiteral("/m") + kNul + "a.eml" + kNul + "b.eml");
    dialog.picks.clear();
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), "");
}

TEST(CommonDialog, RaisesBufferTooSmallForASelectionLongerThanMaxFileSize)
{
    ScriptedDialog dialog;
    dialog.setMaxFileSize(20);
    dialog.picks = {"/m/exactly-20-ch.eml"};
    ASSERT_EQ(dialog.picks.first().size(), 20);
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), dialog.picks.first()) << "20 characters fit into 20";

    dialog.picks = {"/m/twenty-one-ch.eml1"};
    try {
        dialog.ShowOpen();
        ADD_FAILURE() << "an overflow raised nothing";
    } catch (const CommandError &error) {
        EXPECT_EQ(error.number(), CommandError::kBufferTooSmall);
    }
    EXPECT_EQ(dialog.FileName(), "");
}

TEST(CommonDialog, ShowsAnOpenDialogForSeveralMailFiles)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char *name : {"a.eml", "b.emlx", "c.txt"}) {
        QFile file(QDir(folder.path()).filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    CommonDialog dialog;
    dialog.setFilter("Mail Messages (*.eml,*.emlx)|*.eml;*.emlx");
    dialog.setFlags(CommonDialogControl::cdlOFNExplorer |
                    CommonDialogControl::cdlOFNAllowMultiselect);
    dialog.setMaxFileSize(1000);
    dialog.setFileName(QDir(folder.path()).filePath("a.eml"));

    QFileDialog::FileMode mode{};
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        mode = shown->fileMode();
        filters = shown->nameFilters();
        shown->selectFile(QStringLiteral("\"a.eml\" \"b.emlx\""));
        QMetaObject::invokeMethod(shown, "accept");
    });
    dialog.ShowOpen();

    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(filters, QStringList{"Mail Messages (*.eml,*.emlx) (*.eml *.emlx)"});
    const QString canonical = QDir(folder.path()).canonicalPath();
    EXPECT_EQ(dialog.FileName().split(kNul).value(1), "a.eml");
    EXPECT_EQ(dialog.FileName().split(kNul).value(2), "b.emlx");
    EXPECT_TRUE(dialog.FileName().split(kNul).value(0) == folder.path() ||
                dialog.FileName().split(kNul).value(0) == canonical);
}

// Mailboxes have no extension of their own ("Inbox", "mbox"): the second
// filter of Add files must reach them, and the first stay the one shown.
TEST(CommonDialog, OffersMailboxesAsASecondFilterThatReachesFilesOfAnyName)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char *name : {"a.eml", "Inbox"}) {
        QFile file(QDir(folder.path()).filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    CommonDialog dialog;
    dialog.setFilter("Mail Messages (*.eml,*.emlx)|*.eml;*.emlx|Mailboxes|*");
    dialog.setFlags(CommonDialogControl::cdlOFNExplorer |
                    CommonDialogControl::cdlOFNAllowMultiselect);
    dialog.setMaxFileSize(1000);
    dialog.setFileName(QDir(folder.path()).filePath("a.eml"));

    QStringList filters;
    QString first;
    QTimer::singleShot(0, [&] {
        auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        filters = shown->nameFilters();
        first = shown->selectedNameFilter();
        shown->selectNameFilter(filters.value(1));
        shown->selectFile(QStringLiteral("Inbox"));
        QMetaObject::invokeMethod(shown, "accept");
    });
    dialog.ShowOpen();

    EXPECT_EQ(filters,
              (QStringList{"Mail Messages (*.eml,*.emlx) (*.eml *.emlx)", "Mailboxes (*)"}));
    // Shown without its patterns, which its description names.
    EXPECT_TRUE(first.startsWith(QLatin1String("Mail Messages"))) << first.toStdString();
    EXPECT_EQ(QFileInfo(dialog.FileName()).fileName(), "Inbox");
}
