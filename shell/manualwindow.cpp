// SPDX-License-Identifier: MIT
#include "manualwindow.h"

#include "applicationtitle.h"
#include "shellopen.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr QSize kPreferredSize(720, 640);

bool isPageOfTheManual(const QUrl &target)
{
    if (target.scheme() == QLatin1String("qrc"))
        return true;
    return target.isLocalFile() && QFileInfo(target.toLocalFile()).isFile();
}

} // namespace

ManualWindow::ManualWindow(QWidget *parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("ManualWindow"));
    setModal(false);
    m_browser->setReadOnly(true);
    // Links are followed here, so that one outside the manual can go to the desktop.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &ManualWindow::follow);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);

    QSize size = kPreferredSize;
    if (const QScreen *where = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(where->availableGeometry().size() * 9 / 10);
    resize(size);
}

void ManualWindow::showPage(const QUrl &page)
{
    m_browser->setSource(page);
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? sourcelist::applicationTitle() : title);
    show();
    raise();
    activateWindow();
}

void ManualWindow::follow(const QUrl &link)
{
    const QUrl target = m_browser->source().resolved(link);
    if (isPageOfTheManual(target))
        m_browser->setSource(target); // an anchor in the same page only scrolls
    else
        registry::ShellOpen(target.toString(QUrl::FullyEncoded), this);
}
