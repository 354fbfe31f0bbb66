// The link status in the Settings frame: how the latest transaction went, in a
// word or two, and the way to the line monitor.
#include "LineSession.h"
#include "Mbap.h"
#include "Tools.h"
#include "Words.h"
#include "frmMain.h"

namespace {

const QColor GoodText(0x00, 0x80, 0x00);
const QColor BadText(0xD0, 0x00, 0x00);

} // namespace

// Broadcasts, bytes nobody asked for and a tool's requests say nothing about the
// link the user has: after a scan the status waits for the next poll.
void frmMain::showLinkStatus(const line::Transaction &transaction)
{
    if (!transaction.changesStatus())
        return;
    QString detail = QString::fromStdString(line::protocolWords(transaction));
    if (const auto code = transaction.exceptionCode())
        detail = QStringLiteral("Exception %1: %2")
                     .arg(*code)
                     .arg(QString::fromStdString(line::exceptionName(*code)));
    showLinkStatus(QString::fromStdString(line::statusText(transaction)),
                   transaction.verdict == line::Verdict::Ok, detail);
}

void frmMain::showLinkStatus(const QString &text, bool good, const QString &detail)
{
    lblStatus.setText(text);
    QPalette palette = lblStatus.palette();
    palette.setColor(QPalette::WindowText, good ? GoodText : BadText);
    lblStatus.setPalette(palette);
    const QString hint = tr("Click or press Ctrl+M to open the line monitor.");
    lblStatus.setToolTip(detail.isEmpty() ? hint : detail + QLatin1Char('\n') + hint);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (tools)
        tools->closeWindows();
    QWidget::closeEvent(event);
}
