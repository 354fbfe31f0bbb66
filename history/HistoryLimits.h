#pragma once

#include <chrono>

// How long the history waits, each limit said once.
namespace historyLimits {

using namespace std::chrono_literals;

// A server's answer to a connection, and the wait for a lock another station holds.
constexpr std::chrono::seconds ServerAnswer = 3s;
// One statement on the server: a stuck one is cancelled by the server itself.
constexpr std::chrono::seconds ServerStatement = 10s;
// The console's own run after its verdict: the most a script waits for the server.
constexpr std::chrono::seconds ConsoleUpload = ServerAnswer;
// --sync gives a server up when not one run has gone up for this long: a server stopped
// mid-answer holds a connection for as long as it stays stopped, and only the client can
// tell.
constexpr std::chrono::seconds SyncSilence = 2 * ServerAnswer;
// A window closing, or its settings changed, waits this long for the upload under way and the
// runs only it holds; then the server's connection is cut off, and what did not go up waits in
// the local file.
constexpr std::chrono::seconds Closing = ServerAnswer;
// Another program writing the local file, or making it, is waited for this long.
constexpr std::chrono::seconds LocalBusy = 10s;

} // namespace historyLimits
