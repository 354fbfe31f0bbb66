#include "RunKeeper.h"

#include "HistoryDb.h"
#include "HistoryLimits.h"
#include "HistorySettings.h"
#include "ServerSocket.h"
#include "Upload.h"
#include "UploadWords.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

RunKeeper::RunKeeper(const QString &server, QObject *parent)
    : RunKeeper(server, localHistoryPath(), parent)
{
}

RunKeeper::RunKeeper(const QString &serverText, const QString &localPath, QObject *parent)
    : QObject(parent), localPath(localPath)
{
    if (!serverText.isEmpty())
        if (const auto url = ServerUrl::parse(serverText, &serverProblem))
            server = UploadTarget::of(*url);
}

RunKeeper::~RunKeeper()
{
    stopping = true; // what waits in the local file stays there; what is held here still goes
    const QDeadlineTimer deadline(historyLimits::Closing);
    std::vector<Sent> lost;
    for (;;) {
        for (const Sent &s : joinUpload(deadline))
            if (!s.kept)
                lost.push_back(s);
        if (direct.empty() || deadline.hasExpired())
            break;
        startUpload();
    }
    for (const Alone &a : direct)
        lost.push_back({QString::fromStdString(a.run.id), false,
                        "the run is NOT in the history: the local file refused it (" +
                            a.localError + ") and the program closed before it could be sent"});
    for (const Sent &s : lost)
        std::fprintf(stderr, "run %s: %s\n", qPrintable(s.runId), qPrintable(s.said));
}

std::vector<RunKeeper::Sent> RunKeeper::joinUpload(const QDeadlineTimer &deadline)
{
    if (!uploader)
        return {};
    if (!uploader->wait(deadline)) {
        // A stopped server holds libpq for as long as it stays stopped: end the wait here.
        cut = true;
        serverSocket::cutOff(uploader.get());
        uploader->wait(); // at most a connection's own time-out more
    }
    serverSocket::forget(uploader.get());
    uploader.reset();
    return std::exchange(*sent, {});
}

// Opened on first use, so that nothing touches the disk before it is needed.
HistoryDb *RunKeeper::localDb(QString *error)
{
    if (!local)
        local = HistoryDb::openLocal(localPath, error);
    return local.get();
}

QString RunKeeper::keep(const records::RunRecord &run)
{
    QString error;
    HistoryDb *db = localDb(&error);
    if (db && db->store(run, &error, server ? server->key() : QString())) {
        if (server)
            sync();
        return {};
    }
    if (!server)
        return "not kept in the history: " + error;
    // The server takes it alone, ahead of what waits; sentAlone tells whether it did.
    direct.push_back({run, error});
    sync();
    return "not kept in the local file (" + error + "): sending it to the history server alone";
}

void RunKeeper::sync()
{
    if (!server) {
        const QString why = serverProblem.isEmpty()
                                ? QStringLiteral("no history server is set")
                                : "the history server cannot be used: " + serverProblem;
        emit synced(0, waitingCount(), why);
        return;
    }
    if (uploader) {
        again = true;
        return;
    }
    startUpload();
}

void RunKeeper::startUpload()
{
    upload = std::make_shared<HistoryUpload>();
    sent = std::make_shared<std::vector<Sent>>();
    uploader.reset(QThread::create([this, path = localPath, target = *server, upload = upload,
                                    sent = sent, runs = std::exchange(direct, {})] {
        using Problem = HistoryUpload::Problem;
        for (const Alone &alone : runs) {
            HistoryUpload one;
            if (cut)
                one.failed(Problem::Unreachable, "the program closed before it could be sent");
            else
                uploadRun(alone.run, target.server, std::nullopt, one);
            const bool kept = one.problem == Problem::None;
            sent->push_back({QString::fromStdString(alone.run.id), kept,
                             kept ? "kept on the history server only (the local file refused it: " +
                                        alone.localError + ")"
                                  : "the run is NOT in the history: the local file refused it (" +
                                        alone.localError + "), and " +
                                        uploadProblemWords(one.problem, one.error)});
            if (!kept)
                upload->failed(one.problem, one.error);
        }
        if (upload->problem != Problem::None || cut)
            return;
        uploadWaiting(path, target, stopping, *upload, [this](int uploaded, int total) {
            QMetaObject::invokeMethod(
                this, [this, uploaded, total] { emit progress(uploaded, total); },
                Qt::QueuedConnection);
        });
    }));
    connect(uploader.get(), &QThread::finished, this, &RunKeeper::uploadEnded);
    uploader->start();
}

void RunKeeper::uploadEnded()
{
    if (!uploader)
        return;
    const std::vector<Sent> alone = joinUpload(QDeadlineTimer::Forever);
    const HistoryUpload done = *upload;
    for (const Sent &s : alone)
        emit sentAlone(s.runId, s.kept, s.said);
    emit synced(done.uploaded, done.waiting, uploadProblemWords(done.problem, done.said()));
    if (again && !stopping) {
        again = false;
        startUpload();
    }
}

bool RunKeeper::syncing() const
{
    return uploader != nullptr;
}

void RunKeeper::waitForSync()
{
    while (uploader) {
        uploader->wait();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

int RunKeeper::waitingCount()
{
    if (!server && serverProblem.isEmpty())
        return 0;
    QString error;
    HistoryDb *db = localDb(&error);
    if (!server) // every run waits for the server that will be set
        return db ? db->waitingCount(QString(), true) : 0;
    return db ? db->waitingCount(server->key(), server->takesUnnamed) : 0;
}
