// SPDX-License-Identifier: MIT
#include "frmstep1.h"

#include "appearance.h"
#include "commandbutton.h"
#include "dragdrop.h"
#include "fakedialogs.h"
#include "flexgrid.h"
#include "label.h"
#include "manual.h"
#include "manualwindow.h"
#include "progressbar.h"
#include "shape.h"
#include "temptree.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QMimeData>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

namespace {

// A window over scripted dialogs whose closing is recorded instead of ending
// the test program.
struct Window
{
    FakeDialogs dialogs;
    frmStep1 form{&dialogs};
    int endings = 0;

    Window()
    {
        form.setEndProgramHook([this] { ++endings; });
    }

    template <typename T = QWidget> T *control(const char *name) const
    {
        return form.findChild<T *>(QString::fromLatin1(name));
    }

    void showActive()
    {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    QString focused() const
    {
        const QWidget *widget = QApplication::focusWidget();
        return widget ? widget->objectName() : QStringLiteral("(none)");
    }
};

enum class Kind
{
    CheckBox,
    Frame,
    Panel,
    Option,
    Button,
    Grid,
    Progress,
    Picture,
    Label,
    Rectangle
};

struct FontSpec
{
    const char *family; // nullptr: the window's own face
    qreal points;
    int weight;
};

constexpr FontSpec kTahoma{"Tahoma", 8.25, 400};
constexpr FontSpec kWindowDefault{nullptr, 0, 0};
constexpr FontSpec kNoText{nullptr, -1, 0};

// One row of the window's design: the control and where and how it shows.
struct ControlRow
{
    const char *name;
    Kind kind;
    const char *container;
    const char *text;
    int left, top, width, height; // twips
    FontSpec font;
    std::optional<QRgb> textColour;
    std::optional<QRgb> background; // opaque fill; nullopt when transparent or not a label
};

void PrintTo(const ControlRow &row, std::ostream *os)
{
    *os << row.name;
}

constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;

const ControlRow kControls[] = {
    {"ChkFw", Kind::CheckBox, "frmStep1", "Remove Fw: ", 1920, 5880, 3015, 255, kTahoma, {}, {}},
    {"ChkRe", Kind::CheckBox, "frmStep1", "Remove Re: ", 240, 5880, 3015, 255, kTahoma, {}, {}},
    {"Frame1",
     Kind::Frame,
     "frmStep1",
     " EML Naming Options ",
     240,
     4560,
     7695,
     1215,
     {"Verdana", 8.25, 400},
     {},
     {}},
    {"Picture1", Kind::Panel, "Frame1", "", 120, 240, 7455, 855, kNoText, {}, {}},
    {"OptFS", Kind::Option, "Picture1", "From + Subject", 1920, 0, 2895, 375, kTahoma, {}, {}},
    {"OptDS_mdy",
     Kind::Option,
     "Picture1",
     "Date (m-d-y) + Subject",
     4920,
     360,
     2895,
     375,
     kTahoma,
     {},
     {}},
    {"OptDS_ymd",
     Kind::Option,
     "Picture1",
     "Date (y-m-d) + Subject",
     4920,
     0,
     2895,
     375,
     kTahoma,
     {},
     {}},
    {"OptSFD_dmy",
     Kind::Option,
     "Picture1",
     "Subject + From + Date (d-m-y)",
     1920,
     360,
     2895,
     375,
     kTahoma,
     {},
     {}},
    {"OptSF", Kind::Option, "Picture1", "Subject + From", 0, 360, 2895, 375, kTahoma, {}, {}},
    {"OptS", Kind::Option, "Picture1", "Subject", 0, 0, 2895, 375, kTahoma, {}, {}},
    {"Picture3", Kind::Panel, "frmStep1", "", 120, 7080, 7935, 495, kNoText, {}, kWhite},
    {"CmdHelp", Kind::Button, "Picture3", "&Help Manual", 0, 0, 1695, 375, kTahoma, {}, {}},
    {"cmdEnd", Kind::Button, "Picture3", "E&xit", 6480, 0, 1335, 375, kTahoma, {}, {}},
    {"CmdProcess", Kind::Button, "frmStep1", "Process", 2760, 6360, 2655, 435, kTahoma, {}, {}},
    {"CmdAddFolder",
     Kind::Button,
     "frmStep1",
     "Add Folder having EML File(s)...",
     2400,
     960,
     2775,
     375,
     kTahoma,
     {},
     {}},
    {"cmdClear1",
     Kind::Button,
     "frmStep1",
     "Clear File(s)...",
     6240,
     960,
     1695,
     375,
     kTahoma,
     {},
     {}},
    {"cmdAdd",
     Kind::Button,
     "frmStep1",
     "Add EML File(s)...",
     240,
     960,
     1815,
     375,
     kTahoma,
     {},
     {}},
    {"grdFiles1", Kind::Grid, "frmStep1", "", 240, 1800, 7695, 1575, kTahoma, {}, {}},
    {"ProgressBar1", Kind::Progress, "frmStep1", "", 1920, 4080, 6015, 255, kNoText, {}, {}},
    {"Image1", Kind::Picture, "frmStep1", "", 240, 3720, 240, 240, kNoText, {}, {}},
    {"Label2",
     Kind::Label,
     "frmStep1",
     "Conversion Progress : ",
     240,
     4080,
     1695,
     255,
     kWindowDefault,
     {},
     {}},
    {"LblProgessCurrent",
     Kind::Label,
     "frmStep1",
     "Message 0 (of 0)",
     600,
     3720,
     7335,
     255,
     kWindowDefault,
     kBlack,
     {}},
    {"Label4",
     Kind::Label,
     "frmStep1",
     "Converting Messages...",
     240,
     3480,
     2535,
     255,
     kTahoma,
     {},
     {}},
    {"lblCopyright", Kind::Label, "frmStep1", nullptr, 240, 480, 6135, 255, kTahoma, kBlack,
     kWhite},
    {"lblTitle",
     Kind::Label,
     "frmStep1",
     "Brantwell Letterfold",
     240,
     120,
     7695,
     375,
     {"Tahoma", 14.25, 700},
     kBlack,
     kWhite},
    {"Shape1", Kind::Rectangle, "frmStep1", "", -120, 6960, 8415, 855, kNoText, {}, {}},
    {"lblCount1", Kind::Label, "frmStep1", "0 files", 270, 1560, 7695, 255, kTahoma, {}, {}},
    {"Shape2", Kind::Rectangle, "frmStep1", "", -120, 0, 8415, 855, kNoText, {}, {}},
};

bool isOfKind(const QWidget *widget, Kind kind)
{
    switch (kind) {
    case Kind::CheckBox:
        return qobject_cast<const QCheckBox *>(widget);
    case Kind::Frame:
        return qobject_cast<const QGroupBox *>(widget);
    case Kind::Panel:
        return widget->metaObject() == &QWidget::staticMetaObject;
    case Kind::Option:
        return qobject_cast<const QRadioButton *>(widget);
    case Kind::Button:
        return qobject_cast<const CommandButton *>(widget);
    case Kind::Grid:
        return qobject_cast<const FlexGrid *>(widget);
    case Kind::Progress:
        return qobject_cast<const ProgressBar *>(widget);
    case Kind::Picture:
        return qobject_cast<const QLabel *>(widget) &&
               !qobject_cast<const QLabel *>(widget)->pixmap().isNull();
    case Kind::Label:
        return qobject_cast<const Label *>(widget);
    case Kind::Rectangle:
        return qobject_cast<const Shape *>(widget);
    }
    return false;
}

QString textOf(const QWidget *widget)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title();
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    return {};
}

} // namespace

