// Values bound to the placeholders of /bin/sh scripts, proved with real
// shells: dash (Debian's /bin/sh), bash, and bash in its POSIX mode (the
// /bin/sh of other systems).
#include "platform/programs/ScriptBinder.h"

#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// Each sink writes what it is given to the file named by $out: the sink,
// and what the file then holds with @ standing for the value.
const std::pair<const char*, const char*> sinks[] = {
    {"printf %s %message >\"$out\"", "@"},
    // A backslash that escapes nothing stays; an escaped placeholder is text.
    {"printf '%s|' \"%user\" 'x%message' \"\\%message\" \\%user >\"$out\"", "@|x@|\\@|%user|"},
    // dash has no arrays: a subscript is only text in an argument
    {"printf '%s %s' k[%user] msg[%message] >\"$out\"", "k[@] msg[@]"},
    {"cat >\"$out\" <<EOF; cat >>\"$out\" <<-E\n<%message>\nEOF\n\t%user\n\tE", "<@>\n@\n"},
    // The words after a shell's script are only its arguments.
    {"sh -c 'printf %s \"$1\" >\"$out\"' sh %message", "@"},
    // A dollar sign before a placeholder is text.
    {"printf %s \"US$%message\" $%user >\"$out\"; cat >>\"$out\" <<E\n$%message\nE", "US$@$@$@\n"},
    // A value copied into a variable, or given to a program as arguments.
    {"printf %s \"$(MSG=%message; printf %s. \"$MSG\")\" >\"$out\"", "@."},
    {"env MSG=%message sh -c 'printf %s \"$MSG\" >\"$out\"'", "@"},
    {"printf '%s' %message | xargs -0 printf %s >\"$out\"", "@"},
};

// The forms a sink may stand in (at @), each accepted.
const char* const accepted[] = {
    "@",
    "true; : ${HOME} ${x:-y} \"${x:-y}\"; @",
    "false || true && 2>/dev/null @",
    "# %message )\n@",
    "printf x | @",
    "if true; then\n@\nfi",
    "for x in 1; do\n@\ndone",
    "while true; do\n@\nbreak; done",
    "{\n@\n}",
    "(\n@\n)",
    ": \"$(\n@\n)\"",
    ": $(: $(\n@\n))",
    ": `\n@\n`",
    ": \"`\n@\n`\"",
    ": `: \\`\n@\n\\``",
    "case x in x)\n@\n;; esac",
    "case %user in (*)\n@\n;; esac",
    // A ) after a pattern inside $( ) does not end the substitution.
    ": \"$(case %user in *)\n@\n;; y|z) ;; esac)\"",
    "exec 3>&1; @",
    "set -e; set -o errexit; IFS= read -r x <<EOF\n%user\nEOF\n@",
    "find /dev/null -name %user -o -path %message; @",
    // A backslash-newline joins a body line with the next: no delimiter there.
    "cat <<EOF >/dev/null\nx\\\nEOF\n%user\nEOF\n@",
};

