#include "dateslider.h"

#include "model/daywindow.h"
#include "widgets/pastillejour.h"

#include <QLocale>

#include <cmath>

namespace kv {

DateSlider::DateSlider(const QDateTime& selectedDate, const QDateTime& baseDate, int nbJours,
                       const QTimeZone& fuseau, QWidget* parent)
    : QWidget(parent), m_selected(selectedDate), m_fuseau(fuseau)
{
    setObjectName(QStringLiteral("dateSlider"));
    for (int i = 0; i < nbJours; ++i)
        m_pastilles.append(new PastilleJour(false, QString(), QString(), {}, this));
    setBaseDate(baseDate);
}

void DateSlider::setBaseDate(const QDateTime& baseDate)
{
    const QDate premier = baseDate.toTimeZone(m_fuseau).date();
    m_jours.clear();
    for (qsizetype i = 0; i < m_pastilles.size(); ++i) {
        const QDate jour = premier.addDays(i);
        const QDateTime debut = QDateTime::fromMSecsSinceEpoch(startOfDayMs(jour, m_fuseau), m_fuseau);
        m_jours.append(debut);
        PastilleJour* pastille = m_pastilles[i];
        pastille->setLabel(label(int(i), jour));
        pastille->setDate(texteDate(jour));
        pastille->setAction([this, debut] {
            setSelectedDate(debut);
            emit selectedDateChanged(debut);
        });
    }
    majSelection();
    // Labels and dates of another width.
    updateGeometry();
    placer();
}

// The pills stand 8 points apart, tile to tile: the room each keeps around its tile overlaps its
// neighbours' (a pill paints and takes clicks on its tile only).
namespace {
constexpr int kEspace = 8;
constexpr int kMargeVerticale = 6;
}

int DateSlider::marge() const
{
    if (m_pastilles.isEmpty())
        return 0;
    const PastilleJour* p = m_pastilles.first();
    return int(std::floor((p->sizeHint().width() - p->tileRect().width()) / 2));
}

QSize DateSlider::sizeHint() const
{
    int largeur = 0, hauteur = 0;
    for (const PastilleJour* p : m_pastilles) {
        largeur += p->sizeHint().width() - 2 * marge() + kEspace;
        hauteur = std::max(hauteur, p->sizeHint().height());
    }
    if (!m_pastilles.isEmpty())
        largeur += 2 * marge() - kEspace;
    return QSize(largeur, hauteur + 2 * kMargeVerticale);
}

void DateSlider::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placer();
}

void DateSlider::placer()
{
    int x = 0;
    for (PastilleJour* p : std::as_const(m_pastilles)) {
        const QSize taille = p->sizeHint();
        p->setGeometry(x, kMargeVerticale + (height() - 2 * kMargeVerticale - taille.height()) / 2, taille.width(),
                       taille.height());
        x += taille.width() - 2 * marge() + kEspace;
    }
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
