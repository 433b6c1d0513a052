#pragma once

// Capabilities given by hand to the program file (`setcap`) would make the
// whole windowed program, and every plugin and library it loads, privileged.
namespace platform {

// Drops every capability the process holds (permitted, effective,
// inheritable and ambient) unless it runs as root. True when it held any.
// Called first thing in main, before any plugin can load; a process that
// cannot drop them ends.
bool dropCapabilities();

// Whether dropCapabilities() found and dropped any in this process.
bool capabilitiesDropped();

} // namespace platform
