#pragma once

#include "RunRecord.h"
#include "ServerUrl.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

// How an upload went: what went up, what still waits for that server, and what stopped it.
struct HistoryUpload {
    // Each its own exit code of rzm530-cli --sync.
    enum class Problem {
        None,
        Unreachable, // no answer: the connection refused or timed out, the server silent
        Refused,     // the server answered with an error: a password, a database or a right
                     // refused, a statement timed out, a full disk
        LocalFile,   // the local file cannot be opened, read or written
        Unreadable,  // some runs in the local file cannot be read; every other one went up
    };
    int uploaded = 0;
    int waiting = 0;
    Problem problem = Problem::None;
    QString error;
    QStringList unreadable; // the ids of the runs that could not be read

    // One sentence for the user; empty when all went well.
    QString said() const;
    void failed(Problem p, const QString &why);
};

// Which server a run waits for, and whether it also takes the runs kept for none in
// particular: only the server the settings name does.
struct UploadTarget {
    ServerUrl server;
    bool takesUnnamed = false;

    QString key() const { return server.shown(); }
    static UploadTarget of(const ServerUrl &server); // takesUnnamed if it is the settings'
};

// In the calling thread, with connections of its own: one belongs to the thread that opened
// it. Each run goes up in one server transaction before the local file counts it as up, so a
// run is never lost between the two; one that went up but was not marked goes up again and
// is stored once. A run that cannot be read is named and passed over.
void uploadWaiting(const QString &localPath, const UploadTarget &target,
                   const std::atomic<bool> &stopping, HistoryUpload &upload,
                   const std::function<void(int uploaded, int total)> &progress);

// One run straight to the server; then, when `localPath` is given, marked as up there.
void uploadRun(const records::RunRecord &run, const ServerUrl &server,
               const std::optional<QString> &localPath, HistoryUpload &upload);
