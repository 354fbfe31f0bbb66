#pragma once

#include <QString>

class QWidget;

// The tester's one kind of message: modal, OK only, no icon, the program's
// title as caption. Returns when the user has closed it.
void showTesterMessage(QWidget *owner, const QString &text, const QString &details = {});

inline constexpr const char *TesterTitle = "RZM-530 Tester";
