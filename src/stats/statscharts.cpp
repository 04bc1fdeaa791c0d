#include "statscharts.h"

#include "widgets/foldingrow.h"

#include <QApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGraphicsEllipseItem>
#include <QGraphicsSimpleTextItem>
#include <QtMath>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

#include <cmath>
#include <memory>
#include <numbers>

namespace kv::stats {

QChartView* nouvelleVueGraphique(QWidget* parent, int hauteur)
{
    auto* chart = new QChart();
    chart->setBackgroundVisible(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    view->setStyleSheet(QStringLiteral("background: transparent"));
    if (hauteur > 0)
        view->setFixedHeight(hauteur);
    return view;
}

QPieSeries* anneau(const QList<Part>& parts, double trou)
{
    auto* series = new QPieSeries();
    series->setPieSize(0.9);
    series->setHoleSize(0.9 * trou);
    QFont police = fontForStyle(TextStyle::caption2, QApplication::font());
    police.setBold(true);
    const QColor fond = QApplication::palette().color(QPalette::Window);
    for (const Part& p : parts) {
        auto* slice = series->append(p.texte, p.valeur);
        slice->setColor(p.couleur);
        // The gap between slices: a border in the window's colour.
        slice->setBorderColor(fond);
        slice->setBorderWidth(2);
        slice->setLabelFont(police);
        slice->setLabelColor(Qt::white);
        slice->setLabelPosition(QPieSlice::LabelInsideHorizontal);
        slice->setLabelVisible(!p.texte.isEmpty());
    }
    return series;
}

QValueAxis* axeValeurs(double max, bool entiers, const QString& titre)
{
    auto* axe = new QValueAxis();
    axe->setTitleText(titre);
    // Room above the tallest mark for its annotation.
    axe->setRange(0, max > 0 ? max * 1.15 : 1.0);
    axe->applyNiceNumbers();
    if (entiers) {
        axe->setLabelFormat(QStringLiteral("%d"));
        const int haut = std::max(1, int(std::ceil(axe->max())));
        if (haut <= 10) {
            axe->setRange(0, haut);
            axe->setTickCount(haut + 1);
        }
    } else {
        axe->setLabelFormat(QStringLiteral("%.1f"));
    }
    return axe;
}

QStackedBarSeries* barresColorees(QChart* chart, const QList<Barre>& barres, const QString& titreY, bool entiers)
{
    QStringList categories;
    for (const Barre& b : barres)
        if (!categories.contains(b.categorie))
            categories.append(b.categorie);

    auto* series = new QStackedBarSeries();
    series->setBarWidth(0.6);
    double max = 0;
    QList<double> piles(categories.size(), 0.0);
    for (const Barre& b : barres) {
        auto* set = new QBarSet(b.nom.isEmpty() ? b.categorie : b.nom);
        const qsizetype c = categories.indexOf(b.categorie);
        for (qsizetype i = 0; i < categories.size(); ++i)
            set->append(i == c ? b.valeur : 0.0);
        set->setColor(b.couleur);
        set->setBorderColor(b.couleur);
        series->append(set);
        piles[c] += b.valeur;
        max = std::max(max, piles[c]);
    }
    chart->addSeries(series);

    auto* axeX = new QBarCategoryAxis();
    axeX->append(categories);
    axeX->setGridLineVisible(false);
    chart->addAxis(axeX, Qt::AlignBottom);
    series->attachAxis(axeX);

    QValueAxis* axeY = axeValeurs(max, entiers, titreY);
    chart->addAxis(axeY, Qt::AlignLeft);
    series->attachAxis(axeY);
    return series;
}

QString libelleMois(qint64 moisMs, const QTimeZone& zone)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(moisMs, zone).date(), QStringLiteral("MMM yyyy"));
}

