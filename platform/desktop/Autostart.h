#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Start at login: one XDG autostart entry per name, a desktop file in
// $XDG_CONFIG_HOME/autostart (else ~/.config/autostart) that the desktop
// runs when the user logs in.

enum class AutostartState
{
    Absent,    // no entry of that name, or one the desktop skips
    Present,   // `command` holds its Exec value as the file has it
    Unreadable // the entry or its folder cannot be read
};

// The Exec value that runs `program` with `arguments`: each argument quoted
// by the desktop-entry rules where it needs it, then escaped as a string
// value of the file. The program is always quoted.
QString autostartCommand(const QString& program, const QStringList& arguments);

// The file of the entry.
QString autostartEntryPath(const QString& name);

AutostartState readAutostartEntry(const QString& name, QString& command);

// Writes the entry (replacing the file as a whole) or removes it; false when
// that failed. Removing an entry that is not there succeeds.
bool writeAutostartEntry(const QString& name, const QString& command);
bool removeAutostartEntry(const QString& name);

} // namespace platform
