#pragma once

#include <QString>

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
};

// The script that command-interpreter parameters stand for: what follows
// "/C" or "/K", without the one pair of quotation marks that encloses it.
// Parameters with neither switch are the script itself, kept open.
InterpreterScript interpreterScript(const QString& parameters);

// Runs /bin/sh -c with the script in a new terminal window. False when no
// terminal program is installed.
bool startInTerminal(const InterpreterScript& script);

// The value as one word for /bin/sh, in single quotation marks.
QString shellQuote(const QString& value);

// Replaces every `placeholder` in a /bin/sh script by `value`, quoted for the
// place where it stands: outside quotation marks, inside single or inside
// double ones. The value reaches the command as the text it is; nothing in
// it can end the quoting, expand or run. A placeholder whose first character
// the script escapes with a backslash is literal text and stays.
QString replaceShellQuoted(const QString& script, const QString& placeholder, const QString& value);

} // namespace platform
