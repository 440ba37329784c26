// SPDX-License-Identifier: GPL-3.0-or-later
// Records the message boxes the program shows and answers them from a queue.
#pragma once

#include "app/seams.h"

#include <QList>

class MsgBoxRecorder
{
public:
    MsgBoxRecorder();
    ~MsgBoxRecorder();

    QList<Seams::MsgBoxCall> shown;
    /// Answers given in order; when empty, the box's default button is pressed.
    QList<Seams::MsgResult> answers;

    QStringList texts() const;
};
