// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: --help, --version and --trace FILE; nothing else of its own.
#pragma once

#include <QString>
#include <QStringList>

namespace CommandLine {

enum class Action { Run, Help, Version, Error };

struct Options
{
    Action action = Action::Run;
    QString traceFile;   ///< --trace FILE; empty: no transcript
    QString error;       ///< what was wrong, for Action::Error
};

/// Reads the arguments after the program's name. --help and --version win over everything
/// else. Qt's own standard options (-platform, -style, -session and the like, with their
/// values) are let through for the toolkit; any other argument is an error.
Options Parse(const QStringList &arguments);

/// The text --help prints (and an error prints after its own line).
QString Usage();
/// The text --version prints: the program's name and version.
QString Version();

} // namespace CommandLine
