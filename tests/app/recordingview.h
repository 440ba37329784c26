// SPDX-License-Identifier: GPL-3.0-or-later
// A dispatcher view that keeps the label texts and the hook calls in memory.
#pragma once

#include "app/replydispatcher.h"

#include <QMap>
#include <QStringList>

class RecordingView : public DispatcherView
{
public:
    QString infoText(Info which) const override { return info.value(which); }
    void setInfoText(Info which, const QString &text) override { info[which] = text; }
    QString sentCountText() const override { return text6; }
    QString messagesNeededText() const override { return label14; }
    void setSentCountText(const QString &text) override { text6 = text; }
    void setServiceCentreText(const QString &number) override { serviceCentre = number; }
    void messageReadReply(const QString &buffer) override { readReplies << buffer; }

    QMap<Info, QString> info;
    QString text6 = QStringLiteral("0");
    QString label14 = QStringLiteral("0");
    QString serviceCentre;
    QStringList readReplies;
};
