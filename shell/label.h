// SPDX-License-Identifier: MIT
#pragma once

#include "labelcontrol.h"

#include <QLabel>

// A static text of the window whose caption commands may rewrite.
class Label : public QLabel, public LabelControl
{
    Q_OBJECT

public:
    explicit Label(QWidget *parent = nullptr) : QLabel(parent) {}

    QString Caption() const override { return text(); }
    void setCaption(const QString &caption) override { setText(caption); }
};
