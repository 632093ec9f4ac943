// SPDX-License-Identifier: MIT
// The window end to end: Add files and Process over real messages in a temporary
// tree, with the dialogs scripted.
#include "windowhost.h"

#include "commandbutton.h"
#include "conversionrun.h"
#include "dragdrop.h"
#include "fakedialogs.h"
#include "flexgrid.h"
#include "frmstep1.h"
#include "label.h"
#include "naming.h"
#include "progressbar.h"
#include "testsupport.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using testsupport::snapshot;

using testsupport::readAll;

// Subject and From of a corpus message, as an independent decoder read them.
struct Reference
{
    QString subject;
    QString from;
};

const QHash<QString, Reference> &references()
{
    static const QHash<QString, Reference> table = [] {
        QHash<QString, Reference> rows;
        const QString text = QString::fromUtf8(
            readAll(testsupport::dataPath(QStringLiteral("corpus/REFERENCE.tsv"))));
        for (const QString &line : text.split(QLatin1Char('\n'))) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            if (fields.size() >= 3)
                rows.insert(fields[0], {fields[1], fields[2]});
        }
        return rows;
    }();
    return table;
}

// Varied picks: encoded non-ASCII and CJK subjects, two .emlx files (one partial),
// reply and forward markers, and a subject full of slashes.
const QStringList kPicks{
    QStringLiteral("pyemlx__plaintext.emlx"),
    QStringLiteral("mail__basic_email.eml"),
    QStringLiteral("mail__attachment_with_quoted_filename.eml"),
    QStringLiteral("mimekit__japanese.eml"),
    QStringLiteral("emlxconv__114858.partial.emlx"),
    QStringLiteral("mail__raw_email_multiple_from.eml"),
};

// The box after a run over kPicks: the partial message lies outside its
// mailbox, so its attachments are missing, and the box says so.
const QString kPicksConverted =
    QStringLiteral("Converted Successfully !\n\n1 message has attachments missing. Show "
                   "Details... lists it with what is missing.");

// The file name a corpus message gets under a scheme and the two marker options.
QString expectedName(const QString &corpusFile, NamingScheme scheme, bool re, bool fw)
{
    const auto found = references().constFind(corpusFile);
    if (found == references().cend()) {
        ADD_FAILURE() << "no reference for " << corpusFile.toStdString();
        return {};
    }
    QString raw;
    switch (scheme) {
    case NamingScheme::OptS:
        raw = found->subject;
        break;
    case NamingScheme::OptSF:
        raw = found->subject + QLatin1Char(' ') + found->from;
        break;
    case NamingScheme::OptFS:
        raw = found->from + QLatin1Char(' ') + found->subject;
        break;
    default:
        ADD_FAILURE() << "the date schemes depend on the time zone; not used here";
    }
    return naming::FitFileName(naming::CleanName(raw, re, fw));
}

// A window over scripted dialogs, whose closing is recorded instead of ending the
// test program, and a temporary tree: picks of the corpus in a source folder and
// an empty destination.
class WindowRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_sources = m_temp.path() + QStringLiteral("/src/Mail/Bo\u00eete de r\u00e9ception");
        m_destination = m_temp.path() + QStringLiteral("/out");
        ASSERT_TRUE(QDir().mkpath(m_sources));
        ASSERT_TRUE(QDir().mkpath(m_destination));
        for (const QString &name : kPicks)
            ASSERT_TRUE(
                QFile::copy(testsupport::dataPath(QStringLiteral("corpus/") + name), source(name)));
        m_form.setEndProgramHook([this] { ++m_endings; });
    }

    QString source(const QString &name) const { return m_sources + QLatin1Char('/') + name; }
    // Where the copy of a message of the source folder goes, under a file name.
    QString target(const QString &fileName) const
    {
        return m_destination + m_sources + QLatin1Char('/') + fileName;
    }

    // Add files, picking names in the source folder (they need not exist).
    void addFiles(const QStringList &names)
    {
        m_dialogs.fileDialog.answer(FakeCommonDialog::classic(m_sources, names));
        m_form.cmdAdd()->click();
        ASSERT_EQ(m_form.grdFiles1()->Rows(), names.size());
        ASSERT_TRUE(m_form.CmdProcess()->isEnabled());
    }

    // Process, answering the destination question with folder ("" cancels).
    void process(const QString &folder)
    {
        m_dialogs.folders.push_back(folder);
        m_form.CmdProcess()->click();
    }

    QTemporaryDir m_temp;
    QString m_sources;
    QString m_destination;
    FakeDialogs m_dialogs;
    frmStep1 m_form{&m_dialogs};
    int m_endings = 0;
};

