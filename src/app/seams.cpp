// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/seams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Seams {
namespace {
MsgBoxHandler g_msgBox;
FileDialogHandler g_openDialog;
FileDialogHandler g_saveDialog;
OpenUrlHandler g_openExternal;
QString g_programFolder;
QString g_executableFolder;
QString g_chosenFolder;
std::function<QDateTime()> g_clock;
std::function<void(Pointer)> g_pointerHandler;
Pointer g_pointer = Pointer::Default;
} // namespace

MsgResult MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title,
                 MsgResult defaultButton)
{
    const MsgBoxCall call{text, title, buttons, icon, defaultButton};
    return g_msgBox ? g_msgBox(call) : defaultButton;
}

void setMsgBoxHandler(MsgBoxHandler handler) { g_msgBox = std::move(handler); }

QString OpenFileDialog(const FileDialogCall &call)
{
    return g_openDialog ? g_openDialog(call) : QString();
}

QString SaveFileDialog(const FileDialogCall &call)
{
    return g_saveDialog ? g_saveDialog(call) : QString();
}

void setOpenFileDialogHandler(FileDialogHandler handler) { g_openDialog = std::move(handler); }
void setSaveFileDialogHandler(FileDialogHandler handler) { g_saveDialog = std::move(handler); }

bool OpenExternal(const QString &urlOrPath)
{
    return g_openExternal ? g_openExternal(urlOrPath) : false;
}

void setOpenExternalHandler(OpenUrlHandler handler) { g_openExternal = std::move(handler); }

bool IsInstalledCopy(const QString &exeFolder)
{
    return QFileInfo::exists(
        QDir(exeFolder).filePath(QStringLiteral("../share/applications/corvina-sms.desktop")));
}

QString ChooseProgramFolder(const QString &exeFolder, bool writable, const QString &dataFolder)
{
    // An installed copy stays out of its bin folder even when it could write there (root,
    // or an install under the user's home): files there would be shared or lost on upgrade.
    return writable && !IsInstalledCopy(exeFolder) ? exeFolder : dataFolder;
}

QString ProgramFolder()
{
    if (!g_programFolder.isEmpty())
        return g_programFolder;
    if (!g_chosenFolder.isEmpty())
        return g_chosenFolder;
    QString exe = g_executableFolder;
    if (exe.isEmpty() && QCoreApplication::instance())
        exe = QCoreApplication::applicationDirPath();
    if (exe.isEmpty())
        return QDir::currentPath();   // no application yet: nothing to choose from
    const QFileInfo info(exe);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString chosen = ChooseProgramFolder(exe, info.isDir() && info.isWritable(), data);
    if (chosen == data)
        QDir().mkpath(data);   // a failure shows later, when a file cannot be written
    g_chosenFolder = chosen;
    return chosen;
}

QString ProgramFile(const QString &name)
{
    return QDir(ProgramFolder()).filePath(name);
}

void setProgramFolder(const QString &folder) { g_programFolder = folder; }

void setExecutableFolder(const QString &folder)
{
    g_executableFolder = folder;
    g_chosenFolder.clear();
}

QDateTime Now() { return g_clock ? g_clock() : QDateTime::currentDateTime(); }

void setClock(std::function<QDateTime()> clock) { g_clock = std::move(clock); }

void SetPointer(Pointer p)
{
    g_pointer = p;
    if (g_pointerHandler)
        g_pointerHandler(p);
}

Pointer CurrentPointer() { return g_pointer; }

void setPointerHandler(std::function<void(Pointer)> handler)
{
    g_pointerHandler = std::move(handler);
}

} // namespace Seams
