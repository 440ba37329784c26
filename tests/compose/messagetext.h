// SPDX-License-Identifier: GPL-3.0-or-later
// Small text makers shared by the message tests.
#pragma once

#include <QString>

inline const QString kCtrlZ(QChar(26));

/// n letters a..z repeated: plain GSM characters, easy to spot in a PDU.
inline QString letters(int n)
{
    QString t;
    for (int i = 0; i < n; ++i)
        t += QChar(u'a' + i % 26);
    return t;
}