struct OptionsCase
{
    const char *name;
    NamingScheme scheme;
    bool re;
    bool fw;
};

class WindowRunOptions : public WindowRun, public ::testing::WithParamInterface<OptionsCase>
{
};

TEST_P(WindowRunOptions, CopiesEveryPickedMessageUnderItsNameAndSaysSo)
{
    const OptionsCase &c = GetParam();
    addFiles(kPicks);
    m_form.option(c.scheme)->setChecked(true);
    m_form.ChkRe()->setChecked(c.re);
    m_form.ChkFw()->setChecked(c.fw);
    const auto sourcesBefore = snapshot(m_temp.path() + QStringLiteral("/src"));

    process(m_destination);

    EXPECT_EQ(m_dialogs.folderPrompts, QStringList{QStringLiteral("Choose Folder to Save...")});
    QMap<QString, QByteArray> expected;
    for (const QString &name : kPicks)
        expected.insert(
            QDir(m_destination).relativeFilePath(target(expectedName(name, c.scheme, c.re, c.fw))),
            testsupport::messageIn(source(name)));
    ASSERT_EQ(expected.size(), kPicks.size()) << "two picks share a name";
    EXPECT_EQ(snapshot(m_destination), expected);
    EXPECT_EQ(snapshot(m_temp.path() + QStringLiteral("/src")), sourcesBefore);

    EXPECT_EQ(m_form.ProgressBar1()->Value(), 100.0f);
    EXPECT_EQ(m_form.LblProgessCurrent()->text(), QStringLiteral("Message 6 (of 6)"));
    EXPECT_EQ(m_form.grdFiles1()->Row(), 5);
    EXPECT_EQ(m_form.grdFiles1()->Rows(), 6); // the list keeps its rows
    ASSERT_EQ(m_dialogs.messageBoxes.size(), 1u);
    const MessageBoxCall &box = m_dialogs.messageBoxes.front();
    EXPECT_EQ(box.text, kPicksConverted);
    EXPECT_EQ(box.details, QStringLiteral("With attachments missing:\n") +
                               source(QStringLiteral("emlxconv__114858.partial.emlx")) +
                               QStringLiteral(": 0 of 3 attachments restored; missing: 2.2 "
                                              "original.doc, 2.4 text.txt, 2.6 image001.png"));
    EXPECT_EQ(box.caption, QStringLiteral("Letterfold"));
    EXPECT_EQ(box.icon, Dialogs::Icon::Information);
    EXPECT_EQ(box.buttons, Dialogs::Buttons::OK);
    EXPECT_FALSE(m_form.conversionRun().isRunning());
}

INSTANTIATE_TEST_SUITE_P(
    frmStep1, WindowRunOptions,
    ::testing::Values(OptionsCase{"Subject", NamingScheme::OptS, false, false},
                      OptionsCase{"SubjectWithoutMarkers", NamingScheme::OptS, true, true},
                      OptionsCase{"SubjectAndSender", NamingScheme::OptSF, false, true},
                      OptionsCase{"SenderAndSubject", NamingScheme::OptFS, true, false}),
    [](const ::testing::TestParamInfo<OptionsCase> &info) { return std::string(info.param.name); });

TEST_F(WindowRun, ASecondRunIntoTheSameDestinationGivesTheSameFiles)
{
    addFiles(kPicks);
    process(m_destination);
    const auto first = snapshot(m_destination);
    process(m_destination);
    EXPECT_EQ(snapshot(m_destination), first);
    ASSERT_EQ(m_dialogs.messageBoxes.size(), 2u);
    EXPECT_EQ(m_dialogs.messageBoxes[1].text, kPicksConverted);
}

