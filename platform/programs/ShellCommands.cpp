// What the commands the script binder knows do with their words: where a
// value would be read as script, a name or arithmetic.
#include "ShellCommands.h"

#include "ScriptBinder.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <utility>

namespace platform::shell {

namespace {

bool isNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// How a command treats the words that follow its name.
enum class Reads
{
    Text,
    Script,      // every argument is script, or a script file to read
    Shell,       // the script after -c, or a script file, or standard input
    Ssh,         // a remote command after the host, or standard input
    Names,       // variable names, whose subscripts bash evaluates
    Declaration, // names and assignments
    Arithmetic,
    Printf, // a name after -v, and a format
    Test,   // operators, and a name after -v
    Loop,   // for and select: a name, then words
    Wrapper // runs a command named by its arguments
};

// A shell, or a program whose work is to run what its arguments name.
struct Runner
{
    QString name;
    Reads reads; // Script, Shell or Wrapper
    // A wrapper's short and long options that take an argument, and the
    // operands it takes before the command.
    QString withArgument = {};
    QStringList longWithArgument = {};
    int operands = 0;
    // Its option whose argument is a script to run, short and long.
    QChar scriptOption = {};
    QString scriptLongOption = {};
    // Given no command, it starts a shell that reads its standard input.
    bool shellWithout = false;
    // It gives the command what its standard input carries as arguments.
    bool appendsInput = false;
    // The words after which the commands it runs stand, instead of after
    // its options, and the words that end such a command.
    QStringList markers = {};
    QStringList ends = {};
    // Outside those commands, the words after which a value is only text;
    // empty when it may stand anywhere.
    QStringList valuesAfter = {};
};

// Every shell, and every builtin and program of the shells, coreutils,
// util-linux, findutils, login, procps, sudo, openssh-client, iproute2,
// systemd, xvfb, dbus, fakeroot, gdb, strace, valgrind and xterm whose work
// is to run a command its arguments name. What they run is held to the
// rules of a script's own commands.
const QList<Runner>& runners()
{
    using R = Reads;
    static const QList<Runner> table{
        {.name = "eval", .reads = R::Script},
        {.name = ".", .reads = R::Script},
        {.name = "source", .reads = R::Script},
        {.name = "compgen", .reads = R::Script},
        {.name = "complete", .reads = R::Script},
        {.name = "watch", .reads = R::Script},
        {.name = "su", .reads = R::Script, .shellWithout = true},
        {.name = "runuser", .reads = R::Script, .shellWithout = true},
        {.name = "sg", .reads = R::Script, .shellWithout = true},
        {.name = "newgrp", .reads = R::Script, .shellWithout = true},
        {.name = "at", .reads = R::Script, .shellWithout = true},
        {.name = "batch", .reads = R::Script, .shellWithout = true},
        {.name = "sh", .reads = R::Shell},
        {.name = "bash", .reads = R::Shell},
        {.name = "rbash", .reads = R::Shell},
        {.name = "dash", .reads = R::Shell},
        {.name = "ksh", .reads = R::Shell},
        {.name = "ksh93", .reads = R::Shell},
        {.name = "mksh", .reads = R::Shell},
        {.name = "lksh", .reads = R::Shell},
        {.name = "posh", .reads = R::Shell},
        {.name = "yash", .reads = R::Shell},
        {.name = "zsh", .reads = R::Shell},
        {.name = "fish", .reads = R::Shell},
        {.name = "csh", .reads = R::Shell},
        {.name = "tcsh", .reads = R::Shell},
        {.name = "exec", .reads = R::Wrapper, .withArgument = "a"},
        {.name = "xargs",
         .reads = R::Wrapper,
         .withArgument = "adEILnPs",
         .longWithArgument = {"--arg-file", "--delimiter", "--max-args", "--max-procs", "--max-chars",
                              "--process-slot-var"},
         .appendsInput = true},
        {.name = "command", .reads = R::Wrapper},
        {.name = "builtin", .reads = R::Wrapper},
        {.name = "time", .reads = R::Wrapper, .withArgument = "fo"},
        {.name = "busybox", .reads = R::Wrapper},
        {.name = "env",
         .reads = R::Wrapper,
         .withArgument = "uC",
         .longWithArgument = {"--unset", "--chdir"},
         .scriptOption = u'S',
         .scriptLongOption = "--split-string"},
        {.name = "nice", .reads = R::Wrapper, .withArgument = "n", .longWithArgument = {"--adjustment"}},
        {.name = "nohup", .reads = R::Wrapper},
        {.name = "timeout",
         .reads = R::Wrapper,
         .withArgument = "sk",
         .longWithArgument = {"--signal", "--kill-after"},
         .operands = 1},
        {.name = "stdbuf",
         .reads = R::Wrapper,
         .withArgument = "ioe",
         .longWithArgument = {"--input", "--output", "--error"}},
        {.name = "chroot", .reads = R::Wrapper, .operands = 1, .shellWithout = true},
        {.name = "runcon", .reads = R::Wrapper, .withArgument = "urtl"},
        {.name = "setsid", .reads = R::Wrapper},
        {.name = "ionice", .reads = R::Wrapper, .withArgument = "cnp"},
        {.name = "chrt", .reads = R::Wrapper, .operands = 1},
        {.name = "taskset", .reads = R::Wrapper, .operands = 1},
        {.name = "flock",
         .reads = R::Wrapper,
         .withArgument = "wE",
         .operands = 1,
         .scriptOption = u'c',
         .scriptLongOption = "--command"},
        {.name = "unshare", .reads = R::Wrapper, .withArgument = "SGRw", .shellWithout = true},
        {.name = "nsenter", .reads = R::Wrapper, .withArgument = "tSG", .shellWithout = true},
        {.name = "setpriv",
         .reads = R::Wrapper,
         .longWithArgument = {"--ambient-caps", "--inh-caps", "--bounding-set", "--ruid", "--euid", "--rgid",
                              "--egid", "--reuid", "--regid", "--groups", "--securebits", "--pdeathsig",
                              "--selinux-label", "--apparmor-profile"}},
        {.name = "setarch", .reads = R::Wrapper, .operands = 1, .shellWithout = true},
        {.name = "linux32", .reads = R::Wrapper, .shellWithout = true},
        {.name = "linux64", .reads = R::Wrapper, .shellWithout = true},
        {.name = "i386", .reads = R::Wrapper, .shellWithout = true},
        {.name = "x86_64", .reads = R::Wrapper, .shellWithout = true},
        {.name = "prlimit", .reads = R::Wrapper, .withArgument = "p"},
        {.name = "choom",
         .reads = R::Wrapper,
         .withArgument = "np",
         .longWithArgument = {"--adjust", "--pid"}},
        {.name = "uclampset", .reads = R::Wrapper, .withArgument = "mMp"},
        {.name = "script",
         .reads = R::Wrapper,
         .withArgument = "EIOBTm",
         .operands = 1,
         .scriptOption = u'c',
         .scriptLongOption = "--command",
         .shellWithout = true},
        {.name = "sudo", .reads = R::Wrapper, .withArgument = "ugpChDrtTUR", .shellWithout = true},
        {.name = "doas", .reads = R::Wrapper, .withArgument = "uC", .shellWithout = true},
        {.name = "fakeroot", .reads = R::Wrapper, .withArgument = "lfsib", .shellWithout = true},
        {.name = "fakeroot-sysv", .reads = R::Wrapper, .withArgument = "lfsib", .shellWithout = true},
        {.name = "fakeroot-tcp", .reads = R::Wrapper, .withArgument = "lfsib", .shellWithout = true},
        {.name = "ssh-agent", .reads = R::Wrapper, .withArgument = "aEPtO"},
        {.name = "dbus-run-session", .reads = R::Wrapper},
        {.name = "xvfb-run", .reads = R::Wrapper, .withArgument = "efnpsw"},
        {.name = "systemd-run", .reads = R::Wrapper, .withArgument = "MpEuHtPS"},
        {.name = "systemd-cat", .reads = R::Wrapper, .withArgument = "tp"},
        {.name = "systemd-inhibit", .reads = R::Wrapper},
        {.name = "systemd-socket-activate", .reads = R::Wrapper, .withArgument = "lE"},
        {.name = "strace",
         .reads = R::Wrapper,
         .withArgument = "abeEIoOpPsSuUX",
         .longWithArgument = {"--output", "--attach", "--user", "--env", "--trace-path"}},
        {.name = "valgrind", .reads = R::Wrapper},
        {.name = "find",
         .reads = R::Wrapper,
         .markers = {"-exec", "-execdir", "-ok", "-okdir"},
         .ends = {";", "+"},
         .valuesAfter = {"-name", "-iname", "-path", "-ipath", "-wholename", "-iwholename", "-lname",
                         "-ilname", "-regex", "-iregex"}},
        {.name = "ip", .reads = R::Wrapper, .operands = 1, .markers = {"exec"}},
        {.name = "gdb", .reads = R::Wrapper, .markers = {"--args"}},
        {.name = "xterm", .reads = R::Wrapper, .markers = {"-e"}},
        {.name = "x-terminal-emulator", .reads = R::Wrapper, .markers = {"-e"}},
        {.name = "jobs", .reads = R::Wrapper, .markers = {"-x"}},
    };
    return table;
}

QString baseName(const QString& name)
{
    return name.mid(name.lastIndexOf(u'/') + 1);
}

const Runner* runner(const QString& name)
{
    const QString base = baseName(name);
    const auto found =
        std::find_if(runners().begin(), runners().end(), [&](const Runner& r) { return r.name == base; });
    return found == runners().end() ? nullptr : &*found;
}

Reads commandReads(const QString& name)
{
    if (const Runner* r = runner(name))
        return r->reads;
    static const QList<std::pair<Reads, QStringList>> table{
        {Reads::Ssh, {"ssh"}},
        {Reads::Names, {"read", "unset", "mapfile", "readarray", "getopts"}},
        {Reads::Declaration, {"declare", "typeset", "local", "export", "readonly"}},
        {Reads::Arithmetic, {"let", "[["}},
        {Reads::Printf, {"printf"}},
        {Reads::Test, {"test", "[", "wait"}},
        {Reads::Loop, {"for", "select"}},
    };
    const QString base = baseName(name);
    for (const auto& [reads, names] : table)
        if (names.contains(base))
            return reads;
    return Reads::Text;
}

// Variables whose value changes how the shell, or a shell it starts (the
// one a command-interpreter script leaves open), runs later text.
void checkVariable(QStringView variable, const QString& setBy, Findings& findings)
{
    static const QStringList variables{"BASH_ENV",       "ENV",  "PS0", "PS1", "PS2", "PS4",
                                       "PROMPT_COMMAND", "SHELL"};
    if (variables.contains(variable))
        findings.atRisk(
            QStringLiteral("in a script where %1 sets %2, which changes how a shell runs later text")
                .arg(setBy, variable));
}

// A shell feature that changes how later text runs, as it is written; empty
// for none. set -k (-o keyword) takes assignments anywhere in a command,
// mapfile -C runs a command of its own, the others define commands or change
// how words are read.
QString changesLaterText(const QList<Word>& words, qsizetype n)
{
    static const QStringList always{"alias", "trap", "shopt", "enable", "hash", "coproc"};
    const QString name = baseName(words[n].literal);
    const auto option = [&](QChar letter) {
        return std::any_of(words.begin() + n + 1, words.end(), [&](const Word& w) {
            return (letter == u'k' && w.literal == u"keyword") ||
                   (w.literal.size() > 1 && (w.literal[0] == u'-' || w.literal[0] == u'+') &&
                    w.literal[1] != u'-' && w.literal.contains(letter));
        });
    };
    if (always.contains(name))
        return name;
    if (name == u"set" && option(u'k'))
        return QStringLiteral("set -k");
    if ((name == u"mapfile" || name == u"readarray") && option(u'C'))
        return name + QStringLiteral(" -C");
    return QString();
}

// Words from..to of `name` are the script it runs: when they are fixed
// text, what that script does with values (its positional parameters, its
// standard input) counts too.
void checkScript(const QList<Word>& words, qsizetype from, qsizetype to, const QString& name, bool piped,
                 Findings& findings)
{
    QStringList script;
    for (qsizetype k = from; k < std::min(to, words.size()); ++k) {
        if (!words[k].fixed)
            return; // refused, or at risk, as an argument that is not fixed text
        script << words[k].literal;
    }
    const Findings inner = scanScript(script.join(u' '), piped);
    const QString risk = !inner.lost.isEmpty() ? inner.lost : inner.risk;
    if (!risk.isEmpty())
        findings.atRisk(QStringLiteral("in a script where %1 runs a script of its own that is not safe "
                                       "for values (%2)")
                            .arg(name, risk));
}

// Refuses a placeholder in words[from..to) of `name`, which reads them as
// `why` says; a word there that is not fixed text puts the script at risk.
void checkArguments(const QList<Word>& words, qsizetype from, qsizetype to, const QString& name,
                    const QString& why, Findings& findings)
{
    for (qsizetype k = from; k < std::min(to, words.size()); ++k) {
        findings.refuse(words[k].placeholder, QStringLiteral("in an argument of %1, %2").arg(name, why));
        if (!words[k].fixed)
            findings.atRisk(QStringLiteral("in a script where %1 gets an argument that is not fixed text, %2")
                                .arg(name, why));
    }
}

// The word that holds the script of a shell (after -c, or its script
// file); words.size() when it reads standard input. `command`: it runs the
// script given after -c.
qsizetype shellScript(const QList<Word>& words, qsizetype k, bool& command)
{
    bool fromInput = false;
    command = false;
    for (; k < words.size(); ++k) {
        const QString& w = words[k].literal;
        if (!words[k].fixed || !(w.startsWith(u'-') || w.startsWith(u'+')) || (w.size() < 2 && w != u"-"))
            break;
        if (w == u"--" || w == u"-") {
            ++k;
            break;
        }
        if (w.startsWith(u"--")) {
            k += w == u"--rcfile" || w == u"--init-file" ? 1 : 0;
        } else {
            command = command || w.contains(u'c');
            fromInput = fromInput || w.contains(u's');
            // -o and -O (+o, +O) each take the next word.
            k += w.count(u'o') + w.count(u'O');
        }
    }
    return fromInput && !command ? words.size() : k;
}

// The host of ssh, its options checked; words.size() when there is none.
qsizetype sshHost(const QList<Word>& words, qsizetype k, Findings& findings)
{
    static const QString withArgument = QStringLiteral("BbcDEeFIiJLlmOoPpQRSWw");
    bool options = true;
    for (; k < words.size(); ++k) {
        const Word& w = words[k];
        if (!options || w.startsWithPlaceholder || !w.literal.startsWith(u'-'))
            break;
        if (w.literal == u"--" && w.fixed) {
            options = false;
            continue;
        }
        checkArguments(words, k, k + 1, QStringLiteral("ssh"),
                       QStringLiteral("which could make it an option that runs a command"), findings);
        // Only a login name or a port, no other option's argument, may be a value.
        if (w.literal.size() == 2 && withArgument.contains(w.literal[1]) && ++k < words.size() &&
            w.literal != u"-l" && w.literal != u"-p")
            checkArguments(words, k, k + 1, QStringLiteral("ssh ") + w.literal,
                           QStringLiteral("which may run it as a command"), findings);
    }
    if (k < words.size() && options && (words[k].startsWithPlaceholder || !words[k].fixed)) {
        findings.refuse(words[k].placeholder,
                        QStringLiteral("where ssh could take it for an option (put -- before the host)"));
        findings.atRisk(QStringLiteral("in a script where ssh could take its host for an option"));
    }
    return k;
}

bool isBinaryTestOperator(const QString& word)
{
    static const QStringList operators{"=",   "==",  "!=",  "<",   ">",   "-eq", "-ne", "-lt",
                                       "-le", "-gt", "-ge", "-nt", "-ot", "-ef", "-a",  "-o"};
    return operators.contains(word);
}

// An argument of test that is not fixed text may be an operator (-v, -R
// read a name) unless it is the only one, follows an operator, stands
// before a binary one, or is negated alone.
void checkTestOperators(const QList<Word>& words, qsizetype n, Findings& findings)
{
    const qsizetype end = words.size() - (words.back().fixed && words.back().literal == u"]" ? 1 : 0);
    for (qsizetype k = n + 1; k < end && end - n > 2; ++k) {
        const bool afterOperator =
            k > n + 1 && words[k - 1].fixed &&
            (isBinaryTestOperator(words[k - 1].literal) ||
             (words[k - 1].literal.startsWith(u'-') && words[k - 1].literal.size() > 1) ||
             (words[k - 1].literal == u"!" && end - n == 3));
        const bool beforeOperator =
            k + 1 < end && words[k + 1].fixed && isBinaryTestOperator(words[k + 1].literal);
        if (words[k].fixed || afterOperator || beforeOperator)
            continue;
        findings.refuse(words[k].placeholder,
                        QStringLiteral("in an argument of %1 where it could be an operator, which may read a "
                                       "variable name")
                            .arg(words[n].literal));
        findings.atRisk(QStringLiteral("in a script where %1 could take an expansion for an operator")
                            .arg(words[n].literal));
    }
}

// Checks the words after words[n], the name of a command that `reads`
// them as it does. The index of the first word after those it reads as
// script, words.size() when it reads its standard input as script, -1 when
// it reads none.
qsizetype checkWords(const QList<Word>& words, qsizetype n, Reads reads, bool piped, Findings& findings)
{
    const QString& name = words[n].literal;
    const QString script = QStringLiteral("which reads it as script");
    qsizetype k = n + 1;
    switch (reads) {
    case Reads::Text:
    case Reads::Wrapper:
        break;
    case Reads::Script:
        checkArguments(words, n + 1, words.size(), name, script, findings);
        if (name != u"." && name != u"source")
            checkScript(words, n + 1, words.size(), name, piped, findings);
        else if (n + 1 < words.size())
            return words.size(); // the file may be its standard input under another name
        return runner(name)->shellWithout ? words.size() : 0;
    case Reads::Shell: {
        bool command = false;
        k = shellScript(words, n + 1, command);
        checkArguments(words, k, k + 1, name, script, findings);
        if (k < words.size() && command)
            checkScript(words, k, k + 1, name, piped, findings);
        if (k < words.size() && !command)
            return words.size(); // the file may be its standard input under another name
        return k;
    }
    case Reads::Ssh:
        k = sshHost(words, n + 1, findings);
        if (k == words.size())
            return -1;
        checkArguments(words, k + 1, words.size(), QStringLiteral("ssh after the host"),
                       QStringLiteral("which the remote shell reads as script"), findings);
        checkScript(words, k + 1, words.size(), QStringLiteral("ssh"), piped, findings);
        return k + 1;
    case Reads::Arithmetic: {
        const QString shown = name == u"[[" ? QStringLiteral("[[ ]]") : name;
        findings.atRisk(
            QStringLiteral("in a script with %1, where bash reads words as arithmetic").arg(shown));
        checkArguments(words, n + 1, words.size(), shown,
                       QStringLiteral("which bash reads as a name or arithmetic"), findings);
        return -1;
    }
    case Reads::Names:
        checkArguments(words, n + 1, words.size(), name,
                       QStringLiteral("which bash reads as a name or arithmetic"), findings);
        for (k = n + 1; k < words.size(); ++k)
            if (!words[k].literal.startsWith(u'-'))
                checkVariable(words[k].literal, name, findings);
        return -1;
    case Reads::Loop:
        if (n + 1 < words.size()) {
            findings.refuse(words[n + 1].placeholder, QStringLiteral("as the variable of %1").arg(name));
            checkVariable(words[n + 1].literal, name, findings);
        }
        return -1;
    case Reads::Declaration:
        for (k = n + 1; k < words.size(); ++k) {
            const Word& w = words[k];
            findings.refuse(
                w.placeholder,
                QStringLiteral("in an argument of %1, which bash reads as a name or an assignment")
                    .arg(name));
            const QString nameOrOption = w.raw.left(w.raw.indexOf(u'='));
            if (!w.literal.startsWith(u'-'))
                checkVariable(nameOrOption, name, findings);
            if ((w.literal.startsWith(u'-') && (w.literal.contains(u'i') || w.literal.contains(u'n'))) ||
                nameOrOption.contains(u'[') || nameOrOption.contains(u'$') || nameOrOption.contains(u'`'))
                findings.atRisk(
                    QStringLiteral("in a script with %1 %2, where bash reads a value as arithmetic or a name")
                        .arg(name, w.raw));
        }
        return -1;
    case Reads::Printf:
    case Reads::Test: {
        // printf -v NAME (or -vNAME) as its first option; test -v NAME or
        // -R NAME, and wait -p NAME, anywhere.
        const bool test = reads == Reads::Test && baseName(name) != u"wait";
        qsizetype format = n + 1;
        for (k = n + 1; k < words.size() && (reads == Reads::Test || k == n + 1); ++k) {
            const QString& option = words[k].literal;
            const bool attached = reads == Reads::Printf && option.startsWith(u"-v") && option.size() > 2;
            if (option != (test || reads == Reads::Printf ? u"-v" : u"-p") && !(test && option == u"-R") &&
                !attached && !(reads == Reads::Printf && words[k].raw.startsWith(u"-v") && !words[k].fixed))
                continue;
            const qsizetype nameAt = attached || !words[k].fixed ? k : k + 1;
            format = nameAt + 1;
            checkArguments(words, nameAt, nameAt + 1, name + u' ' + option.left(2),
                           QStringLiteral("which bash reads as a variable name"), findings);
            if (nameAt < words.size())
                checkVariable(QStringView(words[nameAt].literal).mid(nameAt == k ? 2 : 0), name, findings);
        }
        if (test && n + 1 < words.size())
            checkTestOperators(words, n, findings);
        if (reads != Reads::Printf)
            return -1;
        // The format: a value there could be an option (-v) or conversions.
        format += format < words.size() && words[format].fixed && words[format].literal == u"--" ? 1 : 0;
        if (format < words.size() && !words[format].fixed) {
            findings.refuse(
                words[format].placeholder,
                QStringLiteral("as the format of printf, which reads it as options and conversions"));
            findings.atRisk(QStringLiteral("in a script where printf gets a format that is not fixed text"));
        }
        return -1;
    }
    }
    return -1;
}

// Whether option word `text` of `runner` holds its script option, and where
// that script stands: in the word itself (-cSCRIPT, --command=SCRIPT) or in
// the next word.
std::optional<bool> scriptOption(const Runner& runner, const QString& text)
{
    // A long option may be shortened as long as it stays unambiguous.
    const QString longOption = text.left(text.indexOf(u'='));
    if (longOption.size() > 2 && runner.scriptLongOption.startsWith(longOption))
        return text.contains(u'=');
    if (runner.scriptOption.isNull() || text.startsWith(u"--"))
        return std::nullopt;
    for (qsizetype j = 1; j < text.size(); ++j) {
        if (text[j] == runner.scriptOption)
            return j + 1 < text.size();
        if (runner.withArgument.contains(text[j]))
            return std::nullopt;
    }
    return std::nullopt;
}

// Whether option word `text` of `runner` takes the next word as its
// argument. A long option may be shortened as long as it stays unambiguous.
bool takesNextWord(const Runner& runner, const QString& text)
{
    if (text.startsWith(u"--"))
        return !text.contains(u'=') &&
               std::any_of(runner.longWithArgument.begin(), runner.longWithArgument.end(),
                           [&](const QString& option) { return option.startsWith(text); });
    for (qsizetype j = 1; j < text.size(); ++j)
        if (runner.withArgument.contains(text[j]))
            return j + 1 == text.size();
    return false;
}

// The command that the wrapper words[n] runs, its options and operands
// skipped; words.size() when there is none, -1 when what it runs was
// checked here. A value before the command could be the command or an
// option: refused.
qsizetype wrappedCommand(const QList<Word>& words, qsizetype n, const Runner& runner, bool piped,
                         Findings& findings)
{
    const QString& name = runner.name;
    int operands = runner.operands;
    bool options = true;
    qsizetype k = n + 1;
    for (; k < words.size(); ++k) {
        const Word& w = words[k];
        const QString& text = w.literal;
        if (name == u"env" && isAssignment(w.raw)) {
            checkVariable(QStringView(w.raw).left(w.raw.indexOf(u'=')), name, findings);
            continue;
        }
        if (!w.fixed) {
            findings.refuse(w.placeholder,
                            QStringLiteral("after %1, where it could be the command it runs").arg(name));
            findings.atRisk(
                QStringLiteral("in a script where %1 runs a command named only when it runs").arg(name));
            return -1;
        }
        if (options && text == u"--") {
            options = false;
        } else if (options && text.startsWith(u'-') && text.size() > 1) {
            // env -S, flock -c and script -c run a script of their own.
            if (const std::optional<bool> inWord = scriptOption(runner, text)) {
                const qsizetype at = *inWord ? k : k + 1;
                const QString option = text.startsWith(u"--") ? runner.scriptLongOption
                                                              : QStringLiteral("-") + runner.scriptOption;
                checkArguments(words, at, words.size(), name + u' ' + option,
                               QStringLiteral("which reads it as script"), findings);
                if (!*inWord)
                    checkScript(words, at, at + 1, name, piped, findings);
                return -1;
            }
            if (takesNextWord(runner, text) && ++k < words.size())
                findings.refuse(words[k].placeholder,
                                QStringLiteral("as the argument of %1 %2, which may read it as a command")
                                    .arg(name, text));
        } else if (operands-- <= 0) {
            break;
        }
    }
    // A program it names later, past an option this table does not know to
    // take an argument, still has its rules applied.
    for (qsizetype later = k + 1; later < words.size(); ++later)
        if (words[later].fixed && commandReads(words[later].literal) != Reads::Text &&
            commandReads(words[k].literal) == Reads::Text)
            return later;
    return k;
}

// The commands that find, ip, gdb, xterm and jobs run after a marker word,
// each checked as a command of its own. True when one reads its standard
// input as script.
bool markedCommands(const QList<Word>& words, qsizetype n, const Runner& runner, bool stdinMayCarry,
                    Findings& findings)
{
    bool readsScript = false;
    for (qsizetype k = n + 1; k < words.size(); ++k) {
        if (!runner.valuesAfter.isEmpty() &&
            !(words[k - 1].fixed && runner.valuesAfter.contains(words[k - 1].literal)))
            findings.refuse(
                words[k].placeholder,
                QStringLiteral("in an argument of %1, which may read it as an expression or an option")
                    .arg(runner.name));
        if (!words[k].fixed || !runner.markers.contains(words[k].literal))
            continue;
        const qsizetype from = k + 1 + runner.operands;
        qsizetype to = from;
        while (to < words.size() && !(words[to].fixed && runner.ends.contains(words[to].literal)))
            ++to;
        if (from < to)
            readsScript = checkCommand(words.mid(from, to - from), stdinMayCarry, findings) || readsScript;
        k = to;
    }
    return readsScript;
}

// xargs runs words[n..] with what its standard input carries as further
// arguments or, with -I (-i, --replace), in place of a string in them.
void checkAppendedInput(const QList<Word>& words, qsizetype xargs, qsizetype n, Findings& findings)
{
    QString replaced;
    for (qsizetype k = xargs + 1; k < n; ++k) {
        const QString& option = words[k].literal;
        if (option == u"-I" && k + 1 < n)
            replaced = words[k + 1].literal;
        else if (option.startsWith(u"-I") || option.startsWith(u"-i") || option.startsWith(u"--replace"))
            replaced = option.mid(option.startsWith(u"--") ? option.indexOf(u'=') + 1 : 2);
        if (option.startsWith(u"-i") || option == u"--replace")
            replaced = replaced.isEmpty() ? QStringLiteral("{}") : replaced;
    }
    QList<Word> command = words.mid(n);
    for (Word& w : command)
        w.fixed = w.fixed && (replaced.isEmpty() || !w.literal.contains(replaced));
    // Words at the end, where splitting moves no other.
    Word input;
    input.fixed = false;
    command.append(input);
    Findings inner;
    checkCommand(command, false, inner);
    const QString risk = !inner.lost.isEmpty() ? inner.lost : inner.risk;
    if (!risk.isEmpty())
        findings.atRisk(
            QStringLiteral("in a script where xargs gives what its standard input carries to %1 (%2)")
                .arg(words[n].literal, risk));
}

} // namespace

bool isAssignment(const QString& raw)
{
    qsizetype j = 0;
    while (j < raw.size() && isNameChar(raw[j]))
        ++j;
    if (j == 0 || raw[0].isDigit())
        return false;
    if (j < raw.size() && raw[j] == u'[')
        j = raw.indexOf(u']', j) + 1;
    if (j > 0 && j < raw.size() && raw[j] == u'+')
        ++j;
    return j > 0 && j < raw.size() && raw[j] == u'=';
}

bool checkCommand(const QList<Word>& words, bool stdinMayCarry, Findings& findings)
{
    qsizetype n = 0;
    for (; n < words.size() && isAssignment(words[n].raw); ++n) {
        findings.refuse(words[n].inSubscript,
                        QStringLiteral("inside an array subscript, where bash reads it as arithmetic"));
        checkVariable(QStringView(words[n].raw).left(words[n].raw.indexOf(u'=')),
                      QStringLiteral("an assignment"), findings);
        if (words[n].raw.left(words[n].raw.indexOf(u'=')).contains(u'['))
            findings.atRisk(QStringLiteral("in a script with an array assignment, whose subscript bash reads "
                                           "as arithmetic"));
    }
    if (n == words.size())
        return false;
    const Word& command = words[n];
    findings.refuse(command.placeholder, QStringLiteral("as the name of a command"));
    if (!command.fixed) {
        checkArguments(words, n + 1, words.size(), QStringLiteral("a command named only when it runs"),
                       QStringLiteral("which could be any program"), findings);
        findings.atRisk(QStringLiteral("in a script with a command named only when it runs"));
        return false;
    }
    QString name = command.literal;
    Reads reads = commandReads(name);
    qsizetype k = -1;
    while (reads == Reads::Wrapper) {
        const Runner& wrapper = *runner(name);
        if (!wrapper.markers.isEmpty())
            return markedCommands(words, n, wrapper, stdinMayCarry, findings);
        const qsizetype wrapperAt = n;
        n = wrappedCommand(words, n, wrapper, stdinMayCarry, findings);
        if (wrapper.appendsInput && stdinMayCarry && n >= 0 && n < words.size())
            checkAppendedInput(words, wrapperAt, n, findings);
        if (n < 0 || (n == words.size() && !wrapper.shellWithout))
            return false;
        if (n == words.size()) {
            k = n; // it starts a shell
            break;
        }
        name = words[n].literal;
        reads = commandReads(name);
    }
    if (const QString feature = k < 0 ? changesLaterText(words, n) : QString(); !feature.isEmpty())
        findings.atRisk(
            QStringLiteral("in a script with %1, which changes how later text runs").arg(feature));
    if (k < 0)
        k = checkWords(words, n, reads, stdinMayCarry, findings);
    // An expansion outside quotation marks may split into words and move
    // the others: the places of this command's words are not known then.
    if (reads != Reads::Text && reads != Reads::Loop && n < words.size() &&
        std::any_of(words.begin() + n + 1, words.end(), [](const Word& w) { return w.splits; })) {
        checkArguments(words, n + 1, words.size(), name,
                       QStringLiteral("where an expansion outside quotation marks can move its words"),
                       findings);
        findings.atRisk(
            QStringLiteral("in a script where %1 gets an expansion outside quotation marks").arg(name));
    }
    if (k < words.size())
        return false;
    if (stdinMayCarry)
        findings.atRisk(QStringLiteral("in a script whose pipe, redirection or here-document feeds %1, which "
                                       "reads its standard input as script")
                            .arg(name));
    return true;
}

} // namespace platform::shell
