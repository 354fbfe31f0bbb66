#include "Upload.h"

#include "HistoryDb.h"
#include "HistorySettings.h"

QString HistoryUpload::said() const
{
    QString text = error;
    if (!unreadable.isEmpty() && problem != Problem::Unreadable)
        text += QStringLiteral("; ") + QString::number(unreadable.size()) +
                " runs cannot be read from the local file: " + unreadable.join(", ");
    return text;
}

void HistoryUpload::failed(Problem p, const QString &why)
{
    problem = p;
    error = why;
}

UploadTarget UploadTarget::of(const ServerUrl &server)
{
    const auto remembered = ServerUrl::parse(HistorySettings::load().server, nullptr);
    return {server, remembered && remembered->shown() == server.shown()};
}

namespace {

// A server that answered with an error refused; one that did not answer cannot be reached.
HistoryUpload::Problem unopened(const QString &why)
{
    return HistoryDb::serverAnswered(why) ? HistoryUpload::Problem::Refused
                                          : HistoryUpload::Problem::Unreachable;
}

} // namespace

void uploadWaiting(const QString &localPath, const UploadTarget &target,
                   const std::atomic<bool> &stopping, HistoryUpload &upload,
                   const std::function<void(int uploaded, int total)> &progress)
{
    using Problem = HistoryUpload::Problem;
    QString why;
    const auto local = HistoryDb::openLocal(localPath, &why);
    if (!local)
        return upload.failed(Problem::LocalFile, "cannot open the local file " + why);
    const std::vector<QString> ids = local->waitingIds(target.key(), target.takesUnnamed);
    if (!local->lastError().isEmpty())
        return upload.failed(Problem::LocalFile,
                             "cannot read " + local->name() + ": " + local->lastError());
    upload.waiting = int(ids.size());
    if (ids.empty())
        return;
    progress(0, int(ids.size())); // the local file's waits are behind; the server's begin
    const auto remote = HistoryDb::openServer(target.server, &why);
    if (!remote)
        return upload.failed(unopened(why), why);
    progress(0, int(ids.size()));
    for (const QString &id : ids) {
        if (stopping)
            break;
        const auto run = local->load(id);
        if (!run) {
            upload.unreadable << id;
            upload.failed(Problem::Unreadable,
                          QStringLiteral("%1 cannot be read from %2 (%3): every other run went up")
                              .arg(upload.unreadable.size() == 1
                                       ? "run " + id
                                       : QString::number(upload.unreadable.size()) + " runs (" +
                                             upload.unreadable.join(", ") + ")",
                                   local->name(), local->lastError()));
            continue;
        }
        if (!remote->store(*run, &why)) {
            upload.failed(Problem::Refused, remote->name() + " refused run " + id + ": " + why);
            break;
        }
        if (!local->markUploaded(id, &why)) {
            upload.failed(Problem::LocalFile, "cannot write " + local->name() + ": " + why);
            break;
        }
        progress(++upload.uploaded, int(ids.size()));
    }
    upload.waiting = local->waitingCount(target.key(), target.takesUnnamed);
}

void uploadRun(const records::RunRecord &run, const ServerUrl &server,
               const std::optional<QString> &localPath, HistoryUpload &upload)
{
    using Problem = HistoryUpload::Problem;
    QString why;
    const auto remote = HistoryDb::openServer(server, &why);
    if (!remote)
        return upload.failed(unopened(why), why);
    if (!remote->store(run, &why))
        return upload.failed(Problem::Refused, remote->name() + " refused the run: " + why);
    upload.uploaded = 1;
    if (!localPath)
        return;
    // Not marked, it goes up again with the next --sync and is stored once.
    const auto local = HistoryDb::openLocal(*localPath, &why);
    if (!local || !local->markUploaded(QString::fromStdString(run.id), &why))
        upload.failed(Problem::LocalFile, "cannot write the local file: " + why);
}
