// SPDX-License-Identifier: GPL-3.0-or-later
// Corvina SMS: manages the text messages of a GSM phone on a serial port.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/qserialphoneport.h"
#include "app/widgetseams.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Seams::installWidgetSeams();
    AppState state;
    QSerialPhonePort comm;
    Form1 form(state, comm);
    form.Form_Load();
    form.show();
    return app.exec();
}
