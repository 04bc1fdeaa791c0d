#include "graphiqueleger.h"

#include "model/helpers.h"
#include "widgets/colors.h"
#include "widgets/plaintext.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDateTime>
#include <QEvent>
#include <QHash>
#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace kv::stats {

namespace {

// Around the plot: the chart's own margin, the room between the value axis' title and its
// marks' texts, and between those and the plot.
constexpr qreal kMarge = 4;
constexpr qreal kJeu = 6;
// Between the plot's bottom and the names under it.
constexpr qreal kSousLeTrace = 6;
// Half a month on each side of a month axis.
constexpr qint64 kQuinzeJours = 15LL * 24 * 3600 * 1000;
// A bar takes this share of its category.
constexpr qreal kLargeurBarre = 0.6;
constexpr int kSymbole = 9;

// A round number near x: 1, 2, 5 or 10 times a power of ten, above x when `auDessus`.
double arrondi(double x, bool auDessus)
{
    const double z = std::pow(10.0, std::floor(std::log10(x)));
    const double q = x / z;
    if (auDessus)
        return (q <= 1 ? 1 : q <= 2 ? 2 : q <= 5 ? 5 : 10) * z;
    return (q < 1.5 ? 1 : q < 3 ? 2 : q < 7 ? 5 : 10) * z;
}

QString texteValeur(double v, bool entiers)
{
    return entiers ? QString::number(qint64(std::llround(v))) : formatFixed(v, 1);
}

} // namespace

struct GraphiqueLeger::Disposition {
    int largeur = -1;
    int hauteur = 0;
    QRectF trace;
    double max = 1;
    double pas = 1;
    QList<double> marques;
    QStringList textesMarques;
    QFont police;
    Etiquetage noms;
    QList<QTransform> placesNoms;
    QList<qreal> centres;
    QList<QRectF> barres;
    QList<QRectF> annotations;
    QList<bool> annotationVues;
    QList<QPolygonF> lignes;

    double y(double v) const { return trace.bottom() - v / max * trace.height(); }
};

// ---------------------------------------------------------------------------------------------
// What a screen reader finds in the chart: an entry per bar or series, a series' points below it.

namespace {

class EntreeAccessible : public QAccessibleInterface {
public:
    EntreeAccessible(GraphiqueLeger* graphique, qsizetype entree, qsizetype point)
        : m_graphique(graphique), m_entree(entree), m_point(point)
    {
    }
    bool isValid() const override
    {
        return m_graphique && m_entree < m_graphique->nombreEntrees() && m_point < m_graphique->nombrePoints(m_entree);
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_graphique ? m_graphique->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override
    {
        return m_graphique && m_point < 0 ? int(m_graphique->nombrePoints(m_entree)) : 0;
    }
    int indexOfChild(const QAccessibleInterface* enfant) const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? texte() : QString(); }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!m_graphique)
            return {};
        const QRectF r = (m_point < 0 ? m_graphique->entree(m_entree) : m_graphique->point(m_entree, m_point)).place;
        return QRect(m_graphique->mapToGlobal(r.topLeft().toPoint()), r.size().toSize());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !m_graphique || !m_graphique->isVisible();
        return s;
    }
    qsizetype entree() const { return m_entree; }
    qsizetype point() const { return m_point; }

private:
    QString texte() const
    {
        if (!m_graphique)
            return {};
        return (m_point < 0 ? m_graphique->entree(m_entree) : m_graphique->point(m_entree, m_point)).texte;
    }
    QPointer<GraphiqueLeger> m_graphique;
    qsizetype m_entree;
    qsizetype m_point;
};

