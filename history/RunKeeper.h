#pragma once

#include "RunRecord.h"
#include "ServerUrl.h"
#include "Upload.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class HistoryDb;
class QThread;

// Keeps self-test runs: first in the local file, at once and in one transaction, then, with a
// server configured, uploaded in the background, so that no verdict waits for the network.
// A run the server could not take waits in the local file; it goes up with the next run, at
// the next start, or on demand: sync() each time.
class RunKeeper : public QObject {
    Q_OBJECT
public:
    // `server` as the user gave it (it may hold a password); empty for the local file only.
    explicit RunKeeper(const QString &server, QObject *parent = nullptr);
    // The same with a local file of its own, not the user's.
    RunKeeper(const QString &server, const QString &localPath, QObject *parent = nullptr);
    // Waits for the upload under way, and the runs only this keeper holds, at most
    // historyLimits::Closing; then cuts the server off. A run lost so is said on standard error.
    ~RunKeeper() override;

    // Stores the run in the local file, waiting for this keeper's server; what went wrong, in
    // a sentence for the user, else empty. Starts an upload of whatever waits for the server, when
    // there is one; a run the local file cannot take then goes to the server alone, and
    // sentAlone tells how that went.
    QString keep(const records::RunRecord &run);
    // Uploads what waits, in the background; progress and synced tell how it went.
    void sync();
    bool syncing() const;
    // Blocks until the upload under way, if any, has ended: for the console before it exits.
    void waitForSync();
    // The runs in the local file that the server has not taken yet; 0 without a server.
    int waitingCount();

signals:
    void progress(int uploaded, int total);
    // `waiting` is what is still in the local file only; `error` what stopped the upload, led
    // by its cause, or empty.
    void synced(int uploaded, int waiting, const QString &error);
    // Whether the server took a run the local file refused; `said` is for the user.
    void sentAlone(const QString &runId, bool kept, const QString &said);

private:
    struct Alone {
        records::RunRecord run;
        QString localError; // why the local file refused it
    };
    struct Sent {
        QString runId;
        bool kept;
        QString said;
    };

    HistoryDb *localDb(QString *error);
    void startUpload();
    void uploadEnded();
    // The upload thread joined, by `deadline` or after cutting the server off; what it sent alone.
    std::vector<Sent> joinUpload(const QDeadlineTimer &deadline);

    QString localPath;
    std::optional<UploadTarget> server;
    QString serverProblem; // why the server given cannot be used
    std::unique_ptr<HistoryDb> local;
    std::unique_ptr<QThread> uploader;
    std::shared_ptr<HistoryUpload> upload;
    std::shared_ptr<std::vector<Sent>> sent; // by the upload under way
    std::atomic<bool> stopping{false}, cut{false};
    bool again = false;        // runs kept while an upload was under way
    std::vector<Alone> direct; // runs for the server that the local file refused
};
