#pragma once

// The words of a command as the script binder reads them, and what it finds
// in a script: shared by the binder and the table of the commands it knows.

#include <QList>
#include <QString>

namespace platform::shell {

// A word of a command as the binder read it.
struct Word
{
    QString raw;     // as written
    QString out;     // with its placeholders bound
    QString literal; // with its quoting removed; the command's text when `fixed`
    // No expansion and no placeholder: the same text whenever it runs.
    bool fixed = true;
    // No quoting either, as a reserved word must be written.
    bool plain = true;
    // An expansion outside quotation marks, which may split into words.
    bool splits = false;
    QString placeholder; // the first one in it, inside $( ) and backquotes too
    bool startsWithPlaceholder = false;
    // The first placeholder inside the subscript of name[...] where bash
    // reads the word as an array assignment.
    QString inSubscript;
};

// What the binder found in a script.
struct Findings
{
    // The first placeholder refused where it stands, and where that is.
    QString refused, because;
    // A construct that puts every placeholder of the script at risk: one a
    // value could reach through a variable, a pipe or a here-document, or
    // one the binder does not follow (after which it reads no further).
    QString risk, lost;

    void refuse(const QString& placeholder, const QString& why)
    {
        if (refused.isEmpty() && !placeholder.isEmpty())
            refused = placeholder, because = why;
    }
    void atRisk(const QString& why)
    {
        if (risk.isEmpty())
            risk = why;
    }
    void loseTrack(const QString& what)
    {
        if (lost.isEmpty())
            lost = QStringLiteral("in a script with %1, which the binder does not follow").arg(what);
    }
};

// name=, name+= or name[...]= at the start of a word.
bool isAssignment(const QString& raw);

} // namespace platform::shell
