// SPDX-License-Identifier: GPL-3.0-or-later
// The program's contact points with the desktop: message boxes, file dialogs, starting
// other programs, the program's folder, the clock and the mouse pointer. Each has one
// entry point here; the windows install the real ones, tests install their own.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace Seams {

enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { OK, Cancel, Yes, No };

/// One message box as asked for: what a test reads back.
struct MsgBoxCall
{
    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
    MsgResult defaultButton = MsgResult::OK;
};

using MsgBoxHandler = std::function<MsgResult(const MsgBoxCall &)>;

/// Shows a modal message box and returns the button pressed. Without an installed
/// handler it answers the default button (nothing is shown).
MsgResult MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title,
                 MsgResult defaultButton = MsgResult::OK);
void setMsgBoxHandler(MsgBoxHandler handler);

/// One file-open dialog as asked for.
struct FileDialogCall
{
    QString title;
    QString fileName;   ///< initial file name shown in the dialog
    QString filter;     ///< Qt filter text; empty for none
    QString directory;
    QString selectedFilter;   ///< the filter chosen when the dialog opens; empty for the first
};
/// Returns the chosen path, or an empty string when the user cancelled.
using FileDialogHandler = std::function<QString(const FileDialogCall &)>;
QString OpenFileDialog(const FileDialogCall &call);
QString SaveFileDialog(const FileDialogCall &call);
void setOpenFileDialogHandler(FileDialogHandler handler);
void setSaveFileDialogHandler(FileDialogHandler handler);

/// Opens a document or web address with the desktop's own program (text editor, browser).
using OpenUrlHandler = std::function<bool(const QString &urlOrPath)>;
bool OpenExternal(const QString &urlOrPath);
void setOpenExternalHandler(OpenUrlHandler handler);

/// The folder the program keeps its files in (Setting.sms, Sent.txt, LogSMS.txt, Rubrica.txt,
/// Operator.sms, the COMn links): the executable's own folder when it is writable and not an
/// installed copy (a portable copy, a build folder), otherwise the user's data folder
/// (Qt's application-data location), created on first use. Chosen once per process.
QString ProgramFolder();
/// Full path of a file in the program's folder.
QString ProgramFile(const QString &name);
void setProgramFolder(const QString &folder);   ///< empty restores the default
/// Takes `folder` as the executable's folder when choosing (empty: the real one); the
/// choice is made again on the next use.
void setExecutableFolder(const QString &folder);
/// True when `exeFolder` belongs to an installed copy: it is the bin folder of a prefix
/// that holds the program's desktop entry (share/applications/corvina-sms.desktop).
bool IsInstalledCopy(const QString &exeFolder);
/// The choice itself: `exeFolder` when `writable` and not an installed copy, else
/// `dataFolder`.
QString ChooseProgramFolder(const QString &exeFolder, bool writable, const QString &dataFolder);

/// The current date and time (overridable for tests).
QDateTime Now();
void setClock(std::function<QDateTime()> clock);   ///< empty restores the system clock

/// The mouse pointer: hourglass while the phone works, default otherwise.
enum class Pointer { Default, Hourglass };
void SetPointer(Pointer p);
Pointer CurrentPointer();
void setPointerHandler(std::function<void(Pointer)> handler);

} // namespace Seams
