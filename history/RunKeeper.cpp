#include "RunKeeper.h"

#include "HistoryDb.h"
#include "HistoryPlace.h"

#include <QCoreApplication>
#include <QThread>

// How an upload went.
struct HistoryUpload {
    int uploaded = 0;
    int waiting = 0;
    QString error;
};

namespace {

// In the uploading thread, with connections of its own: one belongs to the thread that opened
// it. Each run goes up in one server transaction before the local file counts it as up, so a
// run is never lost between the two; one that went up but was not marked goes up again and
// is stored once.
template <typename Progress>
void uploadWaiting(const QString &localPath, const ServerUrl &server,
                   const std::atomic<bool> &stopping, HistoryUpload &upload, Progress progress)
{
    const auto local = HistoryDb::openLocal(localPath, &upload.error);
    if (!local)
        return;
    const std::vector<QString> ids = local->waitingIds();
    upload.waiting = int(ids.size());
    if (ids.empty())
        return;
    const auto remote = HistoryDb::openServer(server, &upload.error);
    if (!remote)
        return;
    progress(0, int(ids.size()));
    for (const QString &id : ids) {
        if (stopping)
            break;
        const auto run = local->load(id);
        if (!run) {
            upload.error = "run " + id + " cannot be read: " + local->lastError();
            break;
        }
        if (!remote->store(*run, &upload.error) || !local->markUploaded(id, &upload.error))
            break;
        progress(++upload.uploaded, int(ids.size()));
    }
    upload.waiting = local->waitingCount();
}

} // namespace

RunKeeper::RunKeeper(const QString &server, QObject *parent)
    : RunKeeper(server, localHistoryPath(), parent)
{
}

RunKeeper::RunKeeper(const QString &serverText, const QString &localPath, QObject *parent)
    : QObject(parent), localPath(localPath)
{
    if (!serverText.isEmpty())
        server = ServerUrl::parse(serverText, &serverProblem);
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
    if (!db || !db->store(run, &error))
        return error;
    if (server)
        sync();
    return {};
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
    uploader.reset(QThread::create([this, path = localPath, url = *server, upload = upload] {
        uploadWaiting(path, url, stopping, *upload, [this](int uploaded, int total) {
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
    emit synced(done.uploaded, done.waiting, done.error);
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
    return db ? db->waitingCount() : 0;
}