QCategoryAxis* axeMois(QChart* chart, const QList<qint64>& moisMs, const QTimeZone& zone)
{
    auto* axe = new QCategoryAxis();
    axe->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axe->setGridLineVisible(true);
    // Slanted labels take the room they need rather than being cut.
    axe->setTruncateLabels(false);
    constexpr qint64 quinzeJours = 15LL * 24 * 3600 * 1000;
    QList<QPair<QString, qint64>> mois;
    if (moisMs.isEmpty()) {
        axe->setRange(0, 1);
        axe->setLabelsVisible(false);
    } else {
        const auto [mn, mx] = std::minmax_element(moisMs.cbegin(), moisMs.cend());
        const qint64 debut = *mn - quinzeJours;
        axe->setStartValue(double(debut));
        QDateTime m = QDateTime::fromMSecsSinceEpoch(*mn, zone);
        while (m.toMSecsSinceEpoch() <= *mx) {
            mois.append({libelleMois(m.toMSecsSinceEpoch(), zone), m.toMSecsSinceEpoch()});
            m = m.addMonths(1);
        }
        for (const auto& [libelle, debutMois] : std::as_const(mois))
            axe->append(libelle, double(debutMois));
        axe->setRange(double(debut), double(*mx + quinzeJours));
    }
    chart->addAxis(axe, Qt::AlignBottom);
    // The labels stand upright while they fit side by side, slanted once they would not; when
    // even slanted they would overlap, only every second (third, …) month keeps its label.
    auto pasCourant = std::make_shared<int>(1);
    QObject::connect(chart, &QChart::plotAreaChanged, axe, [axe, mois, pasCourant](const QRectF& zone) {
        if (mois.isEmpty() || zone.width() <= 0)
            return;
        const QFontMetricsF fm(axe->labelsFont());
        qreal plusLarge = 0;
        for (const auto& m : mois)
            plusLarge = std::max(plusLarge, fm.horizontalAdvance(m.first));
        const qreal parMois = zone.width() / qreal(mois.size());
        int angle = 0;
        int pas = 1;
        if (parMois < plusLarge + 8) {
            angle = -45;
            // Two slanted labels clear each other when their anchors are a line's height apart
            // across the slant (the text's margins included).
            const qreal ecart = (fm.height() + 10) * std::numbers::sqrt2;
            pas = std::max(1, int(std::ceil(ecart / parMois)));
        }
        if (axe->labelsAngle() != angle)
            axe->setLabelsAngle(angle);
        if (pas == *pasCourant)
            return;
        *pasCourant = pas;
        const double debut = axe->startValue();
        for (const QString& l : axe->categoriesLabels())
            axe->remove(l);
        axe->setStartValue(debut);
        for (qsizetype i = 0; i < mois.size(); i += pas)
            axe->append(mois[i].first, double(mois[i].second));
    });
    return axe;
}

void laisserLaPlaceAuxTextes(QChartView* vue)
{
    const int base = vue->minimumHeight() == vue->maximumHeight() ? vue->minimumHeight() : 0;
    if (base <= 0)
        return;
    auto verifier = [vue, base] {
        QChart* chart = vue->chart();
        const QRectF zone = chart->plotArea();
        if (zone.height() <= 0)
            return;
        int manque = 0;
        for (QAbstractAxis* axe : chart->axes(Qt::Vertical)) {
            if (axe->titleText().isEmpty() || !axe->isTitleVisible())
                continue;
            const qreal titre = QFontMetricsF(axe->titleFont()).horizontalAdvance(axe->titleText());
            manque = std::max(manque, int(std::ceil(titre + 12 - zone.height())));
        }
        // Bar labels turn when they cannot stand side by side; the chart grows by their slant.
        for (QAbstractAxis* a : chart->axes(Qt::Horizontal)) {
            auto* axe = qobject_cast<QBarCategoryAxis*>(a);
            if (!axe || axe->count() == 0)
                continue;
            const QFontMetricsF fm(axe->labelsFont());
            qreal plusLarge = 0;
            for (const QString& l : axe->categories())
                plusLarge = std::max(plusLarge, fm.horizontalAdvance(l));
            const bool tourne = zone.width() / axe->count() < plusLarge + 8;
            axe->setTruncateLabels(false);
            if (axe->labelsAngle() != (tourne ? -45 : 0))
                axe->setLabelsAngle(tourne ? -45 : 0);
        }
        const int hauteur = std::max(base, vue->height() + manque);
        if (hauteur != vue->height() && (manque > 0 || vue->height() > base))
            vue->setFixedHeight(hauteur);
    };
    // Once the chart has laid itself out anew; never inside its own layout pass.
    QObject::connect(vue->chart(), &QChart::plotAreaChanged, vue,
                     [vue, verifier] { QMetaObject::invokeMethod(vue, verifier, Qt::QueuedConnection); });
}

