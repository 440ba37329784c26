// SPDX-License-Identifier: GPL-3.0-or-later
// Corvina SMS: manages the text messages of a GSM phone on a serial port.
#include "app/appicon.h"
#include "app/appstate.h"
#include "app/commandline.h"
#include "app/form1.h"
#include "app/porttrace.h"
#include "app/qserialphoneport.h"
#include "app/quitsignals.h"
#include "app/widgetseams.h"
#include "version.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Read before any window or port exists: --help and --version need neither a display
    // nor a phone.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Options options = CommandLine::Parse(arguments);
    switch (options.action) {
    case CommandLine::Action::Help:
        std::fputs(qPrintable(CommandLine::Usage()), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::fputs(qPrintable(CommandLine::Version()), stdout);
        return 0;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "corvina-sms: %s\n\n%s", qPrintable(options.error),
                     qPrintable(CommandLine::Usage()));
        return 2;
    case CommandLine::Action::Run:
        break;
    }

    PortTrace trace;
    QString traceError;
    if (!options.traceFile.isEmpty() && !trace.open(options.traceFile, &traceError)) {
        std::fprintf(stderr, "corvina-sms: cannot write the trace file %s: %s\n",
                     qPrintable(options.traceFile), qPrintable(traceError));
        return 1;
    }

    QApplication app(argc, argv);
    // The per-user data folder is named after the program: ~/.local/share/corvina-sms.
    QCoreApplication::setApplicationName(QStringLiteral("corvina-sms"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(CORVINA_VERSION_MAJOR)
                                                .arg(CORVINA_VERSION_MINOR)
                                                .arg(CORVINA_VERSION_PATCH));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvina-sms"));
    QApplication::setWindowIcon(ApplicationIcon());
    Seams::installWidgetSeams();
    PortDevice::setLister(&QSerialPhonePort::AvailableDevices);

    AppState state;
    QSerialPhonePort comm;
    if (trace.isOpen())
        comm.setTrace(&trace);
    Form1 form(state, comm);
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &form, &Form1::EndWithoutQuestions);
    form.Form_Load();
    form.show();
    return app.exec();
}
