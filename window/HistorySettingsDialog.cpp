#include "HistorySettingsDialog.h"

#include "HistorySettings.h"
#include "ServerUrl.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

HistorySettingsDialog::HistorySettingsDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("History settings"));
    const HistorySettings settings = HistorySettings::load();
    station.setObjectName(QStringLiteral("station"));
    station.setText(settings.station);
    station.setPlaceholderText(HistorySettings{}.stationName());
    server.setObjectName(QStringLiteral("server"));
    server.setText(settings.server);
    server.setPlaceholderText(QStringLiteral("postgresql://USER@HOST[:PORT]/DBNAME"));
    server.setMinimumWidth(360);
    problem.setObjectName(QStringLiteral("problem"));
    problem.setWordWrap(true);
    QPalette red = problem.palette();
    red.setColor(QPalette::WindowText, Qt::red);
    problem.setPalette(red);

    auto *note = new QLabel(
        tr("Without a server the runs stay in this computer's file. With one, each run goes up "
           "to it as well, and the history shows the server's runs. Give the password in "
           "~/.pgpass, or the file PGPASSFILE names: it is never stored here."),
        this);
    note->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(tr("Station name:"), &station);
    form->addRow(tr("History server:"), &server);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &HistorySettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &HistorySettingsDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(&problem);
    layout->addWidget(buttons);
}

void HistorySettingsDialog::accept()
{
    HistorySettings settings;
    settings.station = station.text().trimmed();
    const QString url = server.text().trimmed();
    if (!url.isEmpty()) {
        QString why;
        const std::optional<ServerUrl> parsed = ServerUrl::parse(url, &why);
        if (!parsed) {
            problem.setText(tr("History server: %1").arg(why));
            return;
        }
        settings.server = parsed->shown();
    }
    settings.save();
    QDialog::accept();
}
