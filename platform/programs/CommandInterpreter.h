#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// "cmd" stands for the command interpreter: its "/C text" and "/K text" run
// here as a /bin/sh script in a terminal window.

// True for "cmd" and "cmd.exe" in any letter case.
bool isCommandInterpreter(const QString& program);

struct InterpreterScript
{
    QString text;
    // "/K": the terminal stays open with a shell after the script; "/C": it
    // closes when the script ends.
    bool keepOpen = false;
    // Handed to the script as its positional parameters $1, $2, ...
    QStringList arguments;
};

// The script that command-interpreter parameters stand for: what follows
// "/C" or "/K", without the one pair of quotation marks that encloses it.
// Parameters with neither switch are the script itself, kept open.
InterpreterScript interpreterScript(const QString& parameters);

// Runs /bin/sh -c with the script and its arguments in a new terminal
// window. False when no terminal program is installed.
bool startInTerminal(const InterpreterScript& script);

} // namespace platform