// The chart itself: its name and its text equivalent as the widget's, its entries as children,
// made only when a reader asks for them and dropped when the figures change.
class GraphiqueAccessible : public QAccessibleWidget {
public:
    explicit GraphiqueAccessible(GraphiqueLeger* g) : QAccessibleWidget(g, QAccessible::Chart) {}
    ~GraphiqueAccessible() override { lacher(); }
    int childCount() const override { return int(graphique()->nombreEntrees()); }
    QAccessibleInterface* child(int index) const override { return enfant(index, -1); }
    int indexOfChild(const QAccessibleInterface* c) const override
    {
        for (auto it = m_enfants.cbegin(); it != m_enfants.cend(); ++it)
            if (it.value() == c && static_cast<const EntreeAccessible*>(c)->point() < 0)
                return int(static_cast<const EntreeAccessible*>(c)->entree());
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (QAccessibleInterface* c = child(i); c && c->rect().contains(x, y))
                return c;
        return nullptr;
    }
    // The entry (or the point of an entry) `index`, made once and kept while the figures hold.
    QAccessibleInterface* enfant(qsizetype entree, qsizetype point) const
    {
        if (m_version != version())
            oublier();
        const qsizetype n = point < 0 ? graphique()->nombreEntrees() : graphique()->nombrePoints(entree);
        if ((point < 0 ? entree : point) < 0 || (point < 0 ? entree : point) >= n)
            return nullptr;
        const quint64 cle = (quint64(entree) << 32) | quint32(point + 1);
        QAccessibleInterface*& c = m_enfants[cle];
        if (!c) {
            c = new EntreeAccessible(graphique(), entree, point);
            QAccessible::registerAccessibleInterface(c);
        }
        return c;
    }
    static GraphiqueAccessible* de(GraphiqueLeger* g)
    {
        return static_cast<GraphiqueAccessible*>(QAccessible::queryAccessibleInterface(g));
    }

private:
    GraphiqueLeger* graphique() const { return static_cast<GraphiqueLeger*>(widget()); }
    quint64 version() const { return graphique()->versionFigures(); }
    // The entries made for the figures shown before: dropped, as readers are told by the new
    // description.
    void oublier() const
    {
        lacher();
        m_version = version();
    }
    void lacher() const
    {
        for (QAccessibleInterface* c : std::as_const(m_enfants))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(c));
        m_enfants.clear();
    }
    mutable QHash<quint64, QAccessibleInterface*> m_enfants;
    mutable quint64 m_version = 0;
};

QAccessibleInterface* EntreeAccessible::parent() const
{
    if (!m_graphique)
        return nullptr;
    return m_point < 0 ? QAccessible::queryAccessibleInterface(m_graphique.data())
                       : GraphiqueAccessible::de(m_graphique)->enfant(m_entree, -1);
}

QAccessibleInterface* EntreeAccessible::child(int index) const
{
    return m_graphique && m_point < 0 ? GraphiqueAccessible::de(m_graphique)->enfant(m_entree, index) : nullptr;
}

int EntreeAccessible::indexOfChild(const QAccessibleInterface* enfant) const
{
    const auto* e = static_cast<const EntreeAccessible*>(enfant);
    return e && m_point < 0 && e->m_entree == m_entree && e->m_point >= 0 ? int(e->m_point) : -1;
}

