#pragma once

#include <QString>

class LineSession;

// Opens `port` (a COM number or "tcp://HOST:PORT") for a console command,
// which has nothing to do until the line is there: a connection made in the
// background is waited for. False, with the reason in comm().errorString(),
// when the port did not open.
bool openPortAndWait(LineSession &session, const QString &port);
