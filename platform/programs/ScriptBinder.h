#pragma once

#include "ShellWords.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace platform {

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
// What a bound script guarantees, run by dash, bash or bash --posix: every
// value reaches the place of its placeholder as the text it is, byte for
// byte, and
// (a) wherever a placeholder stands in the script's own text, the shell
//     reads its value as data (not as syntax, a command name, a pattern,
//     arithmetic or a variable name), or the script is refused;
// (b) a command whose name is not a plain word (a pattern, a brace
//     expansion, an expansion, a name the script defines as a function or
//     an alias) receives no value;
// (c) the shells and programs of the table in ShellCommands.cpp, reached by
//     their literal names, are read with their options: the scripts they
//     run are held to these same rules, and a value never stands where one
//     of them reads an option, an expression or a command;
// (d) a script that holds a placeholder uses none of the shell features
//     that change how later text runs: function and alias definitions,
//     trap, set -k (set -o keyword), shopt, mapfile or readarray -C, and
//     assignments to BASH_ENV, ENV, PS4 and PROMPT_COMMAND (and to PS0, PS1,
//     PS2 and SHELL, which the shell a command-interpreter script leaves open
//     reads).
//
// Where the binder cannot tell that, the script is refused, and `because`
// says where the placeholder stands: the first placeholder when that place
// itself is unsafe, else any, when the script holds a construct the binder
// does not follow or one a value could reach indirectly.
//
// Beyond the guarantee: a value the script copies into a variable is the
// script's to use; any other program receives each value as one argument
// and does with it what it does (python3 -c, perl -e, gdb -ex, vim -c,
// ssh -o ProxyCommand=, git -c core.sshCommand=); and what a file a value
// is written to is later used for.
BoundScript bindShellValues(const QString& script, const QList<std::pair<QString, QString>>& values);

namespace shell {

// Reads a script that a command runs (the script of sh -c, eval's words,
// the remote command of ssh) as the binder reads a template, for what puts
// values at risk; `piped`: its standard input may carry a value.
Findings scanScript(const QString& text, bool piped);

} // namespace shell

} // namespace platform
