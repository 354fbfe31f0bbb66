#include "ServerSocket.h"

#include <QLibrary>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <mutex>
#include <vector>

#ifdef RZM530_HAVE_LIBPQ
#include <libpq-fe.h>
#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif
#endif

namespace {

struct Open {
    const QThread *thread;
    QString connection;
    qintptr socket;
};

// Held while a socket is shut down, and while its connection closes, so that a socket number
// the system has given to something else since is never touched.
std::mutex guard;
std::vector<Open> sockets;
std::vector<const QThread *> cut;

void shut(qintptr socket)
{
#ifdef RZM530_HAVE_LIBPQ
#ifdef _WIN32
    ::shutdown(SOCKET(socket), SD_BOTH);
#else
    ::shutdown(int(socket), SHUT_RDWR);
#endif
#else
    Q_UNUSED(socket) // built without libpq's header: a stuck server is waited for
#endif
}

#ifdef RZM530_HAVE_LIBPQ
// Qt's PostgreSQL driver loads libpq with the first server connection, and PQsocket is found in
// it then. Linked to the program, libpq and what it brings (TLS, Kerberos, LDAP) were loaded at
// every start: 5 MB resident, used only where there is a server.
decltype(&PQsocket) pqSocket()
{
#ifdef _WIN32
    static const auto found = reinterpret_cast<decltype(&PQsocket)>(
        QLibrary::resolve(QStringLiteral("libpq"), "PQsocket"));
#else
    static const auto found = reinterpret_cast<decltype(&PQsocket)>(
        QLibrary::resolve(QStringLiteral("pq"), 5, "PQsocket"));
#endif
    return found;
}
#endif

qintptr socketOf(const QSqlDatabase &db)
{
#ifdef RZM530_HAVE_LIBPQ
    const QVariant handle = db.driver()->handle();
    // PGconn is libpq's name for struct pg_conn, which the driver's type is registered under.
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0))
        if (PGconn *conn = *static_cast<PGconn *const *>(handle.data()); conn && pqSocket())
            return pqSocket()(conn);
#else
    Q_UNUSED(db)
#endif
    return -1;
}

} // namespace

namespace serverSocket {

void opened(const QString &connection, const QSqlDatabase &db)
{
    const qintptr socket = socketOf(db);
    if (socket < 0)
        return;
    const QThread *thread = QThread::currentThread();
    const std::lock_guard lock(guard);
    sockets.push_back({thread, connection, socket});
    if (std::find(cut.begin(), cut.end(), thread) != cut.end())
        shut(socket);
}

void closed(const QString &connection)
{
    const std::lock_guard lock(guard);
    sockets.erase(std::remove_if(sockets.begin(), sockets.end(),
                                 [&](const Open &o) { return o.connection == connection; }),
                  sockets.end());
}

void cutOff(const QThread *thread)
{
    const std::lock_guard lock(guard);
    cut.push_back(thread);
    for (const Open &o : sockets)
        if (o.thread == thread)
            shut(o.socket);
}

void forget(const QThread *thread)
{
    const std::lock_guard lock(guard);
    cut.erase(std::remove(cut.begin(), cut.end(), thread), cut.end());
}

} // namespace serverSocket
