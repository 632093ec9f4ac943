// SPDX-License-Identifier: MIT
#pragma once

#include "buttoncontrol.h"

#include <QPushButton>

// A push button of the window whose availability commands may change.
class CommandButton : public QPushButton, public ButtonControl
{
    Q_OBJECT

public:
    explicit CommandButton(QWidget *parent = nullptr) : QPushButton(parent) {}

    bool Enabled() const override { return isEnabled(); }
    void setEnabled(bool enabled) override { QPushButton::setEnabled(enabled); }
};
