// SPDX-License-Identifier: MIT
#pragma once

#include <QProgressBar>

// The run's progress bar: a horizontal QProgressBar whose Min, Max and Value
// are floats, so that a value such as 33.33333 reads back unchanged. The bar
// works internally in thousandths of a unit, which lets it move smoothly
// between whole percentages. No text is drawn on the bar.
class ProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    static constexpr int kSteps = 1000; // internal steps per unit

    // Range 0 to 100, at 0.
    explicit ProgressBar(QWidget *parent = nullptr);

    [[nodiscard]] float Min() const { return m_min; }
    [[nodiscard]] float Max() const { return m_max; }
    // A value outside the new range is moved to its nearer end. Max below Min
    // is taken as Min.
    void setMin(float min);
    void setMax(float max);

    // The value as it was set; a value outside Min..Max is moved to the nearer
    // end, as the bar cannot show it; NaN counts as Min.
    [[nodiscard]] float Value() const { return m_value; }
    void setValue(float value);

private:
    void display();

    float m_min = 0.0f;
    float m_max = 100.0f;
    float m_value = 0.0f;
};
