// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs.h"
#include "filelist.h"
#include "namingscheme.h"

#include <array>
#include <functional>
#include <memory>
#include <QPointer>
#include <QWidget>

class CommandButton;
class ConversionRun;
class FlexGrid;
class Label;
class ManualWindow;
class ProgressBar;
class QCheckBox;
class QGroupBox;
class QRadioButton;
class Shape;
class WindowHost;

// The program's one window. Its controls are laid out at fixed positions in a
// client area of 543 x 503 pixels that cannot be resized; each control's
// objectName is its name (cmdAdd, grdFiles1, OptS, ...). Where controls overlap,
// the one listed first in the window's design lies in front.
//
// The push buttons are the entries into the program: cmdAdd (Add files),
// cmdClear1 (Clear), CmdAddFolder (Add folder), CmdProcess (the conversion
// run over this window), CmdHelp (opens the bundled manual in the desktop's
// browser, or in a ManualWindow of the program's own where the desktop cannot
// open it, without a message) and cmdEnd (Exit, after a confirmation). Files and folders dropped on
// grdFiles1 are appended as Add folder appends. Closing the window by any means ends the program at
// once.
//
// One command at a time: while Add files, Add folder, Clear, Process or a drop
// is under way (it yields to the window, so the buttons stay live), pressing
// one of those buttons or dropping files does nothing. Nothing is shown
// disabled; the command just does not start. Exit, closing the window and Help
// Manual always work. The run relies on the list not changing under it.
//
// Every question and outside call goes through the Dialogs given at
// construction; without one, the window makes and owns a QtDialogs.
class frmStep1 : public QWidget
{
    Q_OBJECT

public:
    using Handler = std::function<void()>;

    static constexpr int kClientWidth = 543;
    static constexpr int kClientHeight = 503;

    explicit frmStep1(Dialogs *dialogs = nullptr, QWidget *parent = nullptr);
    ~frmStep1() override;

    // What a command or a conversion run works with.
    [[nodiscard]] Dialogs &dialogs() const { return *m_dialogs; }
    [[nodiscard]] FileList &fileList() { return *m_fileList; }
    [[nodiscard]] CommonDialogControl &cdlgFile() const { return m_dialogs->openFileDialog(); }
    // The option selected now: exactly one of the six is always selected.
    [[nodiscard]] NamingScheme selectedScheme() const;
    // Whether "Remove Re: " and "Remove Fw: " are ticked now.
    [[nodiscard]] bool removeRe() const;
    [[nodiscard]] bool removeFw() const;

    // Runs when CmdProcess is clicked (it is only clickable when enabled). It
    // starts conversionRun() unless another handler is set; an empty one makes
    // the click do nothing. When no row holds more than white space, the run
    // does not start: the box of a run over no message ("No messages to
    // convert.") shows at once, before any destination is asked, and the
    // progress bar and line stay as they were.
    void setProcessHandler(Handler handler) { m_processHandler = std::move(handler); }
    // The window's conversion run, over a WindowHost of this window. Clicking
    // CmdProcess while it yields does nothing.
    [[nodiscard]] ConversionRun &conversionRun() const { return *m_conversionRun; }
    // True while one of the list commands or Process is under way.
    [[nodiscard]] bool isCommandUnderWay() const { return m_commandUnderWay; }

    // Ends the program when the window closes. The default flushes standard
    // output and ends the process at once with status 0 (std::_Exit), so that
    // no handler, and no long command that was yielding when the window closed,
    // runs on: nothing runs after the window is gone. That loses nothing: the
    // window only closes while a command yields, and a command yields only
    // between whole steps (a copy is complete or absent by then). Tests set a
    // hook that records the call instead.
    void setEndProgramHook(Handler hook) { m_endProgram = std::move(hook); }

    // The controls, by their names.
    [[nodiscard]] CommandButton *cmdAdd() const { return m_cmdAdd; }
    [[nodiscard]] CommandButton *CmdAddFolder() const { return m_CmdAddFolder; }
    [[nodiscard]] CommandButton *cmdClear1() const { return m_cmdClear1; }
    [[nodiscard]] CommandButton *CmdProcess() const { return m_CmdProcess; }
    [[nodiscard]] CommandButton *CmdHelp() const { return m_CmdHelp; }
    [[nodiscard]] CommandButton *cmdEnd() const { return m_cmdEnd; }
    [[nodiscard]] QCheckBox *ChkRe() const { return m_ChkRe; }
    [[nodiscard]] QCheckBox *ChkFw() const { return m_ChkFw; }
    // In the order of the scheme they pick (NamingScheme's order).
    [[nodiscard]] QRadioButton *option(NamingScheme scheme) const;
    [[nodiscard]] FlexGrid *grdFiles1() const { return m_grdFiles1; }
    [[nodiscard]] ProgressBar *ProgressBar1() const { return m_ProgressBar1; }
    [[nodiscard]] Label *lblCount1() const { return m_lblCount1; }
    [[nodiscard]] Label *LblProgessCurrent() const { return m_LblProgessCurrent; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void arrangeFocus();
    void centreOnScreen();

    [[nodiscard]] bool listHasMessages() const;
    // Runs command unless another is under way (see the class comment).
    void startCommand(Handler command);

    void addFilesClicked();
    void addFolderClicked();
    void clearClicked();
    void exitClicked();
    void helpClicked();
    void showManualWindow();

    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs *m_dialogs;

    CommandButton *m_cmdAdd = nullptr;
    CommandButton *m_CmdAddFolder = nullptr;
    CommandButton *m_cmdClear1 = nullptr;
    CommandButton *m_CmdProcess = nullptr;
    CommandButton *m_CmdHelp = nullptr;
    CommandButton *m_cmdEnd = nullptr;
    QCheckBox *m_ChkRe = nullptr;
    QCheckBox *m_ChkFw = nullptr;
    QGroupBox *m_Frame1 = nullptr;
    QWidget *m_Picture1 = nullptr;
    QWidget *m_Picture3 = nullptr;
    // The option buttons in NamingScheme's order, and in the order the arrow
    // keys move through them.
    std::array<QRadioButton *, 6> m_options{};
    std::array<QRadioButton *, 6> m_optionsInArrowOrder{};
    FlexGrid *m_grdFiles1 = nullptr;
    ProgressBar *m_ProgressBar1 = nullptr;
    Label *m_lblCount1 = nullptr;
    Label *m_LblProgessCurrent = nullptr;

    std::unique_ptr<FileList> m_fileList;
    QPointer<ManualWindow> m_manualWindow;
    std::unique_ptr<WindowHost> m_windowHost;
    std::unique_ptr<ConversionRun> m_conversionRun;
    Handler m_processHandler;
    Handler m_endProgram;
    bool m_commandUnderWay = false;
};
