// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/widgetseams.h"

#include "app/seams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace Seams {
namespace {

QMessageBox::StandardButton toStandard(MsgResult r)
{
    switch (r) {
    case MsgResult::OK: return QMessageBox::Ok;
    case MsgResult::Cancel: return QMessageBox::Cancel;
    case MsgResult::Yes: return QMessageBox::Yes;
    case MsgResult::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

MsgResult showMessageBox(const MsgBoxCall &call)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(call.title);
    box.setText(call.text);
    switch (call.icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (call.buttons) {
    case MsgButtons::OK: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OKCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    box.setDefaultButton(toStandard(call.defaultButton));
    // A message box is not the place for the hourglass.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    switch (pressed) {
    case QMessageBox::Ok: return MsgResult::OK;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return MsgResult::Cancel;
    }
}

QString initialPath(const FileDialogCall &call)
{
    return call.directory.isEmpty() ? call.fileName
                                    : call.directory + QLatin1Char('/') + call.fileName;
}

} // namespace

void installWidgetSeams()
{
    setMsgBoxHandler(showMessageBox);
    setOpenFileDialogHandler([](const FileDialogCall &call) {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), call.title,
                                            initialPath(call), call.filter);
    });
    // The save dialog asks before it replaces an existing file.
    setSaveFileDialogHandler([](const FileDialogCall &call) {
        QString selected = call.selectedFilter;
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), call.title,
                                            initialPath(call), call.filter,
                                            selected.isEmpty() ? nullptr : &selected);
    });
    setOpenExternalHandler([](const QString &target) {
        const QUrl url = target.contains(QLatin1String("://")) ? QUrl(target)
                                                               : QUrl::fromLocalFile(target);
        return QDesktopServices::openUrl(url);
    });
    setPointerHandler([](Pointer p) {
        // One override at most, so the pointer never stays stuck as an hourglass.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        if (p == Pointer::Hourglass)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    });
}

} // namespace Seams
