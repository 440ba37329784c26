// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/portdevice.h"

#include "app/seams.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace PortDevice {
namespace {
Lister g_lister;

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

/// The group whose members may read and write the device, "dialout" when none is usable:
/// a device of group root or without group access is not opened by joining a group.
QString allowedGroup(const QString &device)
{
    const QFileInfo info(device);
    const QString group = info.group();
    if (!group.isEmpty() && group != QLatin1String("root")
        && info.permission(QFile::ReadGroup | QFile::WriteGroup))
        return group;
    return QStringLiteral("dialout");
}
} // namespace

QString DeviceFor(int n)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    const QString own = Seams::ProgramFile(QStringLiteral("COM%1").arg(n));
    const QFileInfo entry(own);
    // isSymLink() sees a link whose target is gone, which exists() does not.
    if (entry.exists() || entry.isSymLink())
        return own;
    for (const char *stem : {"/dev/ttyUSB", "/dev/ttyACM", "/dev/ttyS"}) {
        const QString dev = QLatin1String(stem) + QString::number(n - 1);
        if (QFileInfo::exists(dev))
            return dev;
    }
    return own;
#endif
}

QString Describe(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
    return path + QStringLiteral(" -> ") + target;
}

bool LinkPort(int n, const QString &target, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
#ifdef Q_OS_WIN
    Q_UNUSED(n);
    Q_UNUSED(target);
    return fail(QStringLiteral("ports are named by the system on this platform"));
#else
    const QString link = Seams::ProgramFile(QStringLiteral("COM%1").arg(n));
    const QFileInfo existing(link);
    if (existing.exists() && !existing.isSymLink())
        return fail(link + QStringLiteral(": not a link, left as it is"));
    // A new link beside the old one, then renamed over it: never a moment without one.
    const QString fresh = link + QStringLiteral(".new");
    const QByteArray freshName = QFile::encodeName(fresh);
    if (QFileInfo(fresh).isSymLink())
        ::unlink(freshName.constData());
    if (::symlink(QFile::encodeName(target).constData(), freshName.constData()) != 0)
        return fail(fresh + QStringLiteral(": ") + systemReason(errno));
    if (std::rename(freshName.constData(), QFile::encodeName(link).constData()) != 0) {
        const int why = errno;
        ::unlink(freshName.constData());
        return fail(link + QStringLiteral(": ") + systemReason(why));
    }
    return true;
#endif
}

QList<DeviceInfo> AvailableDevices() { return g_lister ? g_lister() : QList<DeviceInfo>(); }

void setLister(Lister lister) { g_lister = std::move(lister); }

QString ListText(const DeviceInfo &device)
{
    QString text = device.path;
    if (!device.description.isEmpty())
        text += QStringLiteral("  ") + device.description;
    if (!device.manufacturer.isEmpty() && device.manufacturer != device.description)
        text += QStringLiteral(" (") + device.manufacturer + QLatin1Char(')');
    if (!device.usbId.isEmpty())
        text += QStringLiteral("  USB ") + device.usbId;
    return text;
}

OpenFailure Diagnose(const QString &path, const QString &portReason, bool portRefused)
{
    OpenFailure f;
    f.device = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        f.link = path;
        f.device = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
    }
#ifdef Q_OS_WIN
    f.reason = portReason;
    f.cause = portRefused ? Cause::Busy : Cause::Other;
#else
    if (::access(QFile::encodeName(f.device).constData(), R_OK | W_OK) != 0) {
        const int error = errno;
        f.reason = systemReason(error);
        switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENXIO:
        case ENODEV:
            f.cause = Cause::Missing;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            f.cause = Cause::Permission;
            f.group = allowedGroup(f.device);
            break;
        default:
            break;
        }
    } else {
        // The file system lets us in: the serial library's own reason tells the rest. A
        // refusal then means a lock held by someone else or a device the driver keeps busy.
        f.reason = portReason.isEmpty() ? QStringLiteral("the device refused to open") : portReason;
        f.cause = portRefused ? Cause::Busy : Cause::Other;
    }
#endif
    return f;
}

QString FailureText(const OpenFailure &failure)
{
    QString text = QStringLiteral("Unable to open the communication port");
    if (failure.device.isEmpty())
        return text;
    text += QStringLiteral("\n\n") + failure.device + QStringLiteral(": ") + failure.reason;
    if (!failure.link.isEmpty())
        text += QStringLiteral("\n(the port is the link ") + failure.link + QLatin1Char(')');
    switch (failure.cause) {
    case Cause::Missing:
        text += QStringLiteral("\n\nCheck that the phone or its cable is plugged in, or choose "
                               "its device in Settings > Comm...");
        break;
    case Cause::Permission:
        text += QStringLiteral("\n\nYour user may not use this device. Add it to the group %1 "
                               "(sudo adduser $USER %1), then log out and in again.")
                    .arg(failure.group.isEmpty() ? QStringLiteral("dialout") : failure.group);
        break;
    case Cause::Busy:
        text += QStringLiteral("\n\nAnother program may be using the device: a modem manager "
                               "service, a terminal program or another copy of this one.");
        break;
    case Cause::Other:
        break;
    }
    return text;
}

} // namespace PortDevice
