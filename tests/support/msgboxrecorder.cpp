// SPDX-License-Identifier: GPL-3.0-or-later
#include "msgboxrecorder.h"

MsgBoxRecorder::MsgBoxRecorder()
{
    Seams::setMsgBoxHandler([this](const Seams::MsgBoxCall &call) {
        shown << call;
        return answers.isEmpty() ? call.defaultButton : answers.takeFirst();
    });
}

MsgBoxRecorder::~MsgBoxRecorder()
{
    Seams::setMsgBoxHandler({});
}

QStringList MsgBoxRecorder::texts() const
{
    QStringList out;
    for (const auto &call : shown)
        out << call.text;
    return out;
}
