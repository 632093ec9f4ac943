// SPDX-License-Identifier: MIT
#include "frmstep1.h"

#include "addfiles.h"
#include "addfolder.h"
#include "appearance.h"
#include "applicationtitle.h"
#include "commandbutton.h"
#include "conversionrun.h"
#include "droppedpaths.h"
#include "filedroptarget.h"
#include "flexgrid.h"
#include "label.h"
#include "manual.h"
#include "manualwindow.h"
#include "progressbar.h"
#include "qtdialogs.h"
#include "runsummary.h"
#include "shape.h"
#include "windowhost.h"

#include <cstdio>
#include <cstdlib>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPixmap>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <vector>

namespace {

constexpr int kTwipsPerPixel = 15;

// The order the arrow keys move through the option group.
constexpr std::array<NamingScheme, 6> kArrowOrder = {
    NamingScheme::OptS,      NamingScheme::OptSF,     NamingScheme::OptSFD_dmy,
    NamingScheme::OptDS_ymd, NamingScheme::OptDS_mdy, NamingScheme::OptFS,
};

QRect twips(int left, int top, int width, int height)
{
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

QFont tahoma()
{
    return shell::controlFont(QStringLiteral("Tahoma"), 8.25);
}

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kBandOutline(192, 192, 192);

void setColours(QWidget *widget, const QColor &text, const QColor &background)
{
    QPalette colours = widget->palette();
    if (text.isValid())
        colours.setColor(QPalette::WindowText, text);
    if (background.isValid()) {
        colours.setColor(QPalette::Window, background);
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(colours);
}

void endProcessNow()
{
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

} // namespace

frmStep1::frmStep1(Dialogs *dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_dialogs(dialogs), m_endProgram(endProcessNow)
{
    shell::ensureResources();
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<QtDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }

    setObjectName(QStringLiteral("frmStep1"));
    setWindowTitle(sourcelist::applicationTitle());
    setWindowIcon(shell::applicationIcon());
    // The window's own face, used by the two labels without a font of their own.
    setFont(shell::controlFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(kClientWidth, kClientHeight);

    buildControls();
    arrangeFocus();

    m_fileList = std::make_unique<FileList>(*m_grdFiles1, *m_lblCount1);
    m_fileList->load();

    new FileDropTarget(
        m_grdFiles1->viewport(),
        [this](const QList<QUrl> &urls) {
            startCommand([this, &urls] {
                sourcelist::addDroppedPaths(*m_fileList, *m_dialogs, *m_CmdProcess,
                                            sourcelist::droppedPaths(urls));
            });
        },
        [this] { return !m_commandUnderWay; });

    m_windowHost = std::make_unique<WindowHost>(*this);
    m_conversionRun = std::make_unique<ConversionRun>(*m_windowHost);
    m_processHandler = [this] {
        // Asking where to put the copies of nothing would mislead; the answer
        // is the one a run over no message gives.
        if (!listHasMessages()) {
            const RunSummary none;
            m_windowHost->showSummary(none);
            return;
        }
        m_conversionRun->run();
    };

    connect(m_cmdAdd, &QPushButton::clicked, this, &frmStep1::addFilesClicked);
    connect(m_cmdClear1, &QPushButton::clicked, this, &frmStep1::clearClicked);
    connect(m_cmdEnd, &QPushButton::clicked, this, &frmStep1::exitClicked);
    connect(m_CmdHelp, &QPushButton::clicked, this, &frmStep1::helpClicked);
    connect(m_CmdProcess, &QPushButton::clicked, this, [this] { startCommand(m_processHandler); });
    connect(m_CmdAddFolder, &QPushButton::clicked, this, &frmStep1::addFolderClicked);

    centreOnScreen();
}

frmStep1::~frmStep1() = default;

void frmStep1::buildControls()
{
    // Built in the order of the window's design, front to back; the stacking
    // order is applied at the end.
    std::vector<QWidget *> frontToBack;
    const auto place = [&frontToBack](QWidget *widget, const char *name, const QRect &geometry) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(geometry);
        frontToBack.push_back(widget);
    };
    const auto checkBox = [&](const char *name, const QString &text, const QRect &geometry) {
        auto *box = new QCheckBox(text, this);
        place(box, name, geometry);
        box->setFont(tahoma());
        box->setAutoFillBackground(true);
        return box;
    };
    const auto button = [&](QWidget *parent, const char *name, const QString &text,
                            const QRect &geometry) {
        auto *push = new CommandButton(parent);
        push->setText(text);
        place(push, name, geometry);
        push->setFont(tahoma());
        // Enter presses the focused button, as Space does; outside a dialog
        // Qt does that only for auto-default buttons.
        push->setAutoDefault(true);
        return push;
    };
    const auto label = [&](const char *name, const QString &text, const QRect &geometry) {
        auto *line = new Label(this);
        line->setText(text);
        line->setTextFormat(Qt::PlainText);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        line->setWordWrap(false);
        place(line, name, geometry);
        return line;
    };

    m_ChkFw = checkBox("ChkFw", QStringLiteral("Remove Fw: "), twips(1920, 5880, 3015, 255));
    m_ChkRe = checkBox("ChkRe", QStringLiteral("Remove Re: "), twips(240, 5880, 3015, 255));

    m_Frame1 = new QGroupBox(QStringLiteral(" EML Naming Options "), this);
    place(m_Frame1, "Frame1", twips(240, 4560, 7695, 1215));
    m_Frame1->setFont(shell::controlFont(QStringLiteral("Verdana"), 8.25));

    // The panel and its options let the frame show through: painted over, the
    // frame's own background and top border would read as a box in a box.
    m_Picture1 = new QWidget(m_Frame1);
    place(m_Picture1, "Picture1", twips(120, 240, 7455, 855));

    // The option buttons in the order of the window's design, each where it
    // stands; names and captions come from the scheme table.
    const struct
    {
        NamingScheme scheme;
        QRect geometry;
    } optionsFrontToBack[] = {
        {NamingScheme::OptFS, twips(1920, 0, 2895, 375)},
        {NamingScheme::OptDS_mdy, twips(4920, 360, 2895, 375)},
        {NamingScheme::OptDS_ymd, twips(4920, 0, 2895, 375)},
        {NamingScheme::OptSFD_dmy, twips(1920, 360, 2895, 375)},
        {NamingScheme::OptSF, twips(0, 360, 2895, 375)},
        {NamingScheme::OptS, twips(0, 0, 2895, 375)},
    };
    for (const auto &[scheme, geometry] : optionsFrontToBack) {
        const NamingSchemeEntry &entry = NamingSchemeEntry::of(scheme);
        auto *choice = new QRadioButton(QString::fromUtf16(entry.caption), m_Picture1);
        place(choice, entry.optionName, geometry);
        choice->setFont(tahoma());
        m_options[static_cast<std::size_t>(scheme)] = choice;
    }
    for (std::size_t i = 0; i < kArrowOrder.size(); ++i)
        m_optionsInArrowOrder[i] = option(kArrowOrder[i]);

    m_Picture3 = new QWidget(this);
    place(m_Picture3, "Picture3", twips(120, 7080, 7935, 495));
    setColours(m_Picture3, {}, kWhite);

    m_CmdHelp =
        button(m_Picture3, "CmdHelp", QStringLiteral("&Help Manual"), twips(0, 0, 1695, 375));
    m_cmdEnd = button(m_Picture3, "cmdEnd", QStringLiteral("E&xit"), twips(6480, 0, 1335, 375));
    m_CmdProcess =
        button(this, "CmdProcess", QStringLiteral("Process"), twips(2760, 6360, 2655, 435));
    m_CmdAddFolder =
        button(this, "CmdAddFolder", QStringLiteral("Add Folder having EML File(s)..."),
               twips(2400, 960, 2775, 375));
    m_cmdClear1 =
        button(this, "cmdClear1", QStringLiteral("Clear File(s)..."), twips(6240, 960, 1695, 375));
    m_cmdAdd =
        button(this, "cmdAdd", QStringLiteral("Add EML File(s)..."), twips(240, 960, 1815, 375));

    m_grdFiles1 = new FlexGrid(this);
    place(m_grdFiles1, "grdFiles1", twips(240, 1800, 7695, 1575));
    m_grdFiles1->setFont(tahoma());

    m_ProgressBar1 = new ProgressBar(this);
    place(m_ProgressBar1, "ProgressBar1", twips(1920, 4080, 6015, 255));

    auto *image1 = new QLabel(this);
    place(image1, "Image1", twips(240, 3720, 240, 240));
    image1->setPixmap(QPixmap(QStringLiteral(":/letterfold/image1.png")));

    label("Label2", QStringLiteral("Conversion Progress : "), twips(240, 4080, 1695, 255));
    m_LblProgessCurrent =
        label("LblProgessCurrent", QStringLiteral("Message 0 (of 0)"), twips(600, 3720, 7335, 255));
    setColours(m_LblProgessCurrent, kBlack, {});
    label("Label4", QStringLiteral("Converting Messages..."), twips(240, 3480, 2535, 255))
        ->setFont(tahoma());

    Label *copyright = label("lblCopyright",
                             QStringLiteral("Copyright \u00A9 2026 Brantwell Inc. "
                                            "All rights reserved."),
                             twips(240, 480, 6135, 255));
    copyright->setFont(tahoma());
    setColours(copyright, kBlack, kWhite);

    Label *title = label("lblTitle", sourcelist::applicationTitle(), twips(240, 120, 7695, 375));
    title->setFont(shell::controlFont(QStringLiteral("Tahoma"), 14.25, QFont::Bold));
    setColours(title, kBlack, kWhite);

    auto *footer = new Shape(this);
    place(footer, "Shape1", twips(-120, 6960, 8415, 855));
    footer->setFillColor(kWhite);
    footer->setBorderColor(kBandOutline);

    m_lblCount1 = label("lblCount1", QStringLiteral("0 files"), twips(270, 1560, 7695, 255));
    m_lblCount1->setFont(tahoma());
    m_lblCount1->setAutoFillBackground(true);

    auto *header = new Shape(this);
    place(header, "Shape2", twips(-120, 0, 8415, 855));
    header->setFillColor(kWhite);
    header->setBorderColor(kBandOutline);

    // Raising from the back of the list to its front leaves the first-listed
    // control on top among its siblings.
    for (auto it = frontToBack.rbegin(); it != frontToBack.rend(); ++it)
        (*it)->raise();

    option(NamingScheme::OptS)->setChecked(true);
    m_CmdProcess->setEnabled(false);
}

void frmStep1::arrangeFocus()
{
    for (QWidget *widget : {static_cast<QWidget *>(m_Frame1), m_Picture1, m_Picture3})
        widget->setFocusPolicy(Qt::NoFocus);

    // The option group is one Tab stop, at its selected button: the others take
    // the focus by click or by arrow key only.
    const auto tabStopAtSelected = [this] {
        for (QRadioButton *choice : m_optionsInArrowOrder)
            choice->setFocusPolicy(choice->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    };
    for (QRadioButton *choice : m_optionsInArrowOrder) {
        choice->installEventFilter(this);
        connect(choice, &QRadioButton::toggled, this, tabStopAtSelected);
    }
    tabStopAtSelected();

    std::vector<QWidget *> order{m_cmdAdd,     m_cmdClear1, m_CmdAddFolder, m_grdFiles1,
                                 m_CmdProcess, m_cmdEnd,    m_CmdHelp};
    order.insert(order.end(), m_optionsInArrowOrder.begin(), m_optionsInArrowOrder.end());
    order.push_back(m_ChkRe);
    order.push_back(m_ChkFw);
    for (size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    m_cmdAdd->setFocus();
}

void frmStep1::centreOnScreen()
{
    if (const QScreen *where = screen()) {
        const QRect area = where->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

NamingScheme frmStep1::selectedScheme() const
{
    for (const NamingSchemeEntry &entry : kNamingSchemes)
        if (option(entry.scheme)->isChecked())
            return entry.scheme;
    return NamingScheme::OptS;
}

QRadioButton *frmStep1::option(NamingScheme scheme) const
{
    return m_options[static_cast<std::size_t>(scheme)];
}

bool frmStep1::removeRe() const
{
    return m_ChkRe->isChecked();
}

bool frmStep1::removeFw() const
{
    return m_ChkFw->isChecked();
}

void frmStep1::closeEvent(QCloseEvent *event)
{
    // Whatever closes the window ends the program; there is no question and no
    // way back.
    event->accept();
    if (m_endProgram)
        m_endProgram();
}

bool frmStep1::eventFilter(QObject *watched, QEvent *event)
{
    // Arrow keys move through the option group in its own order, not by
    // position, and select the button they reach.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        int step = 0;
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right)
            step = 1;
        else if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left)
            step = -1;
        if (step != 0 && key->modifiers() == Qt::NoModifier) {
            const auto count = static_cast<int>(m_optionsInArrowOrder.size());
            for (int i = 0; i < count; ++i) {
                if (m_optionsInArrowOrder[static_cast<size_t>(i)] != watched)
                    continue;
                QRadioButton *next =
                    m_optionsInArrowOrder[static_cast<size_t>((i + step + count) % count)];
                next->setChecked(true);
                next->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool frmStep1::listHasMessages() const
{
    for (int row = 0; row < m_grdFiles1->Rows(); ++row)
        if (!m_grdFiles1->cellText(row, 0).trimmed().isEmpty())
            return true;
    return false;
}

void frmStep1::startCommand(Handler command)
{
    if (m_commandUnderWay || !command)
        return;
    m_commandUnderWay = true;
    // The commands trap their own errors, but the flag must not outlive one
    // that escapes all the same.
    const auto done = qScopeGuard([this] { m_commandUnderWay = false; });
    command();
}

void frmStep1::addFilesClicked()
{
    startCommand([this] { sourcelist::addFiles(*m_fileList, *m_dialogs, *m_CmdProcess); });
}

void frmStep1::addFolderClicked()
{
    startCommand([this] { sourcelist::addFolder(*m_fileList, *m_dialogs, *m_CmdProcess); });
}

void frmStep1::clearClicked()
{
    startCommand([this] { m_fileList->clearCommand(*m_dialogs); });
}

void frmStep1::exitClicked()
{
    const auto answer = m_dialogs->messageBox(
        QStringLiteral("Are you sure you want to exit now?"), sourcelist::applicationTitle(),
        Dialogs::Buttons::YesNo, Dialogs::Icon::Question, Dialogs::Answer::Yes);
    if (answer == Dialogs::Answer::Yes)
        close();
}

void frmStep1::helpClicked()
{
    // The desktop's browser first, where links and search work as the user is
    // used to; the program's own window where the desktop cannot open it.
    const QString manual = shell::manualPath();
    if (manual.isEmpty()) {
        showManualWindow();
        return;
    }
    m_dialogs->shellOpen(manual, [this] { showManualWindow(); });
}

void frmStep1::showManualWindow()
{
    if (!m_manualWindow)
        m_manualWindow = new ManualWindow(this);
    m_manualWindow->showPage(shell::manualPage());
}
