#pragma once

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

// Answers a widget's tooltip event with the text for the point it asks about, or hides the
// tooltip where there is none; false for any other event, which the widget handles as usual.
template <typename TextAt> bool answerToolTip(QWidget &widget, QEvent *event, TextAt textAt)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    const auto *help = static_cast<QHelpEvent *>(event);
    const QString text = textAt(help->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, &widget);
    return true;
}