TEST_F(WindowRun, ARowThatCannotBeConvertedGivesTheWarningBoxListingIt)
{
    struct BadSource
    {
        const char *name;
        std::function<void(const QString &path)> make;
        const char *reason;
    };
    std::vector<BadSource> cases{
        {"missing.eml", [](const QString &) {}, "No such file or directory"},
        {"folder.eml", [](const QString &path) { QDir().mkpath(path); },
         "is a folder, not a message file"},
    };
    if (!testsupport::permissionsAreIgnored())
        cases.push_back(
            {"locked.eml",
             [](const QString &path) {
                 QFile::copy(testsupport::dataPath(QStringLiteral("corpus/mail__basic_email.eml")),
                             path);
                 QFile::setPermissions(path, QFileDevice::Permissions());
             },
             ""});
    for (const BadSource &bad : cases) {
        SCOPED_TRACE(bad.name);
        const QString name = QString::fromUtf8(bad.name);
        bad.make(source(name));
        m_dialogs.messageBoxes.clear();
        addFiles({kPicks[0], name, kPicks[1]});

        process(m_destination);

        EXPECT_TRUE(
            QFile::exists(target(expectedName(kPicks[0], NamingScheme::OptS, false, false))));
        EXPECT_TRUE(
            QFile::exists(target(expectedName(kPicks[1], NamingScheme::OptS, false, false))));
        EXPECT_EQ(m_form.ProgressBar1()->Value(), 100.0f);
        EXPECT_EQ(m_form.LblProgessCurrent()->text(), QStringLiteral("Message 3 (of 3)"));
        ASSERT_EQ(m_dialogs.messageBoxes.size(), 1u);
        const MessageBoxCall &box = m_dialogs.messageBoxes.front();
        EXPECT_EQ(box.caption, QStringLiteral("Letterfold"));
        EXPECT_EQ(box.icon, Dialogs::Icon::Exclamation);
        EXPECT_EQ(box.buttons, Dialogs::Buttons::OK);
        EXPECT_EQ(box.text, QStringLiteral("Converted 2 of 3 messages.\n\n1 message was not "
                                           "converted. Show Details... lists it with the reason."));
        EXPECT_TRUE(box.details.startsWith(source(name) + QStringLiteral(": ")));
        EXPECT_TRUE(box.details.endsWith(QString::fromUtf8(bad.reason)));
        EXPECT_FALSE(box.details.contains(QLatin1Char('\n')));
    }
}

TEST_F(WindowRun, ProcessOverAListWithoutMessagesSaysSoBeforeAskingForADestination)
{
    // Regression guard: Process over an empty list asked for a destination
    // first, then reset the progress line to "Message 1 (of 1)".
    const struct
    {
        const char *name;
        QStringList rows; // none: the list emptied by Clear
    } cases[] = {{"emptied", {}},
                 {"white space only", {QStringLiteral("  "), QStringLiteral("\t")}}};
    addFiles(kPicks);
    process(m_destination);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.messageBoxes.clear();
        m_dialogs.folderPrompts.clear();
        m_form.fileList().ClearFileList();
        for (const QString &row : c.rows)
            m_form.fileList().AddFileToList(row);
        ASSERT_TRUE(m_form.CmdProcess()->isEnabled());

        m_form.CmdProcess()->click();

        EXPECT_TRUE(m_dialogs.folderPrompts.isEmpty());
        ASSERT_EQ(m_dialogs.messageBoxes.size(), 1u);
        const MessageBoxCall &box = m_dialogs.messageBoxes.front();
        EXPECT_EQ(box.text, QStringLiteral("No messages to convert."));
        EXPECT_EQ(box.caption, QStringLiteral("Letterfold"));
        EXPECT_EQ(box.icon, Dialogs::Icon::Information);
        EXPECT_EQ(m_form.ProgressBar1()->Value(), 100.0f);
        EXPECT_EQ(m_form.LblProgessCurrent()->text(), QStringLiteral("Message 6 (of 6)"));
    }
}