QAccessibleInterface* fabrique(const QString& classe, QObject* objet)
{
    if (classe == QLatin1String("kv::stats::GraphiqueLeger"))
        if (auto* g = qobject_cast<GraphiqueLeger*>(objet))
            return new GraphiqueAccessible(g);
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------

GraphiqueLeger::GraphiqueLeger(int hauteur, QWidget* parent) : QWidget(parent), m_hauteur(hauteur)
{
    // Screen readers reach the chart's bars and lines through an interface of its own.
    static const bool installee = [] {
        QAccessible::installFactory(fabrique);
        return true;
    }();
    Q_UNUSED(installee);
    QSizePolicy politique(QSizePolicy::Preferred, QSizePolicy::Preferred);
    politique.setHeightForWidth(true);
    setSizePolicy(politique);
    // A chart has nothing to do with keys: as a Tab stop it would hold the keyboard.
    setFocusPolicy(Qt::NoFocus);
}

GraphiqueLeger::~GraphiqueLeger() = default;

void GraphiqueLeger::setPoliceTitre(const QFont& police)
{
    m_policeTitre = police;
    m_policeTitreDonnee = true;
    changer();
}

void GraphiqueLeger::setBarres(const QList<Barre>& barres, const QString& titreY, bool entiers, bool numeros)
{
    m_lignes = false;
    m_entiers = entiers;
    m_numeros = numeros;
    m_titreY = titreY;
    m_series.clear();
    m_mois.clear();
    m_libellesMois.clear();
    m_barres = barres;
    m_categories.clear();
    QList<double> piles;
    double haut = 0;
    for (const Barre& b : std::as_const(m_barres)) {
        qsizetype c = m_categories.indexOf(b.categorie);
        if (c < 0) {
            m_categories.append(b.categorie);
            piles.append(0);
            c = m_categories.size() - 1;
        }
        piles[c] += b.valeur;
        haut = std::max(haut, piles[c]);
    }
    m_max = haut;
    m_couleurs.clear();
    for (const Barre& b : std::as_const(m_barres))
        m_couleurs.append(b.couleur);
    lisibles();
    changer();
}

void GraphiqueLeger::setSeries(const QList<qint64>& mois, const QList<Serie>& series, const QTimeZone& zone,
                               const QString& titreY, bool entiers, std::function<QString(double)> valeur)
{
    m_lignes = true;
    m_entiers = entiers;
    m_numeros = false;
    m_titreY = titreY;
    m_barres.clear();
    m_categories.clear();
    m_zone = zone;
    m_valeur = std::move(valeur);
    m_series = series;
    m_max = 0;
    m_couleurs.clear();
    for (const Serie& s : std::as_const(m_series)) {
        m_couleurs.append(s.couleur);
        for (const QPointF& p : s.points)
            m_max = std::max(m_max, p.y());
    }
    lisibles();
    // Every calendar month from the first to the last, gaps included.
    m_mois.clear();
    m_libellesMois.clear();
    if (!mois.isEmpty()) {
        const auto [mn, mx] = std::minmax_element(mois.cbegin(), mois.cend());
        for (QDateTime m = QDateTime::fromMSecsSinceEpoch(*mn, zone); m.toMSecsSinceEpoch() <= *mx; m = m.addMonths(1)) {
            m_mois.append(double(m.toMSecsSinceEpoch()));
            m_libellesMois.append(libelleMois(m.toMSecsSinceEpoch(), zone));
        }
    }
    changer();
}

void GraphiqueLeger::lisibles()
{
    // Each mark keeps its hue, taken just far enough towards white or black to be seen on the
    // window (3:1), whatever the palette.
    const QColor fond = palette().color(QPalette::Window);
    for (qsizetype i = 0; i < m_couleurs.size(); ++i)
        (m_lignes ? m_series[i].couleur : m_barres[i].couleur) = inkReadableOn(m_couleurs[i], fond, 3.0);
}

void GraphiqueLeger::changer()
{
    ++m_version;
    m_dispositions.clear();
    m_rendu = QPixmap();
    updateGeometry();
    update();
}

int GraphiqueLeger::heightForWidth(int largeur) const
{
    return disposition(largeur).hauteur;
}

QSize GraphiqueLeger::sizeHint() const
{
    return {300, heightForWidth(300)};
}

QSize GraphiqueLeger::minimumSizeHint() const
{
    return {100, m_hauteur};
}

std::shared_ptr<const GraphiqueLeger::Disposition> GraphiqueLeger::dispositionPour(int largeur) const
{
    if (largeur < 0)
        largeur = width();
    if (auto it = m_dispositions.constFind(largeur); it != m_dispositions.cend())
        return it.value();
    // A layout asks at a few widths; a window resized by hand, at many.
    if (m_dispositions.size() >= 8)
        m_dispositions.clear();
    auto d = std::make_shared<const Disposition>(disposer(largeur));
    m_dispositions.insert(largeur, d);
    return d;
}

const GraphiqueLeger::Disposition& GraphiqueLeger::disposition(int largeur) const
{
    return *dispositionPour(largeur);
}

GraphiqueLeger::Disposition GraphiqueLeger::disposer(int largeur) const
{
    Disposition d;
    d.largeur = largeur;
    d.police = font();
    const QFontMetricsF fm(d.police);
    const QFont policeTitre = m_policeTitreDonnee ? m_policeTitre : [this] {
        QFont f = font();
        f.setBold(true);
        return f;
    }();
    const QFontMetricsF fmTitre(policeTitre);

    // The plot's height: the chart's own, or more while the axis title is longer.
    const qreal haut = kMarge + fm.height() / 2;
    const qreal titre = m_titreY.isEmpty() ? 0 : fmTitre.horizontalAdvance(m_titreY) + 12;
    const qreal hauteurTrace = std::max<qreal>(std::max<qreal>(m_hauteur - haut - kMarge - fm.height(), 20), titre);

    // The value axis from 0, with room above the highest mark for its text; whole numbers for
    // counts, one mark per unit while they are few.
    double max = m_max > 0 ? m_max * 1.15 : 1.0;
    double pas = arrondi(arrondi(max, true) / 4, false);
    max = std::ceil(max / pas) * pas;
    if (m_entiers) {
        const double entier = std::max(1.0, std::ceil(max));
        if (entier <= 10) {
            max = entier;
            pas = 1;
        }
    }
    // No more marks than their texts have room for, at a round step.
    const int intervalles = std::max(1, int(std::floor(hauteurTrace / (fm.height() + 10))));
    if (max / pas > intervalles + 1e-9) {
        pas = arrondi(max / intervalles, true);
        if (m_entiers)
            pas = std::max(1.0, std::ceil(pas));
    }
    d.max = max;
    d.pas = pas;
    qreal largeMarques = 0;
    for (int k = 0; k * pas <= max * (1 + 1e-9); ++k) {
        d.marques.append(k * pas);
        d.textesMarques.append(texteValeur(k * pas, m_entiers));
        largeMarques = std::max(largeMarques, fm.horizontalAdvance(d.textesMarques.last()));
    }

    const qreal gauche = kMarge + (titre > 0 ? fmTitre.height() + kJeu : 0) + largeMarques + kJeu;
    const qreal droite = kMarge + (m_lignes ? plusLarge(fm, m_libellesMois) / 2 : 8);
    d.trace = QRectF(gauche, haut, std::max<qreal>(1, largeur - gauche - droite), hauteurTrace);

    // Where the names stand across the plot, and the room between two.
    const qsizetype n = m_lignes ? m_mois.size() : m_categories.size();
    qreal parCategorie = n > 0 ? d.trace.width() / qreal(n) : d.trace.width();
    double xMin = 0, xEtendue = 1;
    if (m_lignes && !m_mois.isEmpty()) {
        xMin = m_mois.first() - double(kQuinzeJours);
        xEtendue = std::max(1.0, m_mois.last() + double(kQuinzeJours) - xMin);
    }
    const auto x = [&](double v) { return d.trace.left() + (v - xMin) / xEtendue * d.trace.width(); };
    for (qsizetype i = 0; i < n; ++i)
        d.centres.append(m_lignes ? x(m_mois[i]) : d.trace.left() + (i + 0.5) * parCategorie);
    for (qsizetype i = 1; i < d.centres.size(); ++i)
        parCategorie = i == 1 ? d.centres[1] - d.centres[0] : std::min(parCategorie, d.centres[i] - d.centres[i - 1]);
    const QStringList& longues = m_lignes ? m_libellesMois : m_categories;
    QStringList numeros;
    if (m_numeros)
        for (qsizetype i = 0; i < n; ++i)
            numeros.append(QString::number(i + 1));
    int sous = 0;
    if (n > 0) {
        d.noms = etiqueter(fm, parCategorie, d.centres.first() - parCategorie / 2, longues,
                           nomsRaccourcis(fm, longues, d.trace.width()), true, numeros);
        for (qsizetype i = 0; i < n; ++i)
            d.placesNoms.append(placeNom(d.noms, i, fm, d.centres[i], d.trace.bottom() + kSousLeTrace));
        sous = hauteurNoms(d.noms, fm);
    }
    d.hauteur = int(std::ceil(d.trace.bottom() + kMarge)) + std::max(sous, int(fm.height()));

    // The bars, standing on one another within their category, and the texts over them.
    const QFontMetricsF fmNotes(fontForStyle(TextStyle::caption2, font()));
    QList<double> piles(m_categories.size(), 0.0);
    for (const Barre& b : m_barres) {
        const qsizetype c = m_categories.indexOf(b.categorie);
        const qreal w = parCategorie * kLargeurBarre;
        const qreal bas = d.y(piles[c]);
        piles[c] += b.valeur;
        const QRectF r(d.centres[c] - w / 2, d.y(piles[c]), w, bas - d.y(piles[c]));
        d.barres.append(r);
        // A text wider than its bar stays inside the plot, still over its own bar.
        const qreal large = fmNotes.horizontalAdvance(b.texte);
        const qreal gaucheNote = std::clamp(r.center().x() - large / 2, d.trace.left() + 2,
                                            std::max(d.trace.left() + 2, d.trace.right() - 2 - large));
        d.annotations.append(QRectF(gaucheNote, r.top() - fmNotes.height() - 2, large, fmNotes.height()));
    }
    // From left to right, a text that would touch the last one shown is left out.
    QList<qsizetype> ordre;
    for (qsizetype i = 0; i < d.annotations.size(); ++i)
        ordre.append(i);
    std::stable_sort(ordre.begin(), ordre.end(), [&d](qsizetype a, qsizetype b) {
        return d.annotations[a].left() < d.annotations[b].left();
    });
    d.annotationVues = QList<bool>(d.annotations.size(), false);
    std::optional<QRectF> precedente;
    for (qsizetype i : std::as_const(ordre)) {
        if (m_barres[i].texte.isEmpty())
            continue;
        const QRectF r = d.annotations[i].adjusted(-2, 0, 2, 0);
        d.annotationVues[i] = !precedente || !r.intersects(*precedente);
        if (d.annotationVues[i])
            precedente = r;
    }

    for (const Serie& s : m_series) {
        QPolygonF ligne;
        for (const QPointF& p : s.points)
            ligne.append(QPointF(x(p.x()), d.y(p.y())));
        d.lignes.append(ligne);
    }
    return d;
}

// ---------------------------------------------------------------------------------------------

QColor GraphiqueLeger::couleurTextes() const
{
    return palette().color(QPalette::WindowText);
}

QColor GraphiqueLeger::couleurGrille() const
{
    // Faint: a fifth of the way from the window to its text.
    const QColor a = palette().color(QPalette::Window);
    const QColor b = palette().color(QPalette::WindowText);
    return QColor::fromRgbF(a.redF() * 0.8f + b.redF() * 0.2f, a.greenF() * 0.8f + b.greenF() * 0.2f,
                            a.blueF() * 0.8f + b.blueF() * 0.2f);
}

void GraphiqueLeger::paintEvent(QPaintEvent*)
{
    const std::shared_ptr<const Disposition> d = dispositionPour(-1);
    const qreal ratio = devicePixelRatioF();
    if (m_rendu.isNull() || m_rendu.size() != size() * ratio || m_rendue != d) {
        m_rendu = QPixmap(size() * ratio);
        m_rendu.setDevicePixelRatio(ratio);
        m_rendu.fill(Qt::transparent);
        QPainter p(&m_rendu);
        peindre(p, *d);
        m_rendue = d;
    }
    QPainter(this).drawPixmap(0, 0, m_rendu);
}

void GraphiqueLeger::peindre(QPainter& p, const Disposition& d) const
{
    p.setRenderHint(QPainter::Antialiasing);
    const QColor grille = couleurGrille();
    const QColor texte = couleurTextes();
    const QFontMetricsF fm(d.police);
    p.setFont(d.police);

    // The grid: a line at each mark of the value axis, and at each month. Lines one pixel wide
    // are cosmetic throughout: the raster engine draws those on its fast path.
    QPen trait(grille, 1);
    trait.setCosmetic(true);
    p.setPen(trait);
    for (double v : d.marques)
        p.drawLine(QPointF(d.trace.left(), d.y(v)), QPointF(d.trace.right(), d.y(v)));
    if (m_lignes)
        for (qreal c : d.centres)
            p.drawLine(QPointF(c, d.trace.top()), QPointF(c, d.trace.bottom()));
    trait.setColor(palette().color(QPalette::Mid));
    p.setPen(trait);
    p.drawLine(d.trace.bottomLeft(), d.trace.bottomRight());
    p.drawLine(d.trace.bottomLeft(), d.trace.topLeft());

    // The marks' texts and the axis title, turned, centred on the plot's height.
    p.setPen(texte);
    for (qsizetype k = 0; k < d.marques.size(); ++k)
        p.drawText(QRectF(0, d.y(d.marques[k]) - fm.height() / 2, d.trace.left() - kJeu, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, d.textesMarques[k]);
    if (!m_titreY.isEmpty()) {
        QFont police = m_policeTitreDonnee ? m_policeTitre : d.police;
        if (!m_policeTitreDonnee)
            police.setBold(true);
        p.save();
        p.setFont(police);
        p.translate(kMarge, d.trace.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-d.trace.height() / 2, 0, d.trace.height(), QFontMetricsF(police).height()), Qt::AlignCenter,
                   m_titreY);
        p.restore();
    }

    // The bars and their values.
    for (qsizetype i = 0; i < m_barres.size(); ++i)
        p.fillRect(d.barres[i], m_barres[i].couleur);
    p.setFont(fontForStyle(TextStyle::caption2, font()));
    p.setPen(inkReadableOn(palette().color(QPalette::PlaceholderText), palette().color(QPalette::Window)));
    for (qsizetype i = 0; i < m_barres.size(); ++i)
        if (d.annotationVues[i])
            p.drawText(d.annotations[i], Qt::AlignCenter, m_barres[i].texte);

    // The lines, then a symbol at each point: one picture per series, put down at whole pixels
    // (a picture placed between pixels is resampled, point by point).
    for (qsizetype s = 0; s < m_series.size(); ++s) {
        trait.setColor(m_series[s].couleur);
        p.setPen(trait);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(d.lignes[s]);
    }
    const qreal ratio = p.device()->devicePixelRatioF();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (qsizetype s = 0; s < m_series.size(); ++s) {
        QImage symbole(QSize(kSymbole, kSymbole) * ratio, QImage::Format_ARGB32_Premultiplied);
        symbole.setDevicePixelRatio(ratio);
        symbole.fill(Qt::transparent);
        {
            QPainter ps(&symbole);
            ps.setRenderHint(QPainter::Antialiasing);
            dessinerSymbole(ps, QRectF(0.5, 0.5, kSymbole - 1, kSymbole - 1), m_series[s].forme, m_series[s].couleur);
        }
        for (const QPointF& pt : d.lignes[s])
            p.drawImage(QPointF(std::round((pt.x() - kSymbole / 2.0) * ratio) / ratio,
                                std::round((pt.y() - kSymbole / 2.0) * ratio) / ratio),
                        symbole);
    }
    p.restore();

    // The names under the plot.
    p.setFont(d.police);
    p.setPen(texte);
    for (qsizetype i = 0; i < d.placesNoms.size(); ++i) {
        const QString t = d.noms.textes.value(i);
        if (t.isEmpty())
            continue;
        p.save();
        p.setTransform(d.placesNoms[i], true);
        p.drawText(QPointF(0, fm.ascent()), t);
        p.restore();
    }
}

void GraphiqueLeger::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    disposition();
    emit disposee();
}

