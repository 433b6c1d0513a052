#pragma once

#include <QString>

// What differs between the three instances that may run side by side.
namespace instance {

// The instance chosen by the command-line text: "/secondary" anywhere gives 1,
// else "/tertiary" 2, else 0. Letter case counts; a switch inside a longer
// word still counts.
int fromCommandLine(const QString& arguments);

QString mutexName(int instance);
QString windowTitle(int instance);
// The configuration file's name; an unknown number gets instance 0's.
QString configFileName(int instance);

} // namespace instance
