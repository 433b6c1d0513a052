#pragma once

#include <QString>

// What the user is told when the system lets this program open no kind of
// ICMP socket: every ping box would show NET ERROR 10013 with no reason.
namespace platform {

// The message, naming the program file to grant the capability to.
QString pingNotAllowedText(const QString& program);

// Posts that message once per run, from any thread.
void tellPingNotAllowed();

} // namespace platform