class ControlTable : public ::testing::TestWithParam<ControlRow>
{
};

TEST_P(ControlTable, ShowsTheControlAsDesigned)
{
    const ControlRow &row = GetParam();
    Window w;
    const QWidget *widget = w.control(row.name);
    ASSERT_NE(widget, nullptr) << row.name;

    EXPECT_TRUE(isOfKind(widget, row.kind));
    EXPECT_EQ(widget->parentWidget()->objectName(), QLatin1String(row.container));
    if (row.text) {
        EXPECT_EQ(textOf(widget), QString::fromUtf8(row.text));
    }
    EXPECT_EQ(widget->geometry(),
              QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15));

    if (row.font.family) {
        EXPECT_EQ(widget->font().families().value(0), QLatin1String(row.font.family));
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), row.font.points);
        EXPECT_EQ(widget->font().weight(), row.font.weight);
        EXPECT_FALSE(widget->font().italic());
        EXPECT_FALSE(widget->font().underline());
        EXPECT_FALSE(widget->font().strikeOut());
    } else if (row.font.points == 0) {
        EXPECT_FALSE(widget->testAttribute(Qt::WA_SetFont)) << "has a font of its own";
        EXPECT_EQ(widget->font(), w.form.font());
    }

    if (row.textColour) {
        EXPECT_EQ(widget->palette().color(QPalette::WindowText).rgba(), *row.textColour);
    }
    if (row.kind == Kind::Label) {
        // Labels are opaque unless designed transparent; without a colour of
        // their own they show the system's.
        const bool transparent =
            QStringList{"Label2", "LblProgessCurrent", "Label4"}.contains(QLatin1String(row.name));
        EXPECT_EQ(widget->autoFillBackground(), !transparent);
        if (row.background) {
            EXPECT_EQ(widget->palette().color(QPalette::Window).rgba(), *row.background);
        }
    }
    if (row.kind == Kind::Panel && row.background) {
        EXPECT_EQ(widget->palette().color(QPalette::Window).rgba(), *row.background);
    }
    if (const auto *shape = qobject_cast<const Shape *>(widget)) {
        EXPECT_EQ(shape->fillColor(), QColor(255, 255, 255));
        EXPECT_EQ(shape->borderColor(), QColor(192, 192, 192));
        EXPECT_TRUE(shape->testAttribute(Qt::WA_TransparentForMouseEvents));
    }
}

