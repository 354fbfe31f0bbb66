#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>

// This station's name and the history server, remembered per user. A password typed in the
// server's URL is used for nothing and never stored: the PostgreSQL client finds it in
// ~/.pgpass, or the file PGPASSFILE names, as the console program says too.
class HistorySettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit HistorySettingsDialog(QWidget *parent = nullptr);

    void accept() override;

private:
    QLineEdit station, server;
    QLabel problem;
};
