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
// A script is bound only when the binder follows every construct around its
// placeholders: words of simple commands, single and double quotation
// marks, $( ) and backquotes holding such commands again, here-documents
// with an unquoted delimiter, comments, lists, pipelines, redirections,
// if/while/until/for/case, groups, subshells and functions, $name, ${name}
// and ${name<op>word} with no quoting in the word. Then each value reaches
// its place as the text it is, byte for byte, in dash and in bash: no
// quotation mark, newline, $( ), backquote or subscript in it is read as
// syntax, and no value is read as arithmetic, a variable name, an option of
// ssh or the name of a command. Refused, with `because` naming the
// construct: a placeholder in the arguments of eval, trap, ., source, su,
// runuser, xargs, watch, at or batch, in the script of a shell (after -c,
// or its script file), in ssh after its host, behind exec, env, sudo and
// similar wrappers, in an assignment, in the arguments of let, read,
// unset, declare and their kin, after printf -v or test -v, and inside
// $(( )), (( )), $[ ] or ${ }; and every placeholder of a script that
// also holds a construct the binder does not follow ($'...', <<<, ${ }
// with quoting inside, an unbalanced parenthesis), or one through which a
// value could reach such a place by way of a variable, a pipe or a
// here-document (arithmetic, [[ ]], alias, a command named by an
// expansion, a script reader given an expansion or standard input). What
// a program other than those does with a value it is given is up to that
// program.
BoundScript bindShellValues(const QString& script, const QList<std::pair<QString, QString>>& values);

} // namespace platform