void viderGraphique(QChart* chart)
{
    chart->removeAllSeries();
    for (QAbstractAxis* a : chart->axes()) {
        chart->removeAxis(a);
        delete a;
    }
}

QScatterSeries* ajouterSerie(QChart* chart, QAbstractAxis* axeX, QAbstractAxis* axeY, const QString& nom,
                             const QColor& couleur, QScatterSeries::MarkerShape forme,
                             const QList<QPointF>& points, bool dansLaLegende)
{
    auto* ligne = new QLineSeries();
    ligne->setName(nom);
    ligne->setPen(QPen(couleur, 2));
    auto* symboles = new QScatterSeries();
    symboles->setName(nom);
    symboles->setMarkerShape(forme);
    symboles->setMarkerSize(9);
    symboles->setColor(couleur);
    symboles->setBorderColor(couleur.darker(130));
    ligne->append(points);
    symboles->append(points);
    chart->addSeries(ligne);
    chart->addSeries(symboles);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(ligne), static_cast<QAbstractSeries*>(symboles)}) {
        s->attachAxis(axeX);
        s->attachAxis(axeY);
    }
    // The legend shows the symbol, not the line.
    for (QLegendMarker* m : chart->legend()->markers(ligne))
        m->setVisible(false);
    if (!dansLaLegende)
        for (QLegendMarker* m : chart->legend()->markers(symboles))
            m->setVisible(false);
    return symboles;
}

QScatterSeries::MarkerShape formeMarqueur(int n)
{
    static const QScatterSeries::MarkerShape formes[] = {
        QScatterSeries::MarkerShapeCircle, QScatterSeries::MarkerShapeRectangle,
        QScatterSeries::MarkerShapeTriangle, QScatterSeries::MarkerShapeRotatedRectangle,
        QScatterSeries::MarkerShapePentagon, QScatterSeries::MarkerShapeStar};
    return formes[n % int(std::size(formes))];
}

// ---------------------------------------------------------------------------------------------

AnnotationsGraphique::AnnotationsGraphique(QChart* chart) : QObject(chart), m_chart(chart)
{
    connect(chart, &QChart::plotAreaChanged, this, &AnnotationsGraphique::placer);
}

void AnnotationsGraphique::setAnnotations(const QList<Annotation>& annotations, const QColor& couleur,
                                          const QFont& police)
{
    qDeleteAll(m_items);
    m_items.clear();
    m_annotations = annotations;
    for (const Annotation& a : annotations) {
        auto* item = new QGraphicsSimpleTextItem(a.texte, m_chart);
        item->setBrush(couleur);
        item->setFont(police);
        item->setZValue(10);
        m_items.append(item);
    }
    placer();
}

QStringList AnnotationsGraphique::textes() const
{
    QStringList t;
    for (const Annotation& a : m_annotations)
        t.append(a.texte);
    return t;
}

void AnnotationsGraphique::placer()
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const Annotation& a = m_annotations[i];
        const QPointF p = m_chart->mapToPosition(a.position, a.series);
        const QRectF r = m_items[i]->boundingRect();
        m_items[i]->setPos(p.x() - r.width() / 2, p.y() - r.height() - 2);
    }
}

// ---------------------------------------------------------------------------------------------

EtiquettesAnneau::EtiquettesAnneau(QChart* chart, int diametre) : QObject(chart), m_chart(chart), m_diametre(diametre)
{
    connect(chart, &QChart::plotAreaChanged, this, &EtiquettesAnneau::placer);
}

void EtiquettesAnneau::setSeries(QPieSeries* series)
{
    for (const Etiquette& e : std::as_const(m_etiquettes)) {
        delete e.pastille;
        delete e.texte;
    }
    m_etiquettes.clear();
    m_series = series;
    if (!series)
        return;
    for (QPieSlice* slice : series->slices()) {
        if (slice->label().isEmpty())
            continue;
        Etiquette e;
        e.pastille = new QGraphicsEllipseItem(0, 0, m_diametre, m_diametre, m_chart);
        e.pastille->setBrush(slice->color());
        // A white ring makes the disc stand out on a slice of its own colour.
        e.pastille->setPen(QPen(slice->labelColor(), 1));
        e.texte = new QGraphicsSimpleTextItem(slice->label(), m_chart);
        e.texte->setFont(slice->labelFont());
        e.texte->setBrush(slice->labelColor());
        e.pastille->setZValue(10);
        e.texte->setZValue(10);
        m_etiquettes.append(e);
        slice->setLabelVisible(false);
    }
    placer();
}

