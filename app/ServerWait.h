#pragma once

#include <chrono>
#include <functional>

class QuitOnSignal;

// Work with the history server on a thread of its own, so that the console can stop waiting
// for it: libpq's calls cannot be broken off, and a server stopped mid-answer holds them for as
// long as it stays stopped.
//
// `work` gets `alive`, to call each time it gets on; the wait ends when the work returns, when
// it has not got on for `quiet`, or at once on Ctrl+C or SIGTERM. Work given up on runs on,
// holding only what it was given by value: the program must then end with
// endConsoleProgram(), which does not wait for it. The runs such work was sending are safe in
// the local file, or were never in it.
enum class ServerWaitEnd { Done, TooLong, Interrupted };
ServerWaitEnd waitForServer(const std::function<void(const std::function<void()> &alive)> &work,
                            std::chrono::milliseconds quiet, QuitOnSignal &interrupt);

// True once a wait has given its work up.
bool serverWorkAbandoned();

// Ends the program with `code`, output flushed, without waiting for abandoned work.
[[noreturn]] void endConsoleProgram(int code);
