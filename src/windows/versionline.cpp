// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/versionline.h"

#include "version.h"

QString VersionLine(int major, int minor, int revision)
{
    return QStringLiteral("Ver. %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString BuildVersionLine()
{
    return VersionLine(CORVINA_VERSION_MAJOR, CORVINA_VERSION_MINOR, CORVINA_VERSION_PATCH);
}
