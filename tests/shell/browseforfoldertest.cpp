// SPDX-License-Identifier: MIT
#include "browseforfolder.h"

#include <functional>
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// Runs BrowseForFolder with a user who acts on the dialog as told.
QString browse(const QString &prompt, const std::function<void(QFileDialog *)> &user)
{
    QTimer::singleShot(0, [user] {
        auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (shown)
            user(shown);
    });
    return registry::BrowseForFolder(nullptr, prompt);
}

} // namespace

TEST(BrowseForFolder, StripsOnlyATrailingSlash)
{
    struct Case
    {
        const char *path;
        const char *folder;
    };
    const Case cases[] = {
        {"/home/ann/Mail/", "/home/ann/Mail"},
        {"/home/ann/Mail", "/home/ann/Mail"},
        {"/", "/"},
        {"", ""},
        {"/srv/out//", "/srv/out"},
        {"/a b /", "/a b "},
        {"/x/./y/", "/x/./y"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(registry::withoutTrailingSlash(QString::fromUtf8(c.path)),
                  QString::fromUtf8(c.folder))
            << c.path;
}

TEST(BrowseForFolder, AnswersNothingOnCancel)
{
    EXPECT_EQ(browse("Choose Source Folder...", [](QFileDialog *d) { d->reject(); }), "");
}

TEST(BrowseForFolder, AnswersTheChosenFolderTitledWithThePromptAndStartingAtHomeEveryTime)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString chosen = QDir(root.path()).filePath(QStringLiteral("Mail \u00C4"));
    ASSERT_TRUE(QDir().mkpath(chosen));

    for (int call = 0; call < 2; ++call) {
        QString title;
        QString start;
        bool foldersOnly = false;
        const QString answer = browse("Choose Folder to Save...", [&](QFileDialog *d) {
            title = d->windowTitle();
            start = d->directory().absolutePath();
            foldersOnly =
                d->fileMode() == QFileDialog::Directory && d->testOption(QFileDialog::ShowDirsOnly);
            d->setDirectory(chosen);
            d->selectFile(chosen);
            QMetaObject::invokeMethod(d, "accept");
        });
        EXPECT_EQ(title, "Choose Folder to Save...");
        EXPECT_EQ(start, QDir::homePath()) << "call " << call;
        EXPECT_TRUE(foldersOnly);
        EXPECT_EQ(answer, chosen);
    }
}