INSTANTIATE_TEST_SUITE_P(frmStep1, ControlTable, ::testing::ValuesIn(kControls),
                         [](const ::testing::TestParamInfo<ControlRow> &info) {
                             return std::string(info.param.name);
                         });

TEST(frmStep1, HasEveryControlOfItsDesignAndNoOtherNamedOnes)
{
    Window w;
    QStringList named;
    for (const QWidget *child : w.form.findChildren<QWidget *>())
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(u"qt_"))
            named.append(child->objectName());
    QStringList designed;
    for (const ControlRow &row : kControls)
        designed.append(QLatin1String(row.name));
    named.sort();
    designed.sort();
    EXPECT_EQ(named, designed);
    // The file dialog is a component, not a widget: it is the one the dialogs offer.
    EXPECT_EQ(&w.form.cdlgFile(), &w.dialogs.openFileDialog());
}

TEST(frmStep1, PutsTheEarlierOfTwoOverlappingControlsInFront)
{
    Window w;
    int overlaps = 0;
    for (int front = 0; front < static_cast<int>(std::size(kControls)); ++front) {
        for (int back = front + 1; back < static_cast<int>(std::size(kControls)); ++back) {
            const QWidget *a = w.control(kControls[front].name);
            const QWidget *b = w.control(kControls[back].name);
            if (a->parentWidget() != b->parentWidget() || !a->geometry().intersects(b->geometry()))
                continue;
            ++overlaps;
            const QObjectList &stack = a->parentWidget()->children();
            EXPECT_GT(stack.indexOf(a), stack.indexOf(b))
                << kControls[front].name << " should lie in front of " << kControls[back].name;
        }
    }
    // ChkFw over ChkRe, ProgressBar1 over Label2, the header labels over Shape2, ...
    EXPECT_GE(overlaps, 8);
}

