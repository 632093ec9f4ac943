// SPDX-License-Identifier: MIT
#include "shape.h"

#include <QPainter>

Shape::Shape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void Shape::setFillColor(const QColor &color)
{
    m_fill = color;
    update();
}

void Shape::setBorderColor(const QColor &color)
{
    m_border = color;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_fill);
    painter.setPen(QPen(m_border, 0)); // cosmetic: one device pixel at any scale
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
