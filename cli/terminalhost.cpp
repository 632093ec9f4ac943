// SPDX-License-Identifier: MIT
#include "terminalhost.h"

#include "conversionrun.h"
#include "rawnames.h"
#include "registry.h"

#include <algorithm>
#include <cmath>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {
constexpr int kBarWidth = 30;
// The longest status ("unchanged") and two spaces.
constexpr int kStatusWidth = 11;

// A line as a terminal can show it without obeying it.
QString shown(const QString &line)
{
    return rawnames::visible(line.toUtf8());
}
} // namespace

TerminalHost::TerminalHost(const Settings &settings, const QStringList &rows, QTextStream &out,
                           QTextStream &err)
    : m_settings(settings), m_rows(rows), m_out(out), m_err(err)
{}

int TerminalHost::rowCount() const
{
    return static_cast<int>(m_rows.size());
}

QString TerminalHost::rowText(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row] : QString();
}

QString TerminalHost::rowRoot(int row) const
{
    return m_settings.roots.value(row);
}

void TerminalHost::rowStarted(int row)
{
    m_current = row;
}

RunOptions TerminalHost::options() const
{
    return m_settings.options;
}

QString TerminalHost::askDestination()
{
    return m_settings.destination;
}

void TerminalHost::yield() {}

void TerminalHost::progress(double fraction)
{
    if (!m_settings.progressBar)
        return;
    // A mailbox moves the bar many times a percent; a terminal is drawn on
    // only when what it shows changes.
    const QString line = progressLine(conversion::progressPercent(fraction),
                                      conversion::progressText(m_current + 1, rowCount()));
    if (m_barShown && line == m_barLine)
        return;
    m_err << '\r' << line << "\x1b[K";
    m_err.flush();
    m_barShown = true;
    m_barLine = line;
}

void TerminalHost::reportMessage(const MessageReport &report)
{
    clearProgress();
    if (m_settings.manifest && !m_manifestFailed) {
        if (const Outcome<void> recorded = m_settings.manifest->record(report); !recorded) {
            m_manifestFailed = true;
            m_err << "letterfold-cli: " << recorded.reason() << '\n';
            m_err.flush();
        }
    }
    if (m_settings.json) {
        m_out << jsonLine(report) << '\n';
        m_out.flush();
    } else if (m_settings.table) {
        if (!m_tableStarted)
            m_out << tableHeader(m_settings.destination) << '\n';
        m_tableStarted = true;
        m_out << tableLine(report, m_settings.destination) << '\n';
        m_out.flush();
    } else if (report.converted()) {
        m_out << report.label() << " -> " << report.target;
        for (const QString *remark : {&report.reason, &report.note}) {
            if (!remark->isEmpty())
                m_out << " (" << *remark << ')';
        }
        m_out << '\n';
        m_out.flush();
    } else if (report.status == MessageStatus::Skipped) {
        // Left alone on purpose (a copy from an earlier run), which is no
        // error: standard error stays for what went wrong.
        m_out << report.label() << ": " << report.reason << '\n';
        m_out.flush();
    } else {
        m_err << report.label() << ": " << report.reason << '\n';
        m_err.flush();
    }
}

void TerminalHost::showSummary(const RunSummary &summary)
{
    m_summary = summary;
}

void TerminalHost::clearProgress()
{
    if (!m_barShown)
        return;
    m_err << "\r\x1b[K";
    m_err.flush();
    m_barShown = false;
}

QByteArray TerminalHost::jsonLine(const MessageReport &report)
{
    const auto textOrNull = [](const QString &text) {
        return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
    };
    const QJsonObject object{
        {QStringLiteral("source"), report.source},
        {QStringLiteral("message"),
         report.message > 0 ? QJsonValue(report.message) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("target"), textOrNull(report.target)},
        {QStringLiteral("status"), conversion::statusName(report.status)},
        {QStringLiteral("reason"), textOrNull(report.reason)},
        {QStringLiteral("note"), textOrNull(report.note)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString TerminalHost::tableHeader(const QString &destination)
{
    return shown(QStringLiteral("%1source -> copy in %2")
                     .arg(QStringLiteral("status"), -kStatusWidth)
                     .arg(registry::withTrailingSlash(destination)));
}

QString TerminalHost::tableLine(const MessageReport &report, const QString &destination)
{
    QString line = QStringLiteral("%1%2")
                       .arg(conversion::statusName(report.status), -kStatusWidth)
                       .arg(report.label());
    if (report.converted()) {
        // Every target lies below the destination, which the header names once.
        const QString below = registry::withTrailingSlash(destination);
        line += QStringLiteral(" -> ") +
                (report.target.startsWith(below) ? report.target.mid(below.size()) : report.target);
        if (!report.note.isEmpty())
            line += QStringLiteral(" (%1)").arg(report.note);
    } else {
        line += QStringLiteral(": ") + report.reason;
    }
    return shown(line);
}

QString TerminalHost::progressLine(float percent, const QString &text)
{
    const double clamped = std::clamp(static_cast<double>(percent), 0.0, 100.0);
    const int filled = static_cast<int>(std::lround(clamped / 100.0 * kBarWidth));
    return QStringLiteral("[%1%2] %3% %4")
        .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('-')))
        .arg(static_cast<int>(std::floor(clamped)), 3)
        .arg(text);
}
