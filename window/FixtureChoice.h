#pragma once

#include "Fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

// The loopback fixture a self-test runs on, or none, when the operator switches the inputs.
// The file chosen is remembered for the user, and read again at each start, so that a fixture
// edited meanwhile is used as it now stands.
class FixtureChoice : public QWidget {
    Q_OBJECT
public:
    explicit FixtureChoice(QWidget *parent = nullptr);

    QString path() const { return filePath; }
    void setPath(const QString &path); // empty: none
    bool chosen() const { return !filePath.isEmpty(); }
    // The fixture as its file says now, or why it cannot be used.
    procedures::ParsedFixture read() const;

signals:
    void changed();

private:
    void chooseFile();
    void showChoice();

    QLabel shown;
    QPalette normal;
    QPushButton choose, none;
    QString filePath;
};
