// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include "version.h"

namespace CommandLine {
namespace {
// The toolkit's standard options: the ones a desktop session or a user may pass to any Qt
// program (a session manager restarts programs with -session).
const char *const kQtWithValue[] = {"-platform", "-platformpluginpath", "-platformtheme",
                                    "-plugin", "-qwindowgeometry", "-qwindowicon",
                                    "-qwindowtitle", "-style", "-stylesheet", "-session",
                                    "-display", "-geometry"};
const char *const kQtFlags[] = {"-reverse", "-widgetcount"};

bool isQtWithValue(const QString &arg)
{
    for (const char *name : kQtWithValue) {
        if (arg == QLatin1String(name))
            return true;
    }
    return false;
}

bool isQtOption(const QString &arg)
{
    for (const char *name : kQtFlags) {
        if (arg == QLatin1String(name))
            return true;
    }
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    return eq > 0 && isQtWithValue(arg.left(eq));
}
} // namespace

Options Parse(const QStringList &arguments)
{
    Options o;
    for (const QString &arg : arguments) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return {Action::Help, {}, {}};
        if (arg == QLatin1String("--version"))
            return {Action::Version, {}, {}};
    }
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        const bool hasNext = i + 1 < arguments.size();
        if (arg == QLatin1String("--trace")) {
            if (!hasNext || arguments.at(i + 1).isEmpty())
                return {Action::Error, {}, QStringLiteral("--trace needs a file name")};
            o.traceFile = arguments.at(++i);
        } else if (arg.startsWith(QLatin1String("--trace="))) {
            o.traceFile = arg.mid(8);
            if (o.traceFile.isEmpty())
                return {Action::Error, {}, QStringLiteral("--trace needs a file name")};
        } else if (isQtWithValue(arg)) {
            if (!hasNext)
                return {Action::Error, {}, arg + QStringLiteral(" needs a value")};
            ++i;
        } else if (!isQtOption(arg)) {
            const QString what = arg.startsWith(QLatin1Char('-'))
                                     ? QStringLiteral("unknown option")
                                     : QStringLiteral("unexpected argument");
            return {Action::Error, {}, what + QStringLiteral(" '") + arg + QLatin1Char('\'')};
        }
    }
    return o;
}

QString Usage()
{
    return QStringLiteral(
        "Usage: corvina-sms [--trace FILE]\n"
        "Manages the text messages of a GSM phone on a serial port.\n"
        "\n"
        "  --trace FILE  write every byte sent to and received from the phone, with the time,\n"
        "                to FILE (control characters shown as <CR>, <LF>, ...)\n"
        "  --help        show this text and end\n"
        "  --version     show the version and end\n"
        "\n"
        "Qt's standard options (-platform, -style, -session, ...) are passed on to Qt.\n"
        "The program keeps Setting.sms, Sent.txt, LogSMS.txt, Rubrica.txt, Operator.sms and the\n"
        "COMn port links in its own folder when that folder is writable and not an installed\n"
        "copy, otherwise in the user's data folder (~/.local/share/corvina-sms).\n");
}

QString Version()
{
    return QStringLiteral("corvina-sms %1.%2.%3\n")
        .arg(CORVINA_VERSION_MAJOR)
        .arg(CORVINA_VERSION_MINOR)
        .arg(CORVINA_VERSION_PATCH);
}

} // namespace CommandLine
