#pragma once

#include <QString>

// What the user is told when the system lets this program open no kind of
// ICMP socket: every ping box would show NET ERROR 10013 with no reason.
namespace platform {

// The message; where a capability given to the program file was dropped at
// start, it says how to remove it from the file. Its commands go through
// sudo where the shell would find it, else are for root to run, as run.sh
// says them.
QString pingNotAllowedText(const QString& program, bool capabilityDropped);

// That message for this program as it runs. Reads no settings: any thread
// may ask for it.
QString pingNotAllowedMessage();

} // namespace platform