// Forms that must be refused, and a word of what the refusal names.
const std::pair<const char*, const char*> refused[] = {
    // Commands that read their argument as script
    {"eval 'printf %s %message >out'", "eval"},
    {"sh -c 'printf %s %message >out'", "sh"},
    {"bash -ec \"printf %s %message >out\"", "bash"},
    {"/usr/bin/dash -xc \"$1\" sh %message", "dash"},
    {"trap 'printf %s %message >out' EXIT", "trap"},
    {"ssh -- %ip 'echo %message | write %user'", "ssh after the host"},
    {"printf '%s\\n' %user %message | ssh -- %ip", "ssh"},
    {"ssh %ip true", "option"},
    {"ssh -o ProxyCommand=%message x true", "ssh"},
    {"ssh -- `printf %s %ip`", "expansion outside quotation marks"},
    {"su -c 'write %user' root", "su"},
    {"printf %s %message | xargs printf", "xargs"},
    {"printf %s %message | xargs -I{} sh -c 'echo {}'", "xargs"},
    {"printf %s %message | sh", "sh"},
    {"printf %s %message | while read -r l; do sh; done", "sh"},
    {"sh <<EOF\n%message\nEOF", "sh"},
    {"env sh -c 'printf %s %message >out'", "sh"},
    {"sh -c 'eval \"$1\"' sh %message", "eval"},
    {"printf '%s\\n' %user %message | ssh -- %ip sh", "ssh"},
    {"f() { sh -c \"$1\"; }; f %message", "defines a function"},
    {"%message", "name of a command"},
    {"$cmd %message", "named only when it runs"},
    {"/bin/s[h] -c %message", "named only when it runs"},
    {"/bin/da?h -c %message", "named only when it runs"},
    {"/usr/bin/en[v] -S %message", "named only when it runs"},
    {"{sh,-c} %message", "named only when it runs"},
    {"{eval,} %message", "named only when it runs"},
    {"e{v,}al %message", "named only when it runs"},
    {"sh {-c,} %message", "expansion outside quotation marks"},
    // bash's arithmetic and names
    {"if((%message)); then :; fi", "(( ))"},
    {"for ((i=0; i<1; i++)); do printf %s %message >out; done", "(( ))"},
    {"declare -i n; n=%message", "declare -i"},
    {"f() { local -i n=%message; }; f", "local"},
    {"\\let n=%message", "let"},
    {"a=([%message]=1)", "parenthesis"},
    {"a[ %message ]=1", "array subscript"},
    {"a[ %message ]=1 true", "array subscript"},
    {"a[ %message ]+=x", "array subscript"},
    {"[ -v %message ]", "-v"},
    {"test -v %message", "-v"},
    {"printf -v %message x", "printf -v"},
    {"printf -v%message x", "printf -v"},
    {"[ -R %message ]", "-R"},
    {"read %message", "read"},
    {"unset %message", "unset"},
    {"local -n r=%message", "local"},
    {"export v=%message", "export"},
    {"x=%message; echo $((x))", "$(( ))"},
    {"for x in %message; do echo $((x)); done", "$(( ))"},
    {"set -- %message; echo $(($1))", "$(( ))"},
    {"f() { local -i n=$1; }; f %message", "defines a function"},
    {"[[ %message = x ]]", "[[ ]]"},
    {"echo ${a[%message]}", "${ }"},
    {"echo $[%message]", "$[ ]"},
    {"echo ${x:-%message}", "${ }"},
    {"echo ${x:$1} %message", "${x:$1}"},
    {"alias e=eval\ne %message", "alias"},
    // Features that change how later text runs
    {"f() {\nprintf %s %message\n}\nf", "defines a function"},
    {"f() { sh; }; printf '%s\\n' %message | f", "defines a function"},
    {"cat() { sh; }; printf '%s\\n' %message | cat", "defines a function"},
    {"trap sh EXIT; exec <<EOF\n%message\nEOF", "trap"},
    {"BASH_ENV=/dev/stdin bash -c : <<EOF\n%message\nEOF", "BASH_ENV"},
    {"env BASH_ENV=/dev/stdin bash -c : <<EOF\n%message\nEOF", "BASH_ENV"},
    {"set -k; bash -c : BASH_ENV=/dev/stdin <<EOF\n%message\nEOF", "set -k"},
    {"PS4='$(sh -c \"$1\")'; set -- %message; set -x; :", "PS4"},
    {"mapfile -C eval -c 1 arr <<EOF\n%message\nEOF", "mapfile -C"},
    {"readarray -C eval -c 1 arr <<EOF\n%message\nEOF", "readarray -C"},
    {"printf %s %message | { read -r PS4; set -x; :; }", "PS4"},
    {"for SHELL in %message; do :; done", "SHELL"},
    // Quoting the scanner does not follow
    {": \"${x:-\"}\"}\"; printf %s %message >\"$out\"", "${ }"},
    {": ${x:-'}'}; printf %s %message >\"$out\"", "${ }"},
    {": $'it\\'s'; printf %s %message >\"$out\"", "$'"},
    {"write %user <<< %message", "<<<"},
    {"cat <<'EOF' >out\n%message\nEOF", "quoted delimiter"},
    {"cat <(printf %s %message)", "process substitution"},
    {"cat <<EOF\nE\\\nOF\n%message\nEOF", "here-document ended"},
    {"echo \"$(cat <<EOF\nhi\nEOF)\"\n%message\nEOF", "here-document ended"},
    {"echo \"$(cat <<EOF\nhi\nEOF )\"\n%message\nEOF", "here-document ended"},
    // Shells reading their standard input by a file name, or from a file a value names
    {"printf '%s\\n' %message | sh /dev/stdin", "sh"},
    {"printf '%s\\n' %message | bash /dev/fd/0", "bash"},
    {"printf '%s\\n' %message | sh /proc/self/fd/0", "sh"},
    {"printf '%s\\n' %message | . /dev/stdin", "feeds ."},
    {"printf '%s\\n' %message | sh -", "sh"},
    {"sh < %message", "redirection"},
    {"exec 3<%message; sh /dev/fd/3", "sh"},
    {"cd /dev/fd && . ./0 <<EOF\n%message\nEOF", "feeds ."},
    {"cd /dev/fd && sh 0 <<EOF\n%message\nEOF", "sh"},
    {"cd /proc/self/fd && sh 0 <<EOF\n%message\nEOF", "sh"},
    {"ln -sf /dev/stdin F; sh F <<EOF\n%message\nEOF", "sh"},
    // Shell options that take an argument, and busybox's applet
    {"bash -O extglob -c %message", "bash"},
    {"bash --rcfile /dev/null -c %message", "bash"},
    {"bash --init-file /dev/null -c %message", "bash"},
    {"bash -O extglob -c 'eval \"$1\"' sh %message", "eval"},
    {"busybox sh -c %message", "sh"},
    // Programs that run a command their arguments name
    {"setpriv sh -c %message", "sh"},
    {"unshare sh -c %message", "sh"},
    {"script -qc %message /dev/null", "script -c"},
    {"sg root -c %message", "sg"},
    {"ssh-agent sh -c %message", "sh"},
    {"chroot / sh -c %message", "sh"},
    {"printf %s %message | chroot /", "chroot"},
    {"rbash -c %message", "rbash"},
    {"find . -exec sh -c %message \\;", "sh"},
    {"find . -name x -execdir true {} + -ok sh -c %message \\;", "sh"},
    {"ip netns exec n sh -c %message", "sh"},
    {"env --chdir DIR flock F -c %message", "flock -c"},
    {"timeout --signal KILL 5 flock F -c %message", "flock -c"},
    {"nice --adjustment 1 env -S %message", "env -S"},
    {"setpriv --pdeathsig keep env -S %message", "env -S"},
    {"stdbuf --output L env -S %message", "env -S"},
    {"choom --adjust 1 -- env -S %message", "env -S"},
    {"env --unset X script -qc %message /dev/null", "script -c"},
    {"strace -o %message true", "strace -o"},
    {"fakeroot -l %message true", "fakeroot -l"},
    {"fakeroot-sysv -l %message true", "fakeroot-sysv -l"},
    {"fakeroot-tcp -l %message true", "fakeroot-tcp -l"},
    {"find %message canary", "find"},
    {"find . -maxdepth 0 %message canary", "find"},
    // bash forms that evaluate a value
    {"time [[ %message -eq 1 ]]", "[[ ]]"},
    {"bash -c 'compgen -W \"$1\"' sh %message", "compgen"},
    {"bash -c 'jobs -x \"$1\"' sh %message", "named only when it runs"},
    {"bash -c 'wait -n -p \"$1\"' sh %message", "wait -p"},
    {"bash -c 'printf -v x \"$1\"' sh %message", "format"},
    {"printf %message", "format"},
    {"[ %message %user ]", "operator"},
};