TEST_F(WindowRun, CancellingTheDestinationChangesNothing)
{
    addFiles(kPicks);
    m_form.grdFiles1()->setRow(2);

    process(QString());

    EXPECT_EQ(m_dialogs.folderPrompts, QStringList{QStringLiteral("Choose Folder to Save...")});
    EXPECT_TRUE(m_dialogs.messageBoxes.empty());
    EXPECT_TRUE(snapshot(m_destination).isEmpty());
    EXPECT_TRUE(QDir(m_destination).isEmpty());
    EXPECT_EQ(m_form.ProgressBar1()->Value(), 0.0f);
    EXPECT_EQ(m_form.LblProgessCurrent()->text(), QStringLiteral("Message 0 (of 0)"));
    EXPECT_EQ(m_form.grdFiles1()->Row(), 2);
    EXPECT_EQ(m_form.grdFiles1()->Rows(), 6);
    EXPECT_FALSE(m_form.conversionRun().isRunning());
}

// A run over the window with a host whose every yield calls turn, so a test can
// act at a chosen step as a person could while the window has its turn.
struct ScriptedRun
{
    frmStep1 &form;
    WindowHost host;
    ConversionRun run;
    int yields = 0;

    ScriptedRun(frmStep1 &window, std::function<void(int yield)> turn)
        : form(window), host(window,
                             [this, turn = std::move(turn)] {
                                 ++yields;
                                 turn(yields);
                                 QCoreApplication::processEvents();
                             }),
          run(host)
    {
        form.setProcessHandler([this] { run.run(); });
    }
    ~ScriptedRun() { form.setProcessHandler({}); }
    ScriptedRun(const ScriptedRun &) = delete;
    ScriptedRun &operator=(const ScriptedRun &) = delete;
};

// A command a person may try while a run yields; none of them may start.
struct CommandDuringRun
{
    const char *name;
    std::function<void(frmStep1 &form, FakeDialogs &dialogs, const QString &sources)> press;
};

void PrintTo(const CommandDuringRun &c, std::ostream *os)
{
    *os << c.name;
}

class CommandsDuringARun : public WindowRun, public ::testing::WithParamInterface<CommandDuringRun>
{
};

TEST_P(CommandsDuringARun, DoNotStartAndLeaveTheRunsCountAndSummaryRight)
{
    // Regression guard: Clear during a run gave "Message 2 (of 1)" and
    // "Converted Successfully !" after two of eight copies.
    QStringList lines;
    int pressedAt = 0;
    ScriptedRun scripted(m_form, [&](int yield) {
        lines.append(m_form.LblProgessCurrent()->text());
        // Yield 7 lies in the middle of the second row; the list is still whole.
        if (yield == 7) {
            pressedAt = yield;
            GetParam().press(m_form, m_dialogs, m_sources);
        }
    });
    addFiles(kPicks);

    process(m_destination);
    QCoreApplication::processEvents(); // a drop's handler runs from the event loop

    ASSERT_EQ(pressedAt, 7);
    EXPECT_EQ(m_dialogs.folderPrompts, QStringList{QStringLiteral("Choose Folder to Save...")});
    EXPECT_EQ(m_dialogs.fileDialog.timesShown(), 1);
    ASSERT_EQ(m_dialogs.messageBoxes.size(), 1u);
    EXPECT_EQ(m_dialogs.messageBoxes.front().text, kPicksConverted);
    EXPECT_EQ(snapshot(m_destination).size(), kPicks.size());
    EXPECT_EQ(m_form.grdFiles1()->Rows(), kPicks.size());
    EXPECT_EQ(m_form.lblCount1()->text(), QStringLiteral("6 files"));
    EXPECT_EQ(m_form.LblProgessCurrent()->text(), QStringLiteral("Message 6 (of 6)"));
    for (const QString &line : lines)
        EXPECT_TRUE(line == QStringLiteral("Message 0 (of 0)") ||
                    line.endsWith(QStringLiteral(" (of 6)")))
            << line.toStdString();
    EXPECT_FALSE(m_form.isCommandUnderWay());
}

