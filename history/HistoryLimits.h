#pragma once

#include <algorithm>
#include <chrono>

// How long the history waits, each limit said once.
namespace historyLimits {

using namespace std::chrono_literals;

// A server's answer to a connection, and the wait for a lock another station holds.
constexpr std::chrono::seconds ServerAnswer = 3s;
// One statement on the server: a stuck one is cancelled by the server itself.
constexpr std::chrono::seconds ServerStatement = 5s;
// A connection that goes quiet is probed after this long, every interval, and given up after
// that many probes unanswered: a server that vanished does not hold a query for TCP's minutes.
constexpr std::chrono::seconds KeepaliveIdle = 5s;
constexpr std::chrono::seconds KeepaliveInterval = 2s;
constexpr int KeepaliveProbes = 3;
// The console's own run after its verdict: the most a script waits for the server.
constexpr std::chrono::seconds ConsoleUpload = ServerAnswer;
// A window closing, or its settings changed, waits this long for the upload under way and the
// runs only it holds; then the server's connection is cut off, and what did not go up waits in
// the local file.
constexpr std::chrono::seconds Closing = ServerAnswer;
// Another program writing the local file, or making it, is waited for this long.
constexpr std::chrono::seconds LocalBusy = 5s;
// --sync gives a server up when its work has not got on for this long: a server stopped
// mid-answer holds a connection for as long as it stays stopped, and only the client can tell.
// Longer than any one wait the work makes, which each give their own answer.
constexpr std::chrono::seconds SyncSilence =
    std::max({ServerAnswer, ServerStatement, LocalBusy}) + 1s;

} // namespace historyLimits