QStringList EtiquettesAnneau::textes() const
{
    QStringList t;
    for (const Etiquette& e : m_etiquettes)
        t.append(e.texte->text());
    return t;
}

void EtiquettesAnneau::placer()
{
    if (!m_series)
        return;
    // The ring's geometry as the chart draws it: centred in the plot area, its radius the half
    // of the shorter side times the pie size, the hole likewise.
    const QRectF zone = m_chart->plotArea();
    const QPointF centre(zone.left() + zone.width() * m_series->horizontalPosition(),
                         zone.top() + zone.height() * m_series->verticalPosition());
    const qreal demi = std::min(zone.width(), zone.height()) / 2;
    const qreal rayon = (demi * m_series->pieSize() + demi * m_series->holeSize()) / 2;
    constexpr qreal kEcart = 4;
    qsizetype i = 0;
    for (QPieSlice* slice : m_series->slices()) {
        if (slice->label().isEmpty() || i >= m_etiquettes.size())
            continue;
        const Etiquette& e = m_etiquettes[i++];
        // Angles run clockwise from twelve o'clock, in degrees.
        const qreal angle = qDegreesToRadians(slice->startAngle() + slice->angleSpan() / 2);
        const QPointF milieu(centre.x() + rayon * std::sin(angle), centre.y() - rayon * std::cos(angle));
        const QRectF texte = e.texte->boundingRect();
        const qreal largeur = m_diametre + kEcart + texte.width();
        const qreal gauche = milieu.x() - largeur / 2;
        e.pastille->setPos(gauche, milieu.y() - m_diametre / 2.0);
        e.texte->setPos(gauche + m_diametre + kEcart, milieu.y() - texte.height() / 2);
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

class Pastille : public QWidget {
public:
    Pastille(const QColor& couleur, int diametre, QWidget* parent) : QWidget(parent), m_couleur(couleur)
    {
        setFixedSize(diametre, diametre);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(m_couleur);
        p.drawEllipse(rect());
    }

private:
    QColor m_couleur;
};

} // namespace

LegendeStat::LegendeStat(int diametre, int espacement, QWidget* parent)
    : QWidget(parent), m_diametre(diametre), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(10, 0, 0, 0);
    m_layout->setSpacing(espacement);
}

void LegendeStat::setLignes(const QList<Ligne>& lignes)
{
    qDeleteAll(m_rows);
    m_rows.clear();
    m_lignes = lignes;
    const QFont police = fontForStyle(TextStyle::caption, font());
    for (const Ligne& l : lignes) {
        auto* row = new QWidget(this);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(6);
        h->addWidget(new Pastille(l.couleur, m_diametre, row));
        auto* texte = new QLabel(l.texte, row);
        texte->setFont(police);
        h->addWidget(texte);
        h->addStretch();
        m_layout->addWidget(row);
        m_rows.append(row);
    }
}

QStringList LegendeStat::textes() const
{
    QStringList t;
    for (const Ligne& l : m_lignes)
        t.append(l.texte);
    return t;
}

