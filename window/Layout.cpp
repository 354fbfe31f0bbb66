// The window's controls, their captions, start values and places, in twips.
#include "Colours.h"
#include "MessageBox.h"
#include "TesterFont.h"
#include "Twips.h"
#include "frmMain.h"

#include <QFont>
#include <QScreen>

namespace {

template <typename W>
W &place(W &widget, QWidget &parent, const QString &name, int left, int top, int width, int height)
{
    widget.setParent(&parent);
    widget.setObjectName(name);
    widget.setGeometry(Twips::rect(left, top, width, height));
    return widget;
}

QString indexed(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

void makeLabel(QLabel &label, const QString &caption, Qt::Alignment alignment = Qt::AlignLeft)
{
    label.setText(caption);
    label.setAlignment(alignment | Qt::AlignVCenter);
}

void makeField(QLineEdit &field, const QString &text, bool editable)
{
    field.setText(text);
    field.setReadOnly(!editable);
    field.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

} // namespace

// move() places the frame; before the window manager has framed the window the
// frame is just the client area, so moveEvent centres it again once it is known.
void frmMain::centreFrame()
{
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() -
             QRect(QPoint(), frameGeometry().size()).center());
}

void frmMain::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (!frameCentred && frameGeometry().size() != size()) {
        frameCentred = true;
        centreFrame();
    }
}

void frmMain::buildLayout()
{
    setWindowTitle(QString::fromLatin1(TesterTitle));
    setFont(testerFont());
    resize(Twips::toPixels(6375), Twips::toPixels(6510));
    centreFrame();

    const auto frame = [this](QGroupBox &box, const char *name, const char *caption, int left,
                              int top, int width, int height) {
        place(box, *this, QString::fromLatin1(name), left, top, width, height);
        box.setTitle(QString::fromLatin1(caption));
    };
    frame(Frame1, "Frame1", "Settings", 120, 120, 6135, 855);
    frame(Frame4, "Frame4", "Comms", 120, 1080, 6135, 1695);
    frame(Frame6, "Frame6", "Analog Inputs", 120, 2880, 3855, 1455);
    frame(Frame2, "Frame2", "Relays", 4080, 2880, 2175, 3015);
    frame(Frame3, "Frame3", "Digital Inputs", 120, 4440, 3855, 1455);

    // Settings
    makeLabel(place(Label1, Frame1, "Label1", 240, 360, 735, 255), "COM Port:", Qt::AlignRight);
    makeField(place(txtPort, Frame1, "txtPort", 1080, 330, 615, 285), "1", true);
    makeLabel(place(Label2, Frame1, "Label2", 1800, 360, 735, 255), "Address:", Qt::AlignRight);
    makeField(place(txtAddr, Frame1, "txtAddr", 2640, 330, 495, 285), "1", true);
    place(chkPoll, Frame1, "chkPoll", 5280, 360, 735, 255).setText("Poll");
    chkPoll.setChecked(true);
    place(lblStatus, Frame1, "lblStatus", 3360, 360, 1800, 255);
    lblStatus.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblStatus.setCursor(Qt::PointingHandCursor);

    // Comms
    makeLabel(place(Label4, Frame4, "Label4", 120, 360, 375, 255), "TX:");
    place(txtTX, Frame4, "txtTX", 480, 360, 5415, 285).setReadOnly(true);
    makeLabel(place(Label5, Frame4, "Label5", 120, 840, 255, 255), "RX:");
    place(txtRX, Frame4, "txtRX", 480, 840, 5415, 645);
    txtRX.setReadOnly(true);
    txtRX.setUndoRedoEnabled(false);
    // Lines break only between "]" and "[", so no byte is split across two lines.
    txtRX.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    txtRX.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtRX.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtRX.setTabChangesFocus(true);
    txtRX.setFocusPolicy(Qt::StrongFocus);
    txtRX.document()->setDocumentMargin(1);

    // Analog Inputs: the outline is drawn over its bar.
    const std::array<const char *, 3> analogNames{"Label6(0)", "Label9(0)", "Label9(1)"};
    for (int r = 0; r < 3; ++r) {
        const int top = 240 + 360 * r;
        makeLabel(place(analogLabels[r], Frame6, analogNames[r], 120, top, 255, 255),
                  QStringLiteral("%1:").arg(r + 1));
        makeField(place(txtAn(r), Frame6, indexed("txtAn", r), 360, top, 615, 285), "0", false);
        place(Shape4(r), Frame6, indexed("Shape4", r), 1080, top, 2655, 255)
            .setStyle(Shape::Style::FilledNoBorder);
        place(barOutlines[r], Frame6, indexed("Shape3", r), 1080, top, 2655, 255)
            .setStyle(Shape::Style::OutlineOnly);
        barOutlines[r].raise();
    }

    // Relays: row 0 is "All" and has no lamp.
    for (int k = 0; k <= 8; ++k) {
        const int top = 480 + 240 * k;
        makeLabel(place(Label3[k], Frame2, indexed("Label3", k), 240, top, 255, 255),
                  k == 0 ? QStringLiteral("All") : QString::number(k));
        if (k > 0)
            place(Shape1(k), Frame2, indexed("Shape1", k), 480, top, 375, 255);
        place(btnON[k], Frame2, indexed("btnON", k), 960, top, 495, 255).setText("ON");
        place(btnOFF[k], Frame2, indexed("btnOFF", k), 1440, top, 495, 255).setText("OFF");
    }

    // Digital Inputs: Label3(12) is "1", Label3(9) is "4".
    for (int c = 1; c <= 4; ++c) {
        const int left = 1200 + 360 * (c - 1);
        makeLabel(place(Label3[13 - c], Frame3, indexed("Label3", 13 - c), left, 480, 375, 255),
                  QString::number(c), Qt::AlignHCenter);
        place(Shape2(c), Frame3, indexed("Shape2", c), left, 720, 375, 255);
    }

    // The web link.
    place(Label10, *this, "Label10", 2160, 6120, 2175, 255);
    makeLabel(Label10, QString::fromLatin1(LinkText), Qt::AlignHCenter);
    QFont linkFont = Label10.font();
    linkFont.setUnderline(true);
    Label10.setFont(linkFont);
    QPalette linkPalette = Label10.palette();
    linkPalette.setColor(QPalette::WindowText, Colours::toQColor(Colours::Blue));
    Label10.setPalette(linkPalette);
    Label10.setCursor(Qt::PointingHandCursor);
    Label10.setToolTip(QString::fromLatin1(LinkUrl));

    pollTimer.setObjectName(QStringLiteral("pollTimer"));
    pollTimer.setParent(this);
    pollTimer.setInterval(1000);

    // Keyboard focus order.
    std::vector<QWidget *> order{&txtAddr, &txtPort};
    for (int k = 0; k <= 6; ++k)
        order.push_back(&btnON[k]);
    for (int k = 0; k <= 6; ++k)
        order.push_back(&btnOFF[k]);
    order.insert(order.end(), {&txtTX, &txtRX, &txtAn(0), &txtAn(1), &txtAn(2), &btnOFF[7],
                               &btnON[7], &btnOFF[8], &btnON[8], &chkPoll});
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    txtAddr.setFocus();
}
