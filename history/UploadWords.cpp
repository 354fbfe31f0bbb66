#include "UploadWords.h"

QString uploadProblemWords(HistoryUpload::Problem problem, const QString &said)
{
    using Problem = HistoryUpload::Problem;
    const auto cause = [problem]() -> QString {
        switch (problem) {
        case Problem::None:
            return {};
        case Problem::Unreachable:
            return QStringLiteral("the history server cannot be reached");
        case Problem::Refused:
            return QStringLiteral("the history server refused a run");
        case Problem::LocalFile:
            return QStringLiteral("the local file cannot be opened, read or written");
        case Problem::Unreadable:
            return QStringLiteral("some runs cannot be read from the local file");
        }
        return {};
    }();
    if (cause.isEmpty())
        return said; // a note on runs passed over, or nothing
    return said.isEmpty() ? cause : cause + QStringLiteral(": ") + said;
}