INSTANTIATE_TEST_SUITE_P(
    frmStep1, CommandsDuringARun,
    ::testing::Values(
        CommandDuringRun{"Clear",
                         [](frmStep1 &form, FakeDialogs &dialogs, const QString &) {
                             dialogs.answers.push_back(Dialogs::Answer::Yes);
                             form.cmdClear1()->click();
                         }},
        CommandDuringRun{"AddFiles",
                         [](frmStep1 &form, FakeDialogs &dialogs, const QString &sources) {
                             dialogs.fileDialog.answer(
                                 FakeCommonDialog::classic(sources, {kPicks[0]}));
                             form.cmdAdd()->click();
                         }},
        CommandDuringRun{"AddFolder",
                         [](frmStep1 &form, FakeDialogs &dialogs, const QString &sources) {
                             dialogs.folders.push_back(sources);
                             form.CmdAddFolder()->click();
                         }},
        CommandDuringRun{"Process",
                         [](frmStep1 &form, FakeDialogs &dialogs, const QString &sources) {
                             dialogs.folders.push_back(sources);
                             QTest::mouseClick(form.CmdProcess(), Qt::LeftButton);
                         }},
        CommandDuringRun{
            "Drop",
            [](frmStep1 &form, FakeDialogs &, const QString &sources) {
                EXPECT_FALSE(
                    dragOnto(form.grdFiles1()->viewport(), {QUrl::fromLocalFile(sources)}).entered);
            }}),
    [](const ::testing::TestParamInfo<CommandDuringRun> &info) {
        return std::string(info.param.name);
    });

TEST_F(WindowRun, ExitAndHelpStayLiveDuringARun)
{
    ScriptedRun scripted(m_form, [&](int yield) {
        if (yield != 7)
            return;
        m_dialogs.answers.push_back(Dialogs::Answer::No);
        m_form.cmdEnd()->click();
        m_form.CmdHelp()->click();
    });
    addFiles(kPicks);

    process(m_destination);

    ASSERT_EQ(m_dialogs.messageBoxes.size(), 2u);
    EXPECT_EQ(m_dialogs.messageBoxes[0].text, QStringLiteral("Are you sure you want to exit now?"));
    EXPECT_EQ(m_dialogs.messageBoxes[1].text, kPicksConverted);
    EXPECT_EQ(m_dialogs.openedTargets.size(), 1);
    EXPECT_EQ(m_endings, 0);
    EXPECT_EQ(snapshot(m_destination).size(), kPicks.size());
}

