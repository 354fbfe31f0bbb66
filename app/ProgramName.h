#pragma once

#include <QString>

// How either program names itself in what it says on standard error. An application object
// must exist: the name is the program file's.

// "rzm530-cli: " or "rzm530-tester: ".
QString programPrefix();

// Tells what is wrong on standard error; returns the usage error's exit code.
int usageError(const QString &error);
