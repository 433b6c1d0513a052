// What the commands the script binder knows do with their words: where a
// value would be read as script, a name or arithmetic.
#include "ShellWords.h"

#include <QStringList>

#include <algorithm>
#include <tuple>
#include <utility>

namespace platform::shell {

namespace {

bool isNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// name=, name+= or name[...]= at the start of a word.
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
    Printf,  // a name after -v
    Test,    // a name after -v
    Loop,    // for and select: a name, then words
    Wrapper, // runs a command named by its arguments
    Grammar  // changes how the shell reads the words that follow
};

QString baseName(const QString& name)
{
    return name.mid(name.lastIndexOf(u'/') + 1);
}

Reads commandReads(const QString& name)
{
    static const QList<std::pair<Reads, QStringList>> table{
        {Reads::Script, {"eval", "trap", ".", "source", "su", "runuser", "xargs", "watch", "at", "batch"}},
        {Reads::Shell, {"sh", "bash", "dash", "ksh", "mksh", "zsh", "busybox"}},
        {Reads::Ssh, {"ssh"}},
        {Reads::Names, {"read", "unset", "mapfile", "readarray", "getopts"}},
        {Reads::Declaration, {"declare", "typeset", "local", "export", "readonly"}},
        {Reads::Arithmetic, {"let"}},
        {Reads::Printf, {"printf"}},
        {Reads::Test, {"test", "["}},
        {Reads::Loop, {"for", "select"}},
        {Reads::Wrapper,
         {"exec", "command", "builtin", "nohup", "time", "env", "nice", "sudo", "doas", "setsid", "timeout",
          "stdbuf", "ionice", "chrt", "taskset", "flock"}},
        {Reads::Grammar, {"alias", "shopt", "enable", "hash", "coproc"}},
    };
    const QString base = baseName(name);
    for (const auto& [reads, names] : table)
        if (names.contains(base))
            return reads;
    return Reads::Text;
}

// Programs of the Script kind that read their script from standard input
// when given none.
bool readsStandardInputAsScript(const QString& name)
{
    static const QStringList names{"su", "runuser", "xargs", "at", "batch"};
    return names.contains(baseName(name));
}

// A variable in capitals is one the shell or the programs it starts read
// (PATH, PS4, SHELL, PROMPT_COMMAND): no value may reach it.
void checkVariable(QStringView variable, const QString& setBy, Findings& findings)
{
    if (std::any_of(variable.begin(), variable.end(), [](QChar c) { return c >= u'A' && c <= u'Z'; }))
        findings.atRisk(QStringLiteral("in a script where %1 sets %2, which the shell or its programs read")
                            .arg(setBy, variable));
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
// file); words.size() when it reads standard input.
qsizetype shellScript(const QList<Word>& words, qsizetype k)
{
    bool command = false, fromInput = false;
    for (; k < words.size(); ++k) {
        const QString& w = words[k].literal;
        if (!words[k].fixed || w.size() < 2 || !(w.startsWith(u'-') || w.startsWith(u'+')))
            break;
        if (w == u"--")
            return fromInput && !command ? words.size() : k + 1;
        if (!w.startsWith(u"--")) {
            command = command || w.contains(u'c');
            fromInput = fromInput || w.contains(u's');
            k += w.endsWith(u'o') ? 1 : 0; // -o option
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
    case Reads::Grammar:
        break;
    case Reads::Script:
        checkArguments(words, n + 1, words.size(), name, script, findings);
        if (name == u"trap")
            checkScript(words, n + 1, n + 2, name, piped, findings);
        else if (name != u"." && name != u"source")
            checkScript(words, n + 1, words.size(), name, piped, findings);
        return readsStandardInputAsScript(name) ? words.size() : 0;
    case Reads::Shell:
        k = shellScript(words, n + 1);
        checkArguments(words, k, k + 1, name, script, findings);
        if (k < words.size() && words[k - 1].literal.contains(u'c'))
            checkScript(words, k, k + 1, name, piped, findings);
        return k;
    case Reads::Ssh:
        k = sshHost(words, n + 1, findings);
        if (k == words.size())
            return -1;
        checkArguments(words, k + 1, words.size(), QStringLiteral("ssh after the host"),
                       QStringLiteral("which the remote shell reads as script"), findings);
        checkScript(words, k + 1, words.size(), QStringLiteral("ssh"), piped, findings);
        return k + 1;
    case Reads::Arithmetic:
        findings.atRisk(
            QStringLiteral("in a script with %1, where bash reads words as arithmetic").arg(name));
        [[fallthrough]];
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
            if (!w.fixed && !w.literal.startsWith(u'-'))
                checkVariable(nameOrOption, name, findings);
            if ((w.literal.startsWith(u'-') && (w.literal.contains(u'i') || w.literal.contains(u'n'))) ||
                nameOrOption.contains(u'[') || nameOrOption.contains(u'$') || nameOrOption.contains(u'`'))
                findings.atRisk(
                    QStringLiteral("in a script with %1 %2, where bash reads a value as arithmetic or a name")
                        .arg(name, w.raw));
        }
        return -1;
    case Reads::Printf:
    case Reads::Test:
        // printf -v NAME (or -vNAME) as its first option; test -v NAME or
        // -R NAME anywhere.
        for (k = n + 1; k < words.size() && (reads == Reads::Test || k == n + 1); ++k) {
            const QString& option = words[k].literal;
            const bool attached = reads == Reads::Printf && option.startsWith(u"-v") && option.size() > 2;
            if (option != u"-v" && !(reads == Reads::Test && option == u"-R") && !attached &&
                !(reads == Reads::Printf && words[k].raw.startsWith(u"-v") && !words[k].fixed))
                continue;
            const qsizetype nameAt = attached || !words[k].fixed ? k : k + 1;
            checkArguments(words, nameAt, nameAt + 1, name + u' ' + option.left(2),
                           QStringLiteral("which bash reads as a variable name"), findings);
            if (nameAt < words.size())
                checkVariable(QStringView(words[nameAt].literal).mid(nameAt == k ? 2 : 0), name, findings);
        }
        return -1;
    }
    if (reads == Reads::Grammar)
        findings.atRisk(
            QStringLiteral("in a script with %1, which changes how the shell reads later words").arg(name));
    return -1;
}

// The command that the wrapper words[n] runs, its options and operands
// skipped; words.size() when there is none. A value before it could be
// the command or an option: refused.
qsizetype wrappedCommand(const QList<Word>& words, qsizetype n, Findings& findings)
{
    // Each wrapper's options that take an argument, and the operands it
    // takes before the command.
    static const QList<std::tuple<QString, QString, int>> wrappers{
        {"exec", "a", 0},     {"command", "", 0}, {"builtin", "", 0},   {"nohup", "", 0},
        {"time", "", 0},      {"env", "uC", 0},   {"nice", "n", 0},     {"sudo", "ugpChDrtTU", 0},
        {"doas", "uC", 0},    {"setsid", "", 0},  {"timeout", "sk", 1}, {"stdbuf", "ioe", 0},
        {"ionice", "cnp", 0}, {"chrt", "", 1},    {"taskset", "", 1},   {"flock", "wEc", 1},
    };
    const QString name = baseName(words[n].literal);
    const auto rule =
        std::find_if(wrappers.begin(), wrappers.end(), [&](const auto& w) { return std::get<0>(w) == name; });
    const QString withArgument = rule == wrappers.end() ? QString() : std::get<1>(*rule);
    int operands = rule == wrappers.end() ? 0 : std::get<2>(*rule);
    bool options = true;
    qsizetype k = n + 1;
    for (; k < words.size(); ++k) {
        const Word& w = words[k];
        const QString& text = w.literal;
        if (!w.fixed) {
            findings.refuse(w.placeholder,
                            QStringLiteral("after %1, where it could be the command it runs").arg(name));
            findings.atRisk(
                QStringLiteral("in a script where %1 runs a command named only when it runs").arg(name));
            return words.size();
        }
        if (options && text == u"--") {
            options = false;
        } else if (options && text.startsWith(u'-') && text.size() > 1) {
            // env -S and flock -c run a script of their own.
            if ((name == u"env" && (text == u"-S" || text.startsWith(u"--split"))) ||
                (name == u"flock" && (text == u"-c" || text.startsWith(u"--command")))) {
                checkArguments(words, k + 1, words.size(), name + u' ' + text,
                               QStringLiteral("which reads it as script"), findings);
                return words.size();
            }
            if (text.size() == 2 && withArgument.contains(text[1]))
                ++k;
        } else if (!(name == u"env" && isAssignment(w.raw)) && operands-- <= 0) {
            break;
        }
    }
    // A program it names later, past an option this table does not know to
    // take an argument, still has its rules applied.
    for (qsizetype later = k + 1; later < words.size(); ++later)
        if (words[later].fixed && commandReads(words[later].literal) != Reads::Text &&
            commandReads(words[later].literal) != Reads::Wrapper &&
            commandReads(words[k].literal) == Reads::Text)
            return later;
    return k;
}

} // namespace

bool checkCommand(const QList<Word>& words, bool stdinMayCarry, Findings& findings)
{
    qsizetype n = 0;
    for (; n < words.size() && isAssignment(words[n].raw); ++n) {
        findings.refuse(words[n].placeholder,
                        QStringLiteral("in an assignment, whose variable bash may read as arithmetic"));
        if (!words[n].fixed)
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
    while (reads == Reads::Wrapper) {
        n = wrappedCommand(words, n, findings);
        if (n == words.size())
            return false;
        name = words[n].literal;
        reads = commandReads(name);
    }
    const qsizetype k = checkWords(words, n, reads, stdinMayCarry, findings);
    // An expansion outside quotation marks may split into words and move
    // the others: the places of this command's words are not known then.
    if (reads != Reads::Text && reads != Reads::Loop && reads != Reads::Grammar &&
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
        findings.atRisk(QStringLiteral("in a script whose pipe or here-document feeds %1, which reads its "
                                       "standard input as script")
                            .arg(name));
    return true;
}

} // namespace platform::shell
