#include "ReportWindow.h"

#include "MessageBox.h"
#include "ReportFiles.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QStandardPaths>
#include <QVBoxLayout>

ReportWindow::ReportWindow(const QString &title, const QString &html, const QString &fileName,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), page(html), suggested(fileName), saveButton(tr("Save…"))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    view.setObjectName(QStringLiteral("page"));
    view.setHtml(html);
    saveButton.setObjectName(QStringLiteral("save"));
    connect(&saveButton, &QPushButton::clicked, this, &ReportWindow::save);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(&saveButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(&view, 1);
    layout->addLayout(buttons);
    resize(820, 900);
}

void ReportWindow::save()
{
    const QString start = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                              .filePath(suggested);
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save the report"), start, tr("HTML (*.html)"));
    if (path.isEmpty())
        return;
    if (const QString problem = writeReportFile(path, page.toStdString()); !problem.isEmpty())
        showTesterMessage(this,
                          tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), problem));
}