TEST(BindShellValues, AcceptedFormsDeliverEveryValueExactlyAndRefusedFormsAreRefused)
{
    // Values that run `touch canary`, split, glob or end their quoting if
    // the shell reads them as anything but text.
    const QStringList values = {
        QStringLiteral("$(touch canary)"),
        QStringLiteral("`touch canary`"),
        QStringLiteral("'; touch canary #"),
        QStringLiteral("it's \"so\" \\"),
        QStringLiteral(");touch canary;("),
        QStringLiteral("EOF\ntouch canary\n"),
        QStringLiteral("a  b *"),
        QStringLiteral("a[$(touch canary)]"),
        QStringLiteral("-n -e 你好，世界"),
        QString(),
    };
    const QString dash = QStandardPaths::findExecutable(QStringLiteral("dash"));
    const QString bash = QStandardPaths::findExecutable(QStringLiteral("bash"));
    ASSERT_FALSE(dash.isEmpty() || bash.isEmpty()) << "install dash and bash";
    test::ScopedEnvironment env;
    // Names that a word holding a value would match as a pattern.
    for (const char* name : {"/ka", "/msga", "/a"})
        QFile(env.path() + QString::fromUtf8(name)).open(QIODevice::WriteOnly);
    // The bound script is the same whatever the values are: one shell per
    // form, sink and shell runs it with each value in turn, each writing to
    // a file of its own.
    const QString driver = QStringLiteral("script=$1 shell=$2 file=$3; shift 3; n=0\n"
                                          "for v do n=$((n+1)); out=$file$n $shell -c \"$script\" sh \"$v\" "
                                          "\"$v\"; done");
    const QString shells[] = {dash, bash, bash + QStringLiteral(" --posix")};
    for (const char* form : accepted) {
        std::vector<std::unique_ptr<QProcess>> runs;
        for (const auto& [sink, written] : sinks) {
            const QString script = QString::fromUtf8(form).replace(u'@', QString::fromUtf8(sink));
            const platform::BoundScript bound = platform::bindShellValues(
                script, {{QStringLiteral("%user"), QStringLiteral("u")}, {QStringLiteral("%message"), {}}});
            ASSERT_TRUE(bound.refused.isEmpty()) << script.toStdString() << bound.because.toStdString();
            for (const QString& shell : shells) {
                runs.push_back(std::make_unique<QProcess>());
                runs.back()->setWorkingDirectory(env.path());
                runs.back()->start(dash, QStringList{"-c", driver, "driver", bound.text, shell,
                                                     QStringLiteral("out%1-").arg(runs.size())} +
                                             values);
            }
        }
        for (size_t run = 0; run < runs.size(); ++run) {
            const QString sink = QString::fromUtf8(sinks[run / std::size(shells)].first);
            SCOPED_TRACE(::testing::Message() << QString::fromUtf8(form).replace(u'@', sink).toStdString()
                                              << "\nin " << shells[run % std::size(shells)].toStdString());
            ASSERT_TRUE(runs[run]->waitForFinished(60000));
            for (qsizetype n = 0; n < values.size(); ++n) {
                QFile file(env.path() + QStringLiteral("/out%1-%2").arg(run + 1).arg(n + 1));
                ASSERT_TRUE(file.open(QIODevice::ReadOnly))
                    << runs[run]->readAllStandardError().toStdString();
                EXPECT_EQ(QString::fromUtf8(file.readAll()).toStdString(),
                          QString::fromUtf8(sinks[run / std::size(shells)].second)
                              .replace(u'@', values[n])
                              .toStdString());
                file.remove();
            }
        }
        ASSERT_FALSE(QFile::exists(env.path() + QStringLiteral("/canary"))) << form;
    }
    for (const auto& [form, named] : refused) {
        const platform::BoundScript bound = platform::bindShellValues(
            QString::fromUtf8(form), {{QStringLiteral("%ip"), QStringLiteral("h")},
                                      {QStringLiteral("%user"), QStringLiteral("u")},
                                      {QStringLiteral("%message"), QStringLiteral("m")}});
        EXPECT_FALSE(bound.refused.isEmpty()) << form;
        EXPECT_TRUE(bound.because.contains(QString::fromUtf8(named)))
            << form << ": " << bound.because.toStdString();
    }
}

} // namespace
