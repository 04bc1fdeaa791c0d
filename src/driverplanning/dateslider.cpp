#include "dateslider.h"

#include "model/daywindow.h"
#include "widgets/pastillejour.h"

#include <QHBoxLayout>
#include <QLocale>

namespace kv {

DateSlider::DateSlider(const QDateTime& selectedDate, const QDateTime& baseDate, int nbJours,
                       const QTimeZone& fuseau, QWidget* parent)
    : QWidget(parent), m_selected(selectedDate), m_fuseau(fuseau)
{
    setObjectName(QStringLiteral("dateSlider"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 6);
    const QDate premier = baseDate.toTimeZone(fuseau).date();
    for (int i = 0; i < nbJours; ++i) {
        const QDate jour = premier.addDays(i);
        const QDateTime debut = QDateTime::fromMSecsSinceEpoch(startOfDayMs(jour, fuseau), fuseau);
        m_jours.append(debut);
        auto* pastille = new PastilleJour(false, label(i, jour), texteDate(jour), {}, this);
        pastille->setAction([this, debut] {
            setSelectedDate(debut);
            emit selectedDateChanged(debut);
        });
        m_pastilles.append(pastille);
        layout->addWidget(pastille);
    }
    majSelection();
}

QString DateSlider::label(int offset, const QDate& jour)
{
    if (offset == 0)
        return QStringLiteral("Aujourd’hui");
    if (offset == 1)
        return QStringLiteral("Demain");
    // The French weekday name, each word capitalised.
    const QString nom = QLocale(QLocale::French, QLocale::France).dayName(jour.dayOfWeek());
    QString out = nom;
    bool debutMot = true;
    for (QChar& c : out) {
        if (debutMot && c.isLetter())
            c = c.toUpper();
        debutMot = !c.isLetter();
    }
    return out;
}

QString DateSlider::texteDate(const QDate& jour, const QLocale& locale)
{
    // Day and abbreviated month in the order of the user's locale.
    const QString court = locale.dateFormat(QLocale::ShortFormat);
    const bool moisDabord = court.indexOf(QLatin1Char('M')) < court.indexOf(QLatin1Char('d'));
    return locale.toString(jour, moisDabord ? QStringLiteral("MMM d") : QStringLiteral("d MMM"));
}

void DateSlider::setSelectedDate(const QDateTime& date)
{
    m_selected = date;
    majSelection();
}

void DateSlider::majSelection()
{
    const QDate choisi = m_selected.toTimeZone(m_fuseau).date();
    for (qsizetype i = 0; i < m_pastilles.size(); ++i)
        m_pastilles[i]->setSelected(m_jours[i].toTimeZone(m_fuseau).date() == choisi);
}

} // namespace kv
