// SPDX-License-Identifier: MIT
#include "manualwindow.h"

#include "manual.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {

void write(const QString &path, const QString &html)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(html.toUtf8());
}

// Moves the keyboard focus to the browser's next link and follows it with
// Enter, as a person without a mouse would.
void followNextLinkByKeyboard(QTextBrowser *browser)
{
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
}

} // namespace

TEST(ManualWindow, FollowsAnchorsAndRelativeLinksWithinTheManual)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QString filler;
    for (int i = 0; i < 200; ++i)
        filler += QStringLiteral("<p>Paragraph %1.</p>").arg(i);
    write(folder.filePath("index.html"),
          "<html><head><title>Test manual</title></head><body>"
          "<p><a href=\"#last\">To the last part</a></p>" +
              filler +
              "<h2 id=\"last\">Last part</h2><p><a href=\"more/other.html\">Other</a></p>"
              "</body></html>");
    ASSERT_TRUE(QDir(folder.path()).mkdir("more"));
    write(folder.filePath("more/other.html"),
          "<html><head><title>Other page</title></head><body><p>Elsewhere</p></body></html>");

    ManualWindow window;
    window.showPage(QUrl::fromLocalFile(folder.filePath("index.html")));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTextBrowser *browser = window.browser();
    browser->setFocus();
    EXPECT_EQ(window.windowTitle(), "Test manual");
    EXPECT_TRUE(browser->isReadOnly());
    ASSERT_EQ(browser->verticalScrollBar()->value(), 0);

    followNextLinkByKeyboard(browser);
    EXPECT_EQ(browser->source().fragment(), "last");
    EXPECT_GT(browser->verticalScrollBar()->value(), 0) << "the anchor was not scrolled to";

    followNextLinkByKeyboard(browser);
    EXPECT_EQ(browser->source(), QUrl::fromLocalFile(folder.filePath("more/other.html")));
    EXPECT_TRUE(browser->toPlainText().contains("Elsewhere"));
}

TEST(ManualWindow, ShowsTheBundledManualEvenWhereNoCopyIsInstalled)
{
    for (const QUrl &page : {shell::manualPage(), QUrl("qrc:/letterfold/manual/index.html")}) {
        ManualWindow window;
        window.showPage(page);
        EXPECT_TRUE(window.browser()->toPlainText().contains("The six naming schemes"))
            << page.toString().toStdString();
        EXPECT_TRUE(window.windowTitle().contains("Manual"));
    }
}