TEST(frmStep1, HasAFixedClientAreaOf543By503WithTheProgramsCaption)
{
    Window w;
    EXPECT_EQ(w.form.size(), QSize(543, 503));
    EXPECT_EQ(w.form.minimumSize(), QSize(543, 503));
    EXPECT_EQ(w.form.maximumSize(), QSize(543, 503));
    EXPECT_EQ(w.form.windowTitle(), "Brantwell Letterfold");
    EXPECT_FALSE(w.form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(w.form.windowIcon().isNull());
}

TEST(frmStep1, StartsInItsInitialState)
{
    Window w;
    w.showActive();
    FlexGrid *grid = w.form.grdFiles1();
    EXPECT_EQ(grid->Rows(), 1);
    EXPECT_EQ(grid->Cols(), 1);
    EXPECT_EQ(grid->FixedRows(), 0);
    EXPECT_EQ(grid->cellText(0, 0), "");
    EXPECT_EQ(grid->ColWidth(0), 15000);
    EXPECT_EQ(w.form.lblCount1()->text(), "0 files");
    EXPECT_EQ(w.form.LblProgessCurrent()->text(), "Message 0 (of 0)");
    EXPECT_EQ(w.form.ProgressBar1()->Value(), 0.0f);
    EXPECT_EQ(w.form.ProgressBar1()->Min(), 0.0f);
    EXPECT_EQ(w.form.ProgressBar1()->Max(), 100.0f);
    EXPECT_EQ(w.form.selectedScheme(), NamingScheme::OptS);
    for (const NamingSchemeEntry &entry : kNamingSchemes)
        EXPECT_EQ(w.form.option(entry.scheme)->isChecked(), entry.scheme == NamingScheme::OptS);
    EXPECT_FALSE(w.form.removeRe());
    EXPECT_FALSE(w.form.removeFw());
    EXPECT_FALSE(w.form.CmdProcess()->isEnabled());
    for (const char *name : {"cmdAdd", "CmdAddFolder", "cmdClear1", "CmdHelp", "cmdEnd"})
        EXPECT_TRUE(w.control(name)->isEnabled()) << name;
    EXPECT_EQ(w.focused(), "cmdAdd");
}

TEST(frmStep1, SelectingAnOptionClearsTheOtherFive)
{
    Window w;
    for (const NamingSchemeEntry &chosen : kNamingSchemes) {
        QTest::mouseClick(w.form.option(chosen.scheme), Qt::LeftButton, {}, QPoint(6, 12));
        EXPECT_EQ(w.form.selectedScheme(), chosen.scheme);
        int selected = 0;
        for (const NamingSchemeEntry &entry : kNamingSchemes)
            selected += w.form.option(entry.scheme)->isChecked() ? 1 : 0;
        EXPECT_EQ(selected, 1);
    }
}

struct TabCase
{
    const char *name;
    bool processEnabled;
    NamingScheme selected;
    QStringList stops; // from cmdAdd onwards, back to cmdAdd
};

void PrintTo(const TabCase &c, std::ostream *os)
{
    *os << c.name;
}

class TabOrder : public ::testing::TestWithParam<TabCase>
{
};

TEST_P(TabOrder, VisitsTheControlsInTheDesignedOrder)
{
    const TabCase &c = GetParam();
    Window w;
    w.form.CmdProcess()->setEnabled(c.processEnabled);
    w.form.option(c.selected)->setChecked(true);
    w.showActive();
    w.form.cmdAdd()->setFocus();

    QStringList visited;
    for (qsizetype i = 0; i < c.stops.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(w.focused());
    }
    EXPECT_EQ(visited, c.stops);
}

INSTANTIATE_TEST_SUITE_P(
    frmStep1, TabOrder,
    ::testing::Values(TabCase{"SkipsADisabledProcessButton",
                              false,
                              NamingScheme::OptS,
                              {"cmdClear1", "CmdAddFolder", "grdFiles1", "cmdEnd", "CmdHelp",
                               "OptS", "ChkRe", "ChkFw", "cmdAdd"}},
                      TabCase{"StopsAtAnEnabledProcessButton",
                              true,
                              NamingScheme::OptS,
                              {"cmdClear1", "CmdAddFolder", "grdFiles1", "CmdProcess", "cmdEnd",
                               "CmdHelp", "OptS", "ChkRe", "ChkFw", "cmdAdd"}},
                      TabCase{"EntersTheOptionGroupAtItsSelectedButton",
                              false,
                              NamingScheme::OptDS_ymd,
                              {"cmdClear1", "CmdAddFolder", "grdFiles1", "cmdEnd", "CmdHelp",
                               "OptDS_ymd", "ChkRe", "ChkFw", "cmdAdd"}}),
    [](const ::testing::TestParamInfo<TabCase> &info) { return std::string(info.param.name); });

TEST(frmStep1, ArrowKeysMoveThroughTheOptionsInTheirOwnOrderAndSelect)
{
    Window w;
    w.showActive();
    w.form.option(NamingScheme::OptS)->setFocus();
    const QStringList order{"OptSF", "OptSFD_dmy", "OptDS_ymd", "OptDS_mdy", "OptFS", "OptS"};
    for (const auto key : {Qt::Key_Down, Qt::Key_Right}) {
        QStringList visited;
        for (qsizetype i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            visited.append(w.focused());
            EXPECT_TRUE(qobject_cast<QRadioButton *>(QApplication::focusWidget())->isChecked());
        }
        EXPECT_EQ(visited, order);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(w.focused(), "OptFS");
    EXPECT_EQ(w.form.selectedScheme(), NamingScheme::OptFS);
}

// Everything the scripted dialogs were asked, in one list: the open-file dialog,
// folder prompts, message box texts and targets handed to the desktop.
QStringList asked(const FakeDialogs &dialogs)
{
    QStringList all;
    if (dialogs.fileDialog.timesShown() > 0)
        all.append(QStringLiteral("Open files"));
    all += dialogs.folderPrompts;
    for (const MessageBoxCall &box : dialogs.messageBoxes)
        all.append(box.text);
    for (const QString &target : dialogs.openedTargets)
        all.append(QStringLiteral("Open ") + QFileInfo(target).fileName());
    return all;
}

struct KeyCase
{
    const char *name;
    const char *button;
    Qt::Key key;
    QStringList asked;
};

void PrintTo(const KeyCase &c, std::ostream *os)
{
    *os << c.name;
}

class KeyOnButton : public ::testing::TestWithParam<KeyCase>
{
};

TEST_P(KeyOnButton, EnterPressesTheFocusedButtonAndEscapeDoesNothing)
{
    const KeyCase &c = GetParam();
    Window w;
    w.form.fileList().AddFileToList(QStringLiteral("/m/a.eml"));
    w.form.CmdProcess()->setEnabled(true);
    w.dialogs.answers = {Dialogs::Answer::No}; // Clear and Exit: keep everything
    w.showActive();
    QWidget *button = w.control(c.button);
    button->setFocus(Qt::TabFocusReason);

    QTest::keyClick(button, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

    EXPECT_EQ(asked(w.dialogs), c.asked);
    EXPECT_EQ(w.endings, 0);
}

INSTANTIATE_TEST_SUITE_P(
    frmStep1, KeyOnButton,
    ::testing::Values(
        KeyCase{"ReturnOnAddFiles", "cmdAdd", Qt::Key_Return, {"Open files"}},
        KeyCase{"EnterOnAddFiles", "cmdAdd", Qt::Key_Enter, {"Open files"}},
        KeyCase{"ReturnOnAddFolder", "CmdAddFolder", Qt::Key_Return, {"Choose Source Folder..."}},
        KeyCase{"ReturnOnClear",
                "cmdClear1",
                Qt::Key_Return,
                {"Do you want to clear all the files in the list\r\n Proceed?"}},
        KeyCase{"ReturnOnProcess", "CmdProcess", Qt::Key_Return, {"Choose Folder to Save..."}},
        KeyCase{"EnterOnProcess", "CmdProcess", Qt::Key_Enter, {"Choose Folder to Save..."}},
        KeyCase{"ReturnOnHelp", "CmdHelp", Qt::Key_Return, {"Open index.html"}},
        KeyCase{"ReturnOnExit", "cmdEnd", Qt::Key_Return, {"Are you sure you want to exit now?"}},
        KeyCase{"EscapeOnAddFiles", "cmdAdd", Qt::Key_Escape, {}},
        KeyCase{"EscapeOnProcess", "CmdProcess", Qt::Key_Escape, {}},
        KeyCase{"EscapeOnExit", "cmdEnd", Qt::Key_Escape, {}}),
    [](const ::testing::TestParamInfo<KeyCase> &info) { return std::string(info.param.name); });

TEST(frmStep1, AltHOpensTheManualWhereverTheFocusIs)
{
    Window w;
    w.showActive();
    w.form.ChkFw()->setFocus();
    QTest::keyClick(&w.form, Qt::Key_H, Qt::AltModifier);
    // An access key presses the button visibly first, then clicks it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.dialogs.openedTargets.isEmpty(); }));
    ASSERT_EQ(w.dialogs.openedTargets.size(), 1);
    EXPECT_EQ(w.dialogs.openedTargets.first(), shell::manualPath());
    EXPECT_TRUE(QFileInfo(w.dialogs.openedTargets.first()).isFile());
    EXPECT_TRUE(w.dialogs.messageBoxes.empty());
}

TEST(frmStep1, HelpShowsTheManualInAWindowOfItsOwnWhereTheDesktopCannotOpenIt)
{
    Window w;
    w.dialogs.openFails = true;
    w.showActive();
    for (int press = 0; press < 2; ++press) {
        w.form.CmdHelp()->click();
        const auto shown = [&] {
            const auto *manual = w.form.findChild<ManualWindow *>();
            return manual && manual->isVisible();
        };
        ASSERT_TRUE(QTest::qWaitFor(shown));
    }
    EXPECT_EQ(w.dialogs.openedTargets.size(), 2) << "the desktop is tried first every time";
    ASSERT_EQ(w.form.findChildren<ManualWindow *>().size(), 1) << "one window, shown again";
    const ManualWindow *manual = w.form.findChild<ManualWindow *>();
    EXPECT_EQ(manual->browser()->source(), QUrl::fromLocalFile(shell::manualPath()));
    EXPECT_TRUE(manual->browser()->toPlainText().contains("The six naming schemes"));
    EXPECT_TRUE(w.dialogs.messageBoxes.empty());
    EXPECT_FALSE(manual->isModal());
}

TEST(frmStep1, AltXAsksToExitWhereverTheFocusIs)
{
    Window w;
    w.showActive();
    w.form.grdFiles1()->setFocus();
    w.dialogs.answers.push_back(Dialogs::Answer::No);
    QTest::keyClick(&w.form, Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.dialogs.messageBoxes.empty(); }));
    ASSERT_EQ(w.dialogs.messageBoxes.size(), 1u);
    const MessageBoxCall &box = w.dialogs.messageBoxes.front();
    EXPECT_EQ(box.text, "Are you sure you want to exit now?");
    EXPECT_EQ(box.caption, "Brantwell Letterfold");
    EXPECT_EQ(box.buttons, Dialogs::Buttons::YesNo);
    EXPECT_EQ(box.icon, Dialogs::Icon::Question);
    EXPECT_EQ(box.defaultButton, Dialogs::Answer::Yes);
}

TEST(frmStep1, ExitAnsweredNoChangesNothing)
{
    Window w;
    w.showActive();
    w.form.fileList().AddFileToList(QStringLiteral("/m/a.eml"));
    w.form.option(NamingScheme::OptFS)->setChecked(true);
    w.form.ChkRe()->setChecked(true);
    w.dialogs.answers.push_back(Dialogs::Answer::No);

    w.form.cmdEnd()->click();

    EXPECT_EQ(w.endings, 0);
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_EQ(w.form.grdFiles1()->cellText(0, 0), "/m/a.eml");
    EXPECT_EQ(w.form.lblCount1()->text(), "1 files");
    EXPECT_EQ(w.form.selectedScheme(), NamingScheme::OptFS);
    EXPECT_TRUE(w.form.removeRe());
}

TEST(frmStep1, ExitAnsweredYesEndsTheProgramWithoutASecondQuestion)
{
    Window w;
    w.showActive();
    w.dialogs.answers.push_back(Dialogs::Answer::Yes);
    w.form.cmdEnd()->click();
    EXPECT_EQ(w.endings, 1);
    EXPECT_EQ(w.dialogs.messageBoxes.size(), 1u);
    EXPECT_FALSE(w.form.isVisible());
}

TEST(frmStep1, ClosingTheWindowEndsTheProgramWithoutAQuestion)
{
    Window w;
    w.showActive();
    w.form.fileList().AddFileToList(QStringLiteral("/m/a.eml"));
    EXPECT_TRUE(w.form.close());
    EXPECT_EQ(w.endings, 1);
    EXPECT_TRUE(w.dialogs.messageBoxes.empty());
}

TEST(frmStep1DeathTest, ClosingWhileACommandYieldsEndsTheProcessBeforeItsNextStep)
{
    // The real ending, in a fresh copy of this test program: a long command gives
    // the window turns, the window is closed in one of them, and the command must
    // not take another step.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FakeDialogs dialogs;
            frmStep1 form(&dialogs);
            form.show();
            QTimer::singleShot(0, &form, [&form] { form.close(); });
            for (int step = 0; step < 100; ++step)
                form.fileList().AddFileToList(QStringLiteral("/m/%1.eml").arg(step));
            std::fputs("the command carried on after the window closed\n", stderr);
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(frmStep1, ClosingWhileACommandYieldsCallsTheEndingInThatTurn)
{
    Window w;
    w.showActive();
    QTimer::singleShot(0, &w.form, [&w] { w.form.close(); });
    w.form.fileList().AddFileToList(QStringLiteral("/m/a.eml"));
    EXPECT_EQ(w.endings, 1);
}

TEST(frmStep1, ClearKeepsAnEnabledProcessButtonEnabled)
{
    Window w;
    w.dialogs.fileDialog.answer(QStringLiteral("/m/a.eml"));
    w.form.cmdAdd()->click();
    ASSERT_TRUE(w.form.CmdProcess()->isEnabled());

    w.dialogs.answers.push_back(Dialogs::Answer::Yes);
    w.form.cmdClear1()->click();

    EXPECT_EQ(w.form.lblCount1()->text(), "0 files");
    EXPECT_EQ(w.form.grdFiles1()->cellText(0, 0), "");
    EXPECT_TRUE(w.form.CmdProcess()->isEnabled());
}

TEST(frmStep1, AddFilesFillsTheGridAndEnablesProcess)
{
    Window w;
    w.dialogs.fileDialog.answer(FakeCommonDialog::classic(
        QStringLiteral("/home/ann/Mail"), {QStringLiteral("a.eml"), QStringLiteral("b.emlx")}));
    w.form.cmdAdd()->click();
    EXPECT_EQ(w.form.grdFiles1()->Rows(), 2);
    EXPECT_EQ(w.form.grdFiles1()->cellText(0, 0), "/home/ann/Mail/a.eml");
    EXPECT_EQ(w.form.grdFiles1()->cellText(1, 0), "/home/ann/Mail/b.emlx");
    EXPECT_EQ(w.form.lblCount1()->text(), "2 files");
    EXPECT_TRUE(w.form.CmdProcess()->isEnabled());
}

TEST(frmStep1, AddFolderAppendsTheMessagesOfTheChosenFolderAndEnablesProcess)
{
    TempTree tree;
    tree.files({"a.eml", "notes.txt", "sub/b.emlx"});
    Window w;
    w.form.fileList().AddFileToList(QStringLiteral("/old/x.eml"));
    w.dialogs.folders.push_back(tree.root());

    w.form.CmdAddFolder()->click();

    EXPECT_EQ(w.dialogs.folderPrompts, QStringList{"Choose Source Folder..."});
    EXPECT_EQ(w.form.grdFiles1()->Rows(), 3);
    EXPECT_EQ(w.form.grdFiles1()->cellText(1, 0), tree.path("a.eml"));
    EXPECT_EQ(w.form.grdFiles1()->cellText(2, 0), tree.path("sub/b.emlx"));
    EXPECT_EQ(w.form.lblCount1()->text(), "3 files");
    EXPECT_TRUE(w.form.CmdProcess()->isEnabled());
    ASSERT_EQ(w.dialogs.messageBoxes.size(), 1u);
    EXPECT_EQ(w.dialogs.messageBoxes.front().text, "2 Files Added to List.");
    EXPECT_EQ(w.dialogs.pointers,
              (std::vector<Dialogs::Pointer>{Dialogs::Pointer::Busy, Dialogs::Pointer::Default}));
}

TEST(frmStep1, FilesAndFoldersDroppedOnTheGridAreAppendedLikeAddFolder)
{
    TempTree tree;
    tree.files({"x.eml", "y.txt", "F/a.eml", "F/b.txt"});
    Window w;
    w.showActive();

    const DragOutcome drag =
        dragOnto(w.form.grdFiles1()->viewport(),
                 {QUrl::fromLocalFile(tree.path("F")), QUrl::fromLocalFile(tree.path("y.txt")),
                  QUrl::fromLocalFile(tree.path("x.eml"))});
    ASSERT_TRUE(drag.entered);
    EXPECT_EQ(drag.enterAction, Qt::CopyAction);
    EXPECT_TRUE(drag.moved);
    EXPECT_TRUE(drag.dropped);
    EXPECT_EQ(drag.dropAction, Qt::CopyAction);
    QApplication::processEvents();

    EXPECT_EQ(w.form.grdFiles1()->Rows(), 2);
    EXPECT_EQ(w.form.grdFiles1()->cellText(0, 0), tree.path("F/a.eml"));
    EXPECT_EQ(w.form.grdFiles1()->cellText(1, 0), tree.path("x.eml"));
    EXPECT_EQ(w.form.lblCount1()->text(), "2 files");
    EXPECT_TRUE(w.form.CmdProcess()->isEnabled());
    ASSERT_EQ(w.dialogs.messageBoxes.size(), 1u);
    EXPECT_EQ(w.dialogs.messageBoxes.front().text, "2 Files Added to List.");
}

TEST(frmStep1, CommandsPressedDuringAnAddFolderDoNotStart)
{
    // Regression guard: Clear pressed while Add folder listed a large tree
    // emptied the list half way, so the label and the closing box disagreed; a
    // drop or a second Add folder nested inside the first.
    TempTree tree;
    QByteArrayList names;
    for (int i = 0; i < 300; ++i)
        names.append(QByteArray("M/") + QByteArray::number(i) + ".eml");
    tree.files(names);
    tree.file("late.eml");
    Window w;
    w.showActive();
    w.form.fileList().AddFileToList(QStringLiteral("/old/x.eml"));
    w.form.CmdProcess()->setEnabled(true);
    w.dialogs.folders.push_back(tree.path("M"));
    w.dialogs.folders.push_back(tree.root()); // for an Add folder that must not start

    // Presses every command once the listing is under way: the first row Add
    // folder appends reaches the view at once.
    int presses = 0;
    QObject::connect(w.form.grdFiles1()->model(), &QAbstractItemModel::rowsInserted, &w.form, [&] {
        if (!w.form.isCommandUnderWay() || presses++ > 0)
            return;
        w.form.cmdClear1()->click();
        w.form.cmdAdd()->click();
        w.form.CmdAddFolder()->click();
        w.form.CmdProcess()->click();
        EXPECT_FALSE(
            dragOnto(w.form.grdFiles1()->viewport(), {QUrl::fromLocalFile(tree.path("late.eml"))})
                .entered);
    });

    w.form.CmdAddFolder()->click();

    ASSERT_EQ(presses, 1) << "no row reached the view during Add folder";
    EXPECT_EQ(w.dialogs.folderPrompts, QStringList{"Choose Source Folder..."});
    EXPECT_EQ(w.dialogs.fileDialog.timesShown(), 0);
    EXPECT_EQ(w.form.grdFiles1()->Rows(), 301);
    EXPECT_EQ(w.form.grdFiles1()->cellText(0, 0), "/old/x.eml");
    EXPECT_EQ(w.form.lblCount1()->text(), "301 files");
    ASSERT_EQ(w.dialogs.messageBoxes.size(), 1u);
    EXPECT_EQ(w.dialogs.messageBoxes.front().text, "300 Files Added to List.");
    EXPECT_EQ(w.dialogs.pointers,
              (std::vector<Dialogs::Pointer>{Dialogs::Pointer::Busy, Dialogs::Pointer::Default}));
    EXPECT_FALSE(w.form.isCommandUnderWay());

    // Once it is over, the commands work again.
    EXPECT_TRUE(
        dragOnto(w.form.grdFiles1()->viewport(), {QUrl::fromLocalFile(tree.path("late.eml"))})
            .dropped);
    QApplication::processEvents();
    EXPECT_EQ(w.form.grdFiles1()->Rows(), 302);
}

TEST(frmStep1, TheGridRefusesADragOfOtherFiles)
{
    TempTree tree;
    tree.file("notes.txt");
    Window w;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(tree.path("notes.txt"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.form.grdFiles1()->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST(frmStep1, ProcessClickRunsItsHandlerOnlyWhenEnabled)
{
    Window w;
    int runs = 0;
    w.form.setProcessHandler([&] { ++runs; });
    QTest::mouseClick(w.form.CmdProcess(), Qt::LeftButton);
    EXPECT_EQ(runs, 0);
    w.form.CmdProcess()->setEnabled(true);
    QTest::mouseClick(w.form.CmdProcess(), Qt::LeftButton);
    EXPECT_EQ(runs, 1);
}

TEST(frmStep1, RendersToAScreenshotOfItsClientSize)
{
    shell::registerFonts(); // as the program does at start-up
    Window w;
    w.form.fileList().AddFileToList(QStringLiteral("/home/ann/Mail/Inbox/Quarterly report.eml"));
    w.form.fileList().AddFileToList(QStringLiteral("/home/ann/Mail/Inbox/Re Lunch on Friday.emlx"));
    w.showActive();
    const QImage shot = w.form.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(543, 503) * shot.devicePixelRatio());
    const QString path =
        QDir(QStringLiteral(LETTERFOLD_TEST_OUTPUT_DIR)).filePath(QStringLiteral("frmStep1.png"));
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
}
