#pragma once

#include <QPushButton>
#include <QTextBrowser>
#include <QWidget>

// A stored run's report, made again from its record, with a way to keep it as a file.
class ReportWindow : public QWidget {
    Q_OBJECT
public:
    ReportWindow(const QString &title, const QString &html, const QString &fileName,
                 QWidget *parent = nullptr);

    QString html() const { return page; }

private:
    void save();

    QString page, suggested;
    QTextBrowser view;
    QPushButton saveButton;
};
