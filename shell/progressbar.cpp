// SPDX-License-Identifier: MIT
#include "progressbar.h"

#include <algorithm>
#include <cmath>

namespace {

int scaled(float value)
{
    return static_cast<int>(std::lround(static_cast<double>(value) * ProgressBar::kSteps));
}

} // namespace

ProgressBar::ProgressBar(QWidget *parent) : QProgressBar(parent)
{
    setOrientation(Qt::Horizontal);
    setTextVisible(false);
    display();
}

void ProgressBar::setMin(float min)
{
    m_min = min;
    m_max = std::max(m_max, m_min);
    m_value = std::clamp(m_value, m_min, m_max);
    display();
}

void ProgressBar::setMax(float max)
{
    m_max = std::max(max, m_min);
    m_value = std::clamp(m_value, m_min, m_max);
    display();
}

void ProgressBar::setValue(float value)
{
    m_value = std::isnan(value) ? m_min : std::clamp(value, m_min, m_max);
    display();
}

void ProgressBar::display()
{
    QProgressBar::setRange(scaled(m_min), scaled(m_max));
    QProgressBar::setValue(scaled(m_value));
}
