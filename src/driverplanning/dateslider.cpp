#include "dateslider.h"

#include "model/daywindow.h"
#include "widgets/pastillejour.h"

#include <QLocale>

#include <algorithm>
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

int DateSlider::largeurLigne(qsizetype debut, qsizetype fin) const
{
    if (fin <= debut)
        return 0;
    int largeur = 2 * marge() - kEspace;
    for (qsizetype i = debut; i < fin; ++i)
        largeur += m_pastilles[i]->sizeHint().width() - 2 * marge() + kEspace;
    return largeur;
}

int DateSlider::lignes(int width) const
{
    // The pills share the lines evenly, the first lines taking one more when they do not divide.
    const int n = int(m_pastilles.size());
    for (int l = 1; l < n; ++l) {
        const int parLigne = (n + l - 1) / l;
        bool tient = true;
        for (int debut = 0; debut < n && tient; debut += parLigne)
            tient = largeurLigne(debut, std::min(n, debut + parLigne)) <= width;
        if (tient)
            return l;
    }
    return std::max(n, 1);
}

int DateSlider::pasDesLignes() const
{
    // Lines stand a room apart, tile to tile, so that no pill's room covers another's tile.
    if (m_pastilles.isEmpty())
        return 0;
    return int(std::ceil(m_pastilles.first()->tileRect().height())) + marge();
}

QRect DateSlider::derniereLigne(int width) const
{
    const int n = int(m_pastilles.size());
    if (n == 0)
        return {};
    const int l = lignes(width);
    const int parLigne = (n + l - 1) / l;
    const int debut = (l - 1) * parLigne;
    return QRect(marge(), kMargeVerticale + (l - 1) * pasDesLignes(), largeurLigne(debut, n) - 2 * marge(),
                 m_pastilles.first()->sizeHint().height());
}

int DateSlider::heightForWidth(int width) const
{
    if (m_pastilles.isEmpty())
        return 2 * kMargeVerticale;
    const int pas = pasDesLignes();
    int hauteur = 0;
    for (const PastilleJour* q : m_pastilles)
        hauteur = std::max(hauteur, q->sizeHint().height());
    return (lignes(width) - 1) * pas + hauteur + 2 * kMargeVerticale;
}

QSize DateSlider::sizeHint() const
{
    const int largeur = largeurLigne(0, m_pastilles.size());
    return QSize(largeur, heightForWidth(largeur));
}

QSize DateSlider::minimumSizeHint() const
{
    // One pill a line at the narrowest.
    int largeur = 0;
    for (qsizetype i = 0; i < m_pastilles.size(); ++i)
        largeur = std::max(largeur, largeurLigne(i, i + 1));
    return QSize(largeur, heightForWidth(largeur));
}

void DateSlider::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placer();
}

void DateSlider::placer()
{
    if (m_pastilles.isEmpty())
        return;
    const int n = int(m_pastilles.size());
    const int l = lignes(width());
    const int parLigne = (n + l - 1) / l;
    const int pas = pasDesLignes();
    for (int i = 0; i < n; ++i) {
        PastilleJour* p = m_pastilles[i];
        const QSize taille = p->sizeHint();
        const int debut = i - i % parLigne;
        const int x = largeurLigne(debut, i + 1) - taille.width();
        p->setGeometry(x, kMargeVerticale + (i / parLigne) * pas, taille.width(), taille.height());
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