TEST_F(WindowRun, OptionsChangedWhileTheRunYieldsApplyToMessagesNotYetNamed)
{
    // Yields of a run: 1 after the destination; then per row, from 2 for row 0:
    // after moving the cell, after the folder, after composing, after the copy.
    // The scheme is read when composing and the markers when cleaning, so a change
    // at yield 4 reaches row 0's markers but not its scheme.
    const struct
    {
        const char *name;
        int changeAtYield;
        NamingScheme firstScheme;
        bool firstRe;
    } cases[] = {
        {"after the first copy", 5, NamingScheme::OptS, false},
        {"between composing and cleaning the first name", 4, NamingScheme::OptS, true},
        {"before the first row", 1, NamingScheme::OptFS, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(m_destination).removeRecursively();
        m_form.option(NamingScheme::OptS)->setChecked(true);
        m_form.ChkRe()->setChecked(false);
        ScriptedRun scripted(m_form, [&](int yield) {
            if (yield != c.changeAtYield)
                return;
            // As a person would: click the option and the check box.
            QTest::mouseClick(m_form.option(NamingScheme::OptFS), Qt::LeftButton, {},
                              QPoint(6, 12));
            QTest::mouseClick(m_form.ChkRe(), Qt::LeftButton, {}, QPoint(6, 8));
        });
        addFiles(kPicks);

        process(m_destination);

        ASSERT_EQ(m_form.selectedScheme(), NamingScheme::OptFS);
        ASSERT_TRUE(m_form.removeRe());
        QStringList expected{expectedName(kPicks[0], c.firstScheme, c.firstRe, false)};
        for (qsizetype i = 1; i < kPicks.size(); ++i)
            expected.append(expectedName(kPicks[i], NamingScheme::OptFS, true, false));
        for (qsizetype i = 0; i < kPicks.size(); ++i)
            EXPECT_EQ(readAll(target(expected[i])), testsupport::messageIn(source(kPicks[i])))
                << expected[i].toStdString();
        EXPECT_EQ(snapshot(m_destination).size(), kPicks.size());
    }
}

TEST_F(WindowRun, TheSelectionBarAndLineFollowTheRunRowByRow)
{
    const QStringList picks = kPicks.mid(0, 3);
    struct Seen
    {
        int row;
        float value;
        QString line;
    };
    std::vector<Seen> seen;
    ScriptedRun scripted(m_form, [&](int) {
        seen.push_back({m_form.grdFiles1()->Row(), m_form.ProgressBar1()->Value(),
                        m_form.LblProgessCurrent()->text()});
    });
    addFiles(picks);
    m_form.ProgressBar1()->setValue(40.0f); // as a previous run may have left it

    process(m_destination);

    // What the window showed at the turn after each row's cell was made current.
    ASSERT_EQ(seen.size(), 1u + 4u * 3u);
    const Seen expected[] = {
        {0, 40.0f, QStringLiteral("Message 0 (of 0)")},
        {1, 33.33333f, QStringLiteral("Message 1 (of 3)")},
        {2, 66.66667f, QStringLiteral("Message 2 (of 3)")},
    };
    for (int row = 0; row < 3; ++row) {
        const Seen &at = seen[static_cast<size_t>(1 + 4 * row)];
        EXPECT_EQ(at.row, expected[row].row);
        EXPECT_FLOAT_EQ(at.value, expected[row].value);
        EXPECT_EQ(at.line, expected[row].line);
    }
    EXPECT_EQ(m_form.ProgressBar1()->Value(), 100.0f);
    EXPECT_EQ(m_form.LblProgessCurrent()->text(), QStringLiteral("Message 3 (of 3)"));
}

TEST_F(WindowRun, AClickOnAnotherRowDuringTheRunDoesNotSwapMessages)
{
    // Regression guard: the run read "the current cell" after a yield, so a click
    // on another row during that yield copied the clicked row's message in place
    // of the row the run was at, and some messages were never copied.
    ScriptedRun scripted(m_form, [&](int) {
        if (m_form.grdFiles1()->Row() != 0) {
            m_form.grdFiles1()->scrollToTop(); // the view follows the run's row
            QTest::mouseClick(m_form.grdFiles1()->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
        }
    });
    addFiles(kPicks);
    m_form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_form));
    // Rows added in a quick run reach the view a moment later; only shown rows take clicks.
    ASSERT_TRUE(QTest::qWaitFor([this] {
        return m_form.grdFiles1()->model()->rowCount() == static_cast<int>(kPicks.size());
    }));

    process(m_destination);

    EXPECT_EQ(m_form.grdFiles1()->Row(), 0) << "the clicks did not reach the grid";
    for (const QString &name : kPicks)
        EXPECT_EQ(readAll(target(expectedName(name, NamingScheme::OptS, false, false))),
                  testsupport::messageIn(source(name)))
            << name.toStdString();
    EXPECT_EQ(m_dialogs.messageBoxes.at(0).text, kPicksConverted);
}

TEST_F(WindowRun, ProgressReachesTheControlsAtTheWindowsTurnAndBeforeTheSummary)
{
    // The bar repaints itself the moment its value changes; rows arriving faster
    // than the screen refreshes must not each cost a repaint.
    addFiles(kPicks.mid(0, 3));
    WindowHost host(m_form);
    host.rowStarted(0);
    host.progress(1.0 / 3.0);
    EXPECT_EQ(m_form.ProgressBar1()->Value(), 0.0f);
    EXPECT_EQ(m_form.LblProgessCurrent()->text(), QStringLiteral("Message 0 (of 0)"));

    host.yield(); // a new host's first turn is never skipped
    EXPECT_FLOAT_EQ(m_form.ProgressBar1()->Value(), 33.33333f);
    EXPECT_EQ(m_form.LblProgessCurrent()->text(), QStringLiteral("Message 1 (of 3)"));

    host.rowStarted(2);
    host.progress(1.0);
    std::optional<float> valueUnderBox;
    QString lineUnderBox;
    m_dialogs.whileShown = [&](const MessageBoxCall &) {
        valueUnderBox = m_form.ProgressBar1()->Value();
        lineUnderBox = m_form.LblProgessCurrent()->text();
    };
    RunSummary summary;
    summary.add({0, QStringLiteral("/a.eml"), QStringLiteral("/o/a.eml"), MessageStatus::Copied,
                 QString(), QString()});
    host.showSummary(summary);
    EXPECT_EQ(valueUnderBox, 100.0f);
    EXPECT_EQ(lineUnderBox, QStringLiteral("Message 3 (of 3)"));
}

