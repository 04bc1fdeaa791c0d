#include "dateslider.h"

#include "model/daywindow.h"
#include "widgets/pastillejour.h"
#include "widgets/textstyles.h"

#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

// The mark of a day with work to give out: its number on the orange of the work to give out, in
// black (9:1), whatever the palette.
class MarqueAAttribuer : public QWidget {
public:
    explicit MarqueAAttribuer(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("marqueAAttribuer"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }
    void setNombre(int nombre)
    {
        m_texte = nombre > 99 ? QStringLiteral("99+") : QString::number(nombre);
        const QFontMetrics fm(police());
        const int hauteur = fm.height() + 2;
        resize(std::max(hauteur, fm.horizontalAdvance(m_texte) + 8), hauteur);
        setVisible(nombre > 0);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(QColor(255, 149, 0));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), height() / 2.0, height() / 2.0);
        p.setPen(Qt::black);
        p.setFont(police());
        p.drawText(rect(), Qt::AlignCenter, m_texte);
    }

private:
    QFont police() const
    {
        QFont f = fontForStyle(TextStyle::caption2, font());
        f.setBold(true);
        return f;
    }
    QString m_texte;
};

} // namespace

DateSlider::DateSlider(const QDateTime& selectedDate, const QDateTime& baseDate, int nbJours,
                       const QTimeZone& fuseau, QWidget* parent)
    : QWidget(parent), m_selected(selectedDate), m_fuseau(fuseau)
{
    setObjectName(QStringLiteral("dateSlider"));
    for (int i = 0; i < nbJours; ++i) {
        auto* pastille = new PastilleJour(false, QString(), QString(), {}, this);
        pastille->setCheckable(true);
        // A click checks only the day it chooses, the one already chosen too.
        connect(pastille, &QAbstractButton::clicked, this, &DateSlider::majSelection);
        m_pastilles.append(pastille);
        m_marques.append(new MarqueAAttribuer(pastille));
        m_aAttribuer.append(0);
    }
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
        nommer(i);
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

void DateSlider::nommer(qsizetype i)
{
    // Named as it reads (« Demain 9 déc. · 3 à attribuer »); the chosen one is checked.
    const QDate jour = m_jours[i].toTimeZone(m_fuseau).date();
    QString nom = label(int(i), jour) + QLatin1Char(' ') + texteDate(jour);
    if (m_aAttribuer[i] > 0)
        nom += QStringLiteral(" · %1 à attribuer").arg(m_aAttribuer[i]);
    m_pastilles[i]->setAccessibleName(nom);
}

void DateSlider::setAAttribuer(const QList<int>& nombres)
{
    for (qsizetype i = 0; i < m_pastilles.size(); ++i) {
        m_aAttribuer[i] = std::max(0, nombres.value(i));
        static_cast<MarqueAAttribuer*>(m_marques[i])->setNombre(m_aAttribuer[i]);
        nommer(i);
    }
    placerMarques();
}

void DateSlider::placerMarques()
{
    // Astride the tile's top right corner, within the room the pill keeps around it.
    for (qsizetype i = 0; i < m_pastilles.size(); ++i) {
        const QRectF tuile = m_pastilles[i]->tileRect();
        QWidget* m = m_marques[i];
        m->move(std::min(int(tuile.right()) - m->width() / 2, m_pastilles[i]->width() - m->width()),
                std::max(0, int(tuile.top()) - m->height() / 2));
        m->raise();
    }
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

QList<int> DateSlider::debutsDesLignes(int width) const
{
    // Each line takes as many pills as fit in it: a line folds only where the next pill does not fit.
    QList<int> debuts;
    const int n = int(m_pastilles.size());
    for (int debut = 0; debut < n;) {
        int fin = debut + 1;
        while (fin < n && largeurLigne(debut, fin + 1) <= width)
            ++fin;
        debuts << debut;
        debut = fin;
    }
    return debuts;
}

int DateSlider::lignes(int width) const
{
    return std::max(int(debutsDesLignes(width).size()), 1);
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
    const QList<int> debuts = debutsDesLignes(width);
    const int l = int(debuts.size());
    return QRect(marge(), kMargeVerticale + (l - 1) * pasDesLignes(), largeurLigne(debuts.last(), n) - 2 * marge(),
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
    const QList<int> debuts = debutsDesLignes(width());
    const int pas = pasDesLignes();
    for (int ligne = 0; ligne < debuts.size(); ++ligne) {
        const int debut = debuts[ligne];
        const int fin = ligne + 1 < debuts.size() ? debuts[ligne + 1] : int(m_pastilles.size());
        for (int i = debut; i < fin; ++i) {
            PastilleJour* p = m_pastilles[i];
            const QSize taille = p->sizeHint();
            const int x = largeurLigne(debut, i + 1) - taille.width();
            p->setGeometry(x, kMargeVerticale + ligne * pas, taille.width(), taille.height());
        }
    }
    placerMarques();
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
    for (qsizetype i = 0; i < m_pastilles.size(); ++i) {
        const bool choisie = m_jours[i].toTimeZone(m_fuseau).date() == choisi;
        m_pastilles[i]->setSelected(choisie);
        m_pastilles[i]->setChecked(choisie);
    }
}

} // namespace kv
