// SPDX-License-Identifier: GPL-3.0-or-later
// Which device a port number reaches, the links that choose it, the serial devices present,
// and a failed opening explained in the user's terms.
#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace PortDevice {

/// The device path port number `n` names. On Windows "COMn". Elsewhere the entry "COMn" in the
/// program's folder whenever it exists, even as a link whose target is missing (an unplugged
/// adapter must not send the commands to another device); only without such an entry the
/// first existing of /dev/ttyUSB(n-1), /dev/ttyACM(n-1), /dev/ttyS(n-1); when none exists,
/// the "COMn" path, so the failed opening names it.
QString DeviceFor(int n);

/// The device as the user should see it: the path, and for a link where it leads
/// ("/home/u/COM1 -> /dev/ttyUSB0").
QString Describe(const QString &path);

/// Makes port number `n` reach `target` by creating or replacing the link "COMn" in the
/// program's folder (atomically: the old link stays if anything fails). Anything at that
/// path that is not a link is left alone and refused. False with `error` set on failure.
bool LinkPort(int n, const QString &target, QString *error = nullptr);

/// A serial device present on the system.
struct DeviceInfo
{
    QString path;          ///< "/dev/ttyUSB0"
    QString stablePath;    ///< its /dev/serial/by-id name, which survives re-plugging; may be empty
    QString description;   ///< as the driver reports it ("USB-Serial Controller")
    QString manufacturer;
    QString usbId;         ///< "067b:2303" when known
    QString serialNumber;
};
using Lister = std::function<QList<DeviceInfo>()>;
/// The serial devices present, from the lister main installs (none without one).
QList<DeviceInfo> AvailableDevices();
void setLister(Lister lister);
/// One line for a list: "/dev/ttyUSB0  USB-Serial Controller (Prolific) 067b:2303".
QString ListText(const DeviceInfo &device);

enum class Cause { Missing, Permission, Busy, Other };

/// Why an opening failed: the device tried (for a link, the device it leads to), the
/// system's reason, and which remedy applies.
struct OpenFailure
{
    QString device;
    QString reason;
    QString link;   ///< the link that leads to `device`, when the number is a link
    QString group;  ///< the group that may use the device, for a permission problem
    Cause cause = Cause::Other;
};

/// Looks at `path` after a failed opening. `portReason` is the serial library's own text,
/// used when the file system shows nothing wrong; `portRefused` says the library reported a
/// permission problem (a lock held by another program looks like that).
OpenFailure Diagnose(const QString &path, const QString &portReason, bool portRefused);

/// The message for a failed opening: the fixed first line, then "device: reason" and what to
/// do about it. Without a known device, the first line alone.
QString FailureText(const OpenFailure &failure);

} // namespace PortDevice
