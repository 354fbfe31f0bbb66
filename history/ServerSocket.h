#pragma once

#include <QString>

class QSqlDatabase;
class QThread;

// The sockets of the server connections each thread holds, so that another thread can cut off
// one held by a server that took the connection and then stopped answering: only the client
// can end that wait, and libpq returns an error at once when its socket is shut down.
namespace serverSocket {

// In the thread that opened `db`, on the connection of that name; closed() before it closes.
void opened(const QString &connection, const QSqlDatabase &db);
void closed(const QString &connection);
// Shuts down every server connection `thread` holds, and any it opens until forget(thread).
void cutOff(const QThread *thread);
void forget(const QThread *thread);

} // namespace serverSocket
