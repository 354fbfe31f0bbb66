#include "FixtureChoice.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QSettings>

namespace {

const QString FixtureKey = QStringLiteral("selfTest/fixture");

} // namespace

FixtureChoice::FixtureChoice(QWidget *parent)
    : QWidget(parent), choose(tr("Choose…")), none(tr("None"))
{
    shown.setObjectName(QStringLiteral("fixture"));
    normal = shown.palette();
    shown.setWordWrap(true);
    choose.setObjectName(QStringLiteral("chooseFixture"));
    none.setObjectName(QStringLiteral("noFixture"));
    for (QPushButton *button : {&choose, &none})
        button->setAutoDefault(false);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(&shown, 1);
    row->addWidget(&choose);
    row->addWidget(&none);
    connect(&choose, &QPushButton::clicked, this, &FixtureChoice::chooseFile);
    connect(&none, &QPushButton::clicked, this, [this] { setPath(QString()); });
    filePath = QSettings().value(FixtureKey).toString();
    showChoice();
}

void FixtureChoice::setPath(const QString &path)
{
    filePath = path;
    QSettings().setValue(FixtureKey, path);
    showChoice();
    emit changed();
}

procedures::ParsedFixture FixtureChoice::read() const
{
    return procedures::readFixtureFile(QDir::toNativeSeparators(filePath).toStdString());
}

void FixtureChoice::chooseFile()
{
    const QString file = QFileDialog::getOpenFileName(
        this, tr("The fixture's wiring"), chosen() ? QFileInfo(filePath).path() : QString(),
        tr("Fixture files (*.ini);;All files (*)"));
    if (!file.isEmpty())
        setPath(file);
}

// The fixture's own name, and its file; a file refused says why at once, in red.
void FixtureChoice::showChoice()
{
    none.setEnabled(chosen());
    QPalette palette = normal;
    if (!chosen()) {
        shown.setText(tr("none: the operator switches the inputs"));
    } else if (const procedures::ParsedFixture parsed = read(); parsed.fixture) {
        shown.setText(tr("%1 (%2)").arg(QString::fromStdString(parsed.fixture->name),
                                        QDir::toNativeSeparators(filePath)));
    } else {
        shown.setText(QString::fromStdString(parsed.refusal.text()));
        palette.setColor(QPalette::WindowText, Qt::red);
    }
    shown.setPalette(palette);
}
