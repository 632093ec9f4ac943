// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QWidget>

// A filled rectangle with a one-pixel outline, drawn on the window surface
// behind the controls (the header and footer bands). It takes no input.
class Shape : public QWidget
{
    Q_OBJECT

public:
    explicit Shape(QWidget *parent = nullptr);

    void setFillColor(const QColor &color);
    void setBorderColor(const QColor &color);
    [[nodiscard]] QColor fillColor() const { return m_fill; }
    [[nodiscard]] QColor borderColor() const { return m_border; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill = Qt::white;
    QColor m_border = Qt::black;
};