TEST(WindowSummary, AReportOfTwoHundredLongFailuresFitsTheScreen)
{
    // Regression guard: the box listing 25 long paths grew to 2,074 pixels, its
    // OK button off a 768-pixel screen.
    frmStep1 form; // with the program's own dialogs
    RunSummary summary;
    const QString deep = QStringLiteral("/home/ann/Mail/") + QString(60, u'x') +
                         QStringLiteral("/Archive of the year with a long name/") +
                         QString(80, u'y');
    for (int row = 0; row < 200; ++row)
        summary.add({row, deep + QStringLiteral("/message %1.eml").arg(row), QString(),
                     MessageStatus::Failed, QStringLiteral("Permission denied"), QString()});
    std::optional<QRect> collapsed;
    std::optional<QRect> expanded;
    QString details;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        collapsed = box->frameGeometry();
        for (QAbstractButton *button : box->buttons())
            if (box->buttonRole(button) == QMessageBox::ActionRole)
                button->click(); // Show Details...
        QCoreApplication::processEvents();
        expanded = box->frameGeometry();
        details = box->detailedText();
        box->button(QMessageBox::Ok)->click();
    });

    WindowHost(form).showSummary(summary);

    ASSERT_TRUE(collapsed && expanded) << "no box was shown";
    const QRect screen = form.screen()->availableGeometry();
    for (const QRect &shown : {*collapsed, *expanded}) {
        EXPECT_LE(shown.height(), std::min(768, screen.height())) << shown.height();
        EXPECT_LE(shown.width(), screen.width()) << shown.width();
    }
    EXPECT_GT(expanded->height(), collapsed->height()) << "the details did not open";
    const QStringList lines = details.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 200);
    EXPECT_EQ(lines.last(), deep + QStringLiteral("/message 199.eml: Permission denied"));
}

TEST(WindowRunDeathTest, ClosingTheWindowDuringARunEndsTheProgramBeforeTheNextCopy)
{
    // The real ending, in a fresh copy of this test program. Both copies must use
    // one folder, so the first hands it to the second through the environment.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char *const kRootVariable = "LETTERFOLD_TEST_CLOSING_ROOT";
    std::optional<QTemporaryDir> temp;
    QString root = qEnvironmentVariable(kRootVariable);
    if (root.isEmpty()) {
        temp.emplace();
        ASSERT_TRUE(temp->isValid());
        root = temp->path();
        for (const QString &name : kPicks.mid(0, 3))
            ASSERT_TRUE(QFile::copy(testsupport::dataPath(QStringLiteral("corpus/") + name),
                                    root + QStringLiteral("/") + name));
        qputenv(kRootVariable, QFile::encodeName(root));
    }
    const QString destination = root + QStringLiteral("/out");

    EXPECT_EXIT(
        {
            FakeDialogs dialogs;
            frmStep1 form(&dialogs);
            form.show();
            // Yield 5 follows the first copy: the window is closed in that turn.
            ScriptedRun scripted(form, [&form](int yield) {
                if (yield == 5)
                    QTimer::singleShot(0, &form, [&form] { form.close(); });
            });
            dialogs.fileDialog.answer(FakeCommonDialog::classic(root, kPicks.mid(0, 3)));
            form.cmdAdd()->click();
            dialogs.folders.push_back(destination);
            form.CmdProcess()->click();
            std::fputs("the run carried on after the window closed\n", stderr);
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    qunsetenv(kRootVariable);

    // The first message was copied whole, and nothing else was written.
    const QString first = destination + root + QLatin1Char('/') +
                          expectedName(kPicks[0], NamingScheme::OptS, false, false);
    EXPECT_EQ(
        snapshot(destination),
        (QMap<QString, QByteArray>{{QDir(destination).relativeFilePath(first),
                                    testsupport::messageIn(root + QLatin1Char('/') + kPicks[0])}}));
}

} // namespace
