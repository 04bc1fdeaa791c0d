#include "plaintext.h"

#include "model/helpers.h"

#include <algorithm>

#include <QLabel>
#include <QTextDocument>

namespace kv {

void setPlainText(QLabel* label, const QString& text)
{
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    setPlainText(label, text);
    return label;
}

QString plainToolTip(const QString& text)
{
    // A tool tip is read as HTML only when it looks like HTML: only then it needs escaping.
    if (!Qt::mightBeRichText(text))
        return text;
    // HTML folds runs of blanks into one: a blank at the start or after another is kept as a
    // no-break space, so the tip still wraps between words.
    QString kept = text;
    for (qsizetype i = 0; i < kept.size(); ++i)
        if (kept[i] == u' ' && (i == 0 || kept[i - 1] == u' ' || kept[i - 1] == QChar::Nbsp))
            kept[i] = QChar::Nbsp;
    return Qt::convertFromPlainText(kept, Qt::WhiteSpaceNormal);
}

void setPlainToolTip(QWidget* widget, const QString& text)
{
    widget->setToolTip(plainToolTip(text));
}

namespace {

QString fromHtml(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

} // namespace

QString shownText(const QLabel* label)
{
    const bool html = label->textFormat() == Qt::RichText
                      || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    return html ? fromHtml(label->text()) : label->text();
}

QString shownToolTip(const QString& toolTip)
{
    return Qt::mightBeRichText(toolTip) ? fromHtml(toolTip) : toolTip;
}

QString quotedBeginning(const QString& typed, int longest)
{
    return debutDeTexte(typed, longest);
}

} // namespace kv
