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
// What a bound script guarantees: run by dash, bash or bash --posix, every
// value reaches the place of its placeholder as the text it is, byte for
// byte, and the shell reads none of it as code: not as syntax, a command
// name, a pattern, arithmetic, a variable name, nor as an option or script
// of a shell or of a program whose work is to run a command its arguments
// name (the table of ShellCommands.cpp), directly or through a variable, a
// pipe, a redirection or a here-document.
//
// Where the binder cannot tell that, the script is refused, and `because`
// says where the placeholder stands: the first placeholder when that place
// itself is unsafe, else any, when the script holds a construct the binder
// does not follow or one a value could reach indirectly.
//
// Beyond the guarantee: what a program given a value as its own program
// text (python3 -c, perl -e, awk, sed's e command) does with it, and what a
// file a value is written to is later used for.
BoundScript bindShellValues(const QString& script, const QList<std::pair<QString, QString>>& values);

namespace shell {

// Reads a script that a command runs (the script of sh -c, eval's words,
// the remote command of ssh) as the binder reads a template, for what puts
// values at risk; `piped`: its standard input may carry a value.
Findings scanScript(const QString& text, bool piped);

} // namespace shell

} // namespace platform