void GraphiqueLeger::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange
        || event->type() == QEvent::StyleChange) {
        lisibles();
        m_dispositions.clear();
        m_rendu = QPixmap();
        updateGeometry();
        update();
        emit disposee();
    }
}

bool GraphiqueLeger::event(QEvent* event)
{
    // Under the pointer, a bar tells its whole name and its value, which a narrow chart may cut
    // or leave out.
    if (event->type() == QEvent::ToolTip) {
        auto* aide = static_cast<QHelpEvent*>(event);
        const Disposition& d = disposition();
        for (qsizetype i = 0; i < m_barres.size(); ++i)
            if (m_barres[i].valeur != 0 && d.barres[i].contains(aide->pos())) {
                const Barre& b = m_barres[i];
                QToolTip::showText(aide->globalPos(),
                                   plainToolTip((b.nom.isEmpty() ? b.categorie : b.nom) + QStringLiteral(" : ")
                                                + texteValeur(b.valeur, m_entiers)),
                                   this, d.barres[i].toRect());
                return true;
            }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

// ---------------------------------------------------------------------------------------------

double GraphiqueLeger::maximum() const
{
    return disposition().max;
}

double GraphiqueLeger::pas() const
{
    return disposition().pas;
}

QStringList GraphiqueLeger::graduations() const
{
    return disposition().textesMarques;
}

QStringList GraphiqueLeger::noms() const
{
    const Disposition& d = disposition();
    QStringList t;
    for (qsizetype i = 0; i < d.placesNoms.size(); ++i)
        t.append(d.noms.textes.value(i));
    return t;
}

QList<QPolygonF> GraphiqueLeger::emprisesNoms() const
{
    const Disposition& d = disposition();
    const QFontMetricsF fm(d.police);
    QList<QPolygonF> e;
    for (qsizetype i = 0; i < d.placesNoms.size(); ++i)
        if (const QString t = d.noms.textes.value(i); !t.isEmpty())
            e.append(d.placesNoms[i].map(QPolygonF(QRectF(0, 0, fm.horizontalAdvance(t), fm.height()))));
    return e;
}

int GraphiqueLeger::angleNoms() const
{
    return disposition().noms.angle;
}

QStringList GraphiqueLeger::annotations() const
{
    QStringList t;
    for (const Barre& b : m_barres)
        if (!b.texte.isEmpty())
            t.append(b.texte);
    return t;
}

QStringList GraphiqueLeger::annotationsVisibles() const
{
    const Disposition& d = disposition();
    QStringList t;
    for (qsizetype i = 0; i < m_barres.size(); ++i)
        if (d.annotationVues[i])
            t.append(m_barres[i].texte);
    return t;
}

QList<QRectF> GraphiqueLeger::placesAnnotations() const
{
    const Disposition& d = disposition();
    QList<QRectF> r;
    for (qsizetype i = 0; i < m_barres.size(); ++i)
        if (d.annotationVues[i])
            r.append(d.annotations[i]);
    return r;
}

bool GraphiqueLeger::toutEstEcrit() const
{
    if (annotationsVisibles().size() != annotations().size())
        return false;
    const QStringList t = noms();
    const QStringList& longues = m_lignes ? m_libellesMois : m_categories;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t[i].isEmpty() || (m_numeros && t[i] == QString::number(i + 1) && longues.value(i) != t[i]))
            return false;
    return true;
}

QRectF GraphiqueLeger::zoneTrace() const
{
    return disposition().trace;
}

QRectF GraphiqueLeger::placeBarre(qsizetype i) const
{
    return disposition().barres.value(i);
}

qsizetype GraphiqueLeger::nombreEntrees() const
{
    return m_lignes ? m_series.size() : m_barres.size();
}

GraphiqueLeger::Entree GraphiqueLeger::entree(qsizetype i) const
{
    const Disposition& d = disposition();
    if (m_lignes)
        return {m_series.value(i).lu, d.lignes.value(i).boundingRect().adjusted(-kSymbole / 2.0, -kSymbole / 2.0,
                                                                                 kSymbole / 2.0, kSymbole / 2.0)};
    return {m_barres.value(i).lu, d.barres.value(i)};
}

qsizetype GraphiqueLeger::nombrePoints(qsizetype serie) const
{
    return m_lignes ? m_series.value(serie).points.size() : 0;
}

GraphiqueLeger::Entree GraphiqueLeger::point(qsizetype serie, qsizetype i) const
{
    if (!m_lignes || serie < 0 || serie >= m_series.size() || i < 0 || i >= m_series[serie].points.size())
        return {};
    const QPointF p = m_series[serie].points[i];
    const QPointF ici = disposition().lignes[serie][i];
    const QString mois
        = QLocale().toString(QDateTime::fromMSecsSinceEpoch(qint64(p.x()), m_zone).date(), QStringLiteral("MMMM yyyy"));
    return {QStringLiteral("%1 : %2").arg(mois, m_valeur ? m_valeur(p.y()) : texteValeur(p.y(), m_entiers)),
            QRectF(ici - QPointF(kSymbole / 2.0, kSymbole / 2.0), QSizeF(kSymbole, kSymbole))};
}

} // namespace kv::stats