LegendeSeries::LegendeSeries(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void LegendeSeries::setEntrees(const QList<Entree>& entrees)
{
    m_entrees = entrees;
    updateGeometry();
    update();
}

namespace {
constexpr int kSymbole = 9;
constexpr int kApresSymbole = 5;
constexpr int kEntreEntrees = 16;
constexpr int kEntreRangees = 4;
} // namespace

QList<LegendeSeries::Place> LegendeSeries::places(int largeur) const
{
    const QFontMetrics fm(font());
    const int hauteur = std::max(fm.height(), kSymbole);
    QList<Place> out;
    int x = 0;
    int y = 0;
    for (const Entree& e : m_entrees) {
        const int texte = fm.horizontalAdvance(e.nom);
        int w = kSymbole + kApresSymbole + texte;
        if (x > 0 && x + w > largeur) {
            x = 0;
            y += hauteur + kEntreRangees;
        }
        const int reste = std::max(0, largeur - x - kSymbole - kApresSymbole);
        Place p;
        p.nom = texte > reste ? fm.elidedText(e.nom, Qt::ElideRight, reste) : e.nom;
        p.symbole = QRect(x, y + (hauteur - kSymbole) / 2, kSymbole, kSymbole);
        p.texte = QRect(x + kSymbole + kApresSymbole, y, std::min(texte, reste) + 1, hauteur);
        out.append(p);
        x += std::min(w, largeur) + kEntreEntrees;
    }
    return out;
}

int LegendeSeries::heightForWidth(int largeur) const
{
    const QList<Place> p = places(largeur);
    return p.isEmpty() ? 0 : p.last().texte.bottom() + 1;
}

QSize LegendeSeries::sizeHint() const
{
    const QFontMetrics fm(font());
    int largeur = 0;
    for (const Entree& e : m_entrees)
        largeur += kSymbole + kApresSymbole + fm.horizontalAdvance(e.nom) + kEntreEntrees;
    return {std::max(0, largeur - kEntreEntrees), heightForWidth(std::max(1, largeur))};
}

QSize LegendeSeries::minimumSizeHint() const
{
    return {kSymbole + kApresSymbole + 40, 0};
}

QStringList LegendeSeries::nomsAffiches() const
{
    QStringList noms;
    for (const Place& p : places(width()))
        noms.append(p.nom);
    return noms;
}

void LegendeSeries::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QList<Place> ici = places(width());
    for (qsizetype i = 0; i < ici.size(); ++i) {
        const Entree& e = m_entrees[i];
        const QRectF r = QRectF(ici[i].symbole).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(e.couleur.darker(130), 1));
        p.setBrush(e.couleur);
        switch (e.forme) {
        case QScatterSeries::MarkerShapeRectangle:
            p.drawRect(r);
            break;
        case QScatterSeries::MarkerShapeTriangle:
            p.drawPolygon(QPolygonF{{r.center().x(), r.top()}, r.bottomRight(), r.bottomLeft()});
            break;
        case QScatterSeries::MarkerShapeRotatedRectangle:
            p.drawPolygon(QPolygonF{{r.center().x(), r.top()}, {r.right(), r.center().y()},
                                    {r.center().x(), r.bottom()}, {r.left(), r.center().y()}});
            break;
        case QScatterSeries::MarkerShapePentagon:
        case QScatterSeries::MarkerShapeStar: {
            const bool etoile = e.forme == QScatterSeries::MarkerShapeStar;
            const int pointes = etoile ? 10 : 5;
            QPolygonF forme;
            for (int k = 0; k < pointes; ++k) {
                const qreal rayon = (etoile && k % 2) ? r.width() / 4 : r.width() / 2;
                const qreal a = -std::numbers::pi / 2 + k * 2 * std::numbers::pi / pointes;
                forme << QPointF(r.center().x() + rayon * std::cos(a), r.center().y() + rayon * std::sin(a));
            }
            p.drawPolygon(forme);
            break;
        }
        default:
            p.drawEllipse(r);
        }
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(ici[i].texte, Qt::AlignLeft | Qt::AlignVCenter, ici[i].nom);
    }
}

QLabel* titre(const QString& texte, TextStyle style, QWidget* parent)
{
    auto* label = new QLabel(texte, parent);
    label->setFont(fontForStyle(style, parent ? parent->font() : QApplication::font()));
    return label;
}

QWidget* enteteAvecAnnee(const QString& texte, QComboBox*& choix,
                         std::function<void(std::optional<int>)> choisie, QWidget* parent)
{
    // The year goes under the title when the window is too narrow for both.
    auto* entete = new FoldingRow(parent);
    QBoxLayout* h = entete->row();
    h->setContentsMargins(0, 8, 0, 0);
    h->addWidget(titre(texte, TextStyle::title2, entete));
    h->addStretch();
    auto* annee = new QWidget(entete);
    auto* ligneAnnee = new QHBoxLayout(annee);
    ligneAnnee->setContentsMargins(0, 0, 0, 0);
    ligneAnnee->addWidget(new QLabel(QStringLiteral("Année"), annee));
    auto* combo = new QComboBox(annee);
    combo->setFixedWidth(120);
    QObject::connect(combo, &QComboBox::activated, entete, [combo, choisie = std::move(choisie)](int i) {
        const QVariant a = combo->itemData(i);
        choisie(a.isValid() ? std::optional<int>(a.toInt()) : std::nullopt);
    });
    ligneAnnee->addWidget(combo);
    h->addWidget(annee);
    choix = combo;
    return entete;
}

} // namespace kv::stats
