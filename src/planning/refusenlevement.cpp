#include "refusenlevement.h"

#include "widgets/forms/formstyle.h"

#include <QDateEdit>
#include <QEvent>

namespace kv::planning {

RefusEnlevement::RefusEnlevement(QDateEdit* champ, const QDate& jourPose, QWidget* parent)
    : QLabel(parent), m_champ(champ), m_jourPose(jourPose),
      m_texte(QStringLiteral("L’enlèvement ne peut pas précéder la pose du %1.")
                  .arg(jourPose.toString(QStringLiteral("dd/MM/yyyy"))))
{
    setObjectName(QStringLiteral("refusDateEnlevement"));
    setTextFormat(Qt::PlainText);
    // One line, whole: the dialog is as wide as it, and as tall with it as without it.
    setMinimumWidth(fontMetrics().horizontalAdvance(m_texte) + 2);
    setMinimumHeight(fontMetrics().height());
    colorer();
    connect(champ, &QDateEdit::dateChanged, this, [this] { accepte(); });
    accepte();
}

bool RefusEnlevement::accepte()
{
    const bool ok = m_champ->date() >= m_jourPose;
    setText(ok ? QString() : m_texte);
    return ok;
}

void RefusEnlevement::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        if (event->type() == QEvent::FontChange) {
            setMinimumWidth(fontMetrics().horizontalAdvance(m_texte) + 2);
            setMinimumHeight(fontMetrics().height());
        }
        colorer();
    }
}

void RefusEnlevement::colorer()
{
    QPalette p = palette();
    const QColor rouge = forms::dangerTextColor(p.color(QPalette::Window));
    if (p.color(QPalette::WindowText) == rouge)
        return; // our own change, coming back as a palette change
    p.setColor(QPalette::WindowText, rouge);
    setPalette(p);
}

} // namespace kv::planning
