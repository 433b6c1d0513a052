#pragma once

#include "ShellWords.h"

#include <QList>

namespace platform::shell {

// Checks a simple command against what its program does with its words.
// `stdinMayCarry`: a pipe, a redirection or a here-document may bring it a
// value. True when it reads its standard input as script.
bool checkCommand(const QList<Word>& words, bool stdinMayCarry, Findings& findings);

} // namespace platform::shell
