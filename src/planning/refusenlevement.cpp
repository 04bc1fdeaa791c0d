#include "refusenlevement.h"

#include "widgets/dateentry.h"
#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"
#include "widgets/sharedannouncement.h"

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
    tenirLaPlace();
    colorer();
    // Its refusals are said here, in the room kept for them, not in a line of the shared entry.
    champ->setProperty(kOwnRefusalLine, true);
    connect(champ, &QDateEdit::dateChanged, this, [this] { accepte(); });
    champ->installEventFilter(this);
    accepte();
}

QString RefusEnlevement::texteRefus(const QString& tape)
{
    return QStringLiteral("« %1 » n’est pas une date\u00A0: rien n’est enregistré.").arg(quotedBeginning(tape.trimmed(), 20));
}

void RefusEnlevement::tenirLaPlace()
{
    const QFontMetrics m = fontMetrics();
    setMinimumWidth(std::max(m.horizontalAdvance(m_texte), m.horizontalAdvance(texteRefus(QStringLiteral("00/00/0000")))) + 2);
    setMinimumHeight(m.height());
}

bool RefusEnlevement::accepte()
{
    const QVariant refusee = m_champ->property(kDateRefused);
    if (refusee.isValid()) {
        setText(QStringLiteral("« %1 » n’est pas une date : rien n’est enregistré.")
                    .arg(quotedBeginning(refusee.toString().trimmed(), 20)));
        return false;
    }
    const bool ok = m_champ->date() >= m_jourPose;
    // A refusal appearing is said as a live line would be, while the keys stay in the date.
    if (!ok && text() != m_texte)
        announceOutcome(this, m_texte);
    setText(ok ? QString() : m_texte);
    return ok;
}

bool RefusEnlevement::eventFilter(QObject* objet, QEvent* event)
{
    // The field marks a refused text, and unmarks it once a date is taken.
    if (objet == m_champ && event->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() == kDateRefused)
        accepte();
    return QLabel::eventFilter(objet, event);
}

void RefusEnlevement::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        if (event->type() == QEvent::FontChange)
            tenirLaPlace();
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
