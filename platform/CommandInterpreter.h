#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

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

// A /bin/sh script whose placeholders stand for values.
struct BoundScript
{
    // The script, each placeholder replaced by a reference to a shell
    // variable that holds its value; the variables are set from the
    // script's arguments before anything else runs.
    QString text;
    QStringList arguments;
    // The first placeholder that stands where the shell reads text as a
    // number or a pattern (inside $(( )), $[ ] or ${ }, and where bash
    // evaluates arithmetic: (( )), [[ ]], let, declare, typeset, an array
    // subscript) or takes it as it is
    // (a here-document whose delimiter is quoted); empty when there is none.
    // Such a script must not run.
    QString refused;
};

// Binds values to the placeholders of a /bin/sh script: `values` holds
// (placeholder, value) pairs, put in one after the other, so that a value
// holding a later pair's placeholder gets that value in its place. The shell
// never reads a value as script text: a value reaches the command as the
// text it is, wherever its placeholder stands - outside quotation marks,
// inside single or double ones, inside $( ) or backquotes at any depth, in a
// here-document - and a newline, a quotation mark, $( ) or a backquote in it
// is only text. A placeholder that the script escapes with a backslash, or
// one in a comment, is text and stays.
BoundScript bindShellValues(const QString& script, const QList<std::pair<QString, QString>>& values);

} // namespace platform
