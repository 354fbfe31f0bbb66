#pragma once

#include "Upload.h"

#include <QString>

// How an upload ended, in one sentence led by its cause, in the words of rzm530-cli --sync's
// exit codes: the window says it as the console documents it. Empty when all went well.
QString uploadProblemWords(HistoryUpload::Problem problem, const QString &said);
