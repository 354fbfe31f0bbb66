#include "RunKeeper.h"

#include "HistoryDb.h"
#include "HistoryPlace.h"
#include "Upload.h"

#include <QCoreApplication>
#include <QThread>

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
    stopping = true;
    if (uploader)
        uploader->wait();
}

// Opened on first use, so that nothing touches the disk before it is needed.
HistoryDb *RunKeeper::localDb(QString *error)
{
    if (!local)
        local = HistoryDb::openLocal(localPath, error);
    return local.get();
}

QString RunKeeper::keep(const line::RunRecord &run)
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
    // The server takes it alone, ahead of what waits.
    direct.push_back(run);
    sync();
    return "not kept in the local file (" + error + "): sent to the history server alone";
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
    uploader.reset(QThread::create([this, path = localPath, target = *server, upload = upload,
                                    runs = std::exchange(direct, {})] {
        for (const line::RunRecord &run : runs) {
            HistoryUpload one;
            uploadRun(run, target.server, std::nullopt, one);
            if (one.problem != HistoryUpload::Problem::None)
                upload->failed(one.problem, "a run not in the local file is lost: " + one.error);
        }
        if (upload->problem != HistoryUpload::Problem::None)
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
    uploader->wait();
    uploader.reset();
    const HistoryUpload done = *upload;
    emit synced(done.uploaded, done.waiting, done.said());
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
