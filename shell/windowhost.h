// SPDX-License-Identifier: MIT
#pragma once

#include "conversionhost.h"
#include "yield.h"

#include <optional>
#include <QString>

class frmStep1;

// The conversion run's host in the window: the list is grdFiles1, the options are
// the window's option buttons and check boxes as they stand at each message, the
// destination is asked with the folder browser, progress shows on ProgressBar1
// (a percentage of 0..100) and LblProgessCurrent ("Message i (of n)", counting
// rows), and the summary in a message box.
//
// A run yields several times for every message, and rows may follow each other
// far faster than the screen refreshes. So a yield gives the window a real turn
// (its pending events processed) at most once every kTurnIntervalMs and returns at
// once otherwise (yielding::throttledYield), and the progress bar and line are
// updated at those turns only: the bar repaints itself the moment its value
// changes, which must not happen for every row. The grid's current row, whose move
// costs a selection change and a scroll, follows the run at those turns too.
class WindowHost final : public ConversionHost
{
public:
    // Shortest time between two turns the window is given during a run: the
    // spacing of the window's other long commands.
    static constexpr int kTurnIntervalMs = yielding::kTurnIntervalMs;

    // The window must outlive the host. turn: what every yield does once the
    // latest progress is on the controls; tests pass one to act between two
    // steps of a run. Empty: the spaced turns described above.
    explicit WindowHost(frmStep1 &window, YieldFunction turn = {});

    int rowCount() const override;
    QString rowText(int row) const override;
    // The grid's current cell and selection move to (row, 0) at the window's next
    // turn (or the summary). A row that no longer exists by then is not shown.
    void rowStarted(int row) override;
    RunOptions options() const override;
    // The folder browser with the prompt "Choose Folder to Save..."; "" on cancel.
    QString askDestination() override;
    void yield() override;
    // The bar's percentage and the line "Message i (of n)", i the row last
    // started plus one and n the rows now; kept until the window's next turn (or
    // the summary), then shown.
    void progress(double fraction) override;
    // The window shows no per-message line: the summary lists what was not converted.
    void reportMessage(const MessageReport &report) override;
    // Puts the last progress on the controls, then shows a box captioned
    // "Letterfold" with one OK button: summary.text() with the information icon
    // when every message was converted; otherwise, with the exclamation icon, the
    // headline and how many were not converted, and every one of them with its
    // reason in the box's details (text()'s own list stops after a few).
    void showSummary(const RunSummary &summary) override;

    // Puts the latest progress value and text on the controls, and moves the
    // grid's current cell to the run's row, if they changed.
    void showProgress();

private:
    frmStep1 &m_window;
    YieldFunction m_turn;
    YieldFunction m_spacedTurn;
    int m_currentRow = -1;
    std::optional<int> m_pendingRow;
    std::optional<float> m_pendingValue;
    std::optional<QString> m_pendingText;
};
