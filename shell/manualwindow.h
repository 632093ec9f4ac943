// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

// The bundled manual in a window of the program's own, for when the desktop
// cannot open it: a read-only HTML view with a Close button (Esc closes it
// too). Links within the manual work here: anchors, and relative links to its
// other pages and pictures. Links that lead elsewhere (web addresses, mail)
// are handed to the desktop's "open" action, without a fallback.
//
// The window does not block the main window, and closing it ends nothing.
class ManualWindow : public QDialog
{
    Q_OBJECT

public:
    explicit ManualWindow(QWidget *parent = nullptr);

    // Shows the page at page (a local file or a qrc: URL), titled with its
    // own title, and brings the window to the front.
    void showPage(const QUrl &page);

    [[nodiscard]] QTextBrowser *browser() const { return m_browser; }

private:
    void follow(const QUrl &link);

    QTextBrowser *m_browser;
};
