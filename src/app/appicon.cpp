// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appicon.h"

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/corvina-sms.png").arg(size),
                     QSize(size, size));
    return icon;
}
