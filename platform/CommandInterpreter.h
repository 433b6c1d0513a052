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
    // The script, each placeholder replaced by a quoted reference to a shell
    // variable that holds its value; the variables are set from the
    // script's arguments before anything else runs.
    QString text;
    QStringList arguments;
    // The first placeholder the script puts where its value is not
    // protected, and where that is (a phrase that follows "stands"); empty
    // when there is none. Such a script must not run.
    QString refused;
    QString because;
};

// Binds values to the placeholders of a /bin/sh script: `values` holds
// (placeholder, value) pairs, put in one after the other, so that a value
// holding a later pair's placeholder gets that value in its place.
//
// The script is bound only where the binder follows every construct around
// its placeholders: words of simple commands, single and double quotation
// marks, $( ) and backquotes holding such commands again, here-documents
// with an unquoted delimiter, comments, lists, pipelines, redirections,
// if/while/until/for/case, groups, subshells, functions, $name, ${name}
// and ${name<op>word} without quoting in the word. There each value
// reaches its place, in dash and in bash, as the text it is: nothing in it
// is read as syntax, a pattern's bracket expression, arithmetic, a variable
// name, an ssh option or a command name. Refused, with `because` saying
// where: a placeholder in what a program reads as script (the words of
// eval, trap, su, xargs and their kin, the script of sh -c or the script
// file of a shell, the words after ssh's host, each also behind exec, env,
// sudo and similar wrappers), in an assignment, in the names and
// arithmetic of let, read, declare and their kin, printf -v and test -v,
// inside (( )), $(( )), $[ ] or ${ }, or in a here-document with a quoted
// delimiter. Every placeholder of a script is refused when the script also
// holds a construct the binder does not follow ($'...', <<<, ${ } with
// quoting inside, an unmatched parenthesis), or one a value could reach
// through a variable, a pipe or a here-document: arithmetic, [[ ]], alias,
// a command named by an expansion, a capitalised variable (PATH, PS4) set
// from an expansion, a script reader given an expansion or its standard
// input, a fixed script that itself does any of these. What any other
// program does with a value it is given, and what a file a value is written
// to is later used for, are beyond the script.
BoundScript bindShellValues(const QString& script, const QList<std::pair<QString, QString>>& values);

} // namespace platform
