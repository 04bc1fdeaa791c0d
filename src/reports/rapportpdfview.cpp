#include "rapportpdfview.h"

#include "rapportdonnees.h"
#include "textesexport.h"

#include "model/helpers.h"
#include "model/records.h"

#include <QPainter>
#include <QTextLayout>
#include <QVBoxLayout>

#include <cmath>

namespace kv {

namespace {

// Text styles of the page, in points (the page is drawn one unit per point).
enum class Style { titre, corps, entete, sousTitre, legende, legende2 };

QFont policePour(Style style, const QFont& base)
{
    QFont f = base;
    f.setHintingPreference(QFont::PreferNoHinting);
    int taille = 13;
    switch (style) {
    case Style::titre: taille = 22; break;
    case Style::corps: taille = 13; break;
    case Style::entete: taille = 13; f.setWeight(QFont::DemiBold); break;
    case Style::sousTitre: taille = 11; break;
    case Style::legende: taille = 10; break;
    case Style::legende2: taille = 10; break;
    }
    f.setPixelSize(taille);
    return f;
}

// A text that wraps at word boundaries, or anywhere when a word is wider than the page: nothing
// of it is ever cut. Measured and drawn with the font's design metrics, so that the layout made
// here is the one the PDF and the printer get.
class TexteRapport : public QWidget {
public:
    TexteRapport(const QString& texte, Style style, QWidget* parent)
        : QWidget(parent), m_texte(texte)
    {
        setFont(policePour(style, font()));
        QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Fixed);
        sp.setHeightForWidth(true);
        setSizePolicy(sp);
    }

    QString texte() const { return m_texte; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int largeur) const override
    {
        const QMargins m = contentsMargins();
        return qCeil(mesurer(largeur - m.left() - m.right())) + m.top() + m.bottom();
    }
    QSize sizeHint() const override { return {RapportPDFView::kLargeurMax, heightForWidth(RapportPDFView::kLargeurMax)}; }
    QSize minimumSizeHint() const override { return {0, heightForWidth(RapportPDFView::kLargeurMax)}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setFont(font());
        p.setPen(Qt::black);
        p.drawText(QRectF(contentsRect()), m_texte, option());
    }

private:
    static QTextOption option()
    {
        QTextOption o(Qt::AlignLeft | Qt::AlignTop);
        o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        o.setUseDesignMetrics(true);
        return o;
    }

    qreal mesurer(int largeur) const
    {
        QTextLayout layout(m_texte, font());
        layout.setTextOption(option());
        layout.beginLayout();
        qreal hauteur = 0;
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
            l.setLineWidth(qMax(1, largeur));
            l.setPosition(QPointF(0, hauteur));
            hauteur += l.height();
        }
        layout.endLayout();
        return qMax(hauteur, QFontMetricsF(font()).height());
    }

    QString m_texte;
};

// A thin rule with room above and below.
class Separateur : public QWidget {
public:
    explicit Separateur(QWidget* parent) : QWidget(parent) { setFixedHeight(9); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(QRectF(0, 4, width(), 1), QColor(0xC8, 0xC8, 0xC8));
    }
};

const QString kEspaceFine = QString(QChar(0x202F));

} // namespace

RapportPDFView::RapportPDFView(const Client* client, qint64 moisMs,
                               const QList<LocationDeBenne*>& locations, const QTimeZone& zone,
                               QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_DontShowOnScreen);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(14);
    colonne->setSizeConstraint(QLayout::SetNoConstraint);

    QWidget* titre = texte(QStringLiteral("Rapport mensuel"), int(Style::titre), this);
    titre->setContentsMargins(0, 0, 0, 4);
    colonne->addWidget(titre);
    // Which client it is, where others share its name.
    const QString nom = nomClientDistinct(client);
    colonne->addWidget(texte(QStringLiteral("Client") + kEspaceFine + QStringLiteral(": ") + nom,
                                        int(Style::corps), this));
    colonne->addWidget(texte(QStringLiteral("Période") + kEspaceFine + QStringLiteral(": ")
                                            + libelleMois(moisMs, zone),
                                        int(Style::corps), this));
    colonne->addWidget(new Separateur(this));
    colonne->addWidget(texte(QStringLiteral("Nombre total de locations") + kEspaceFine
                                            + QStringLiteral(": ") + QString::number(locations.size()),
                                        int(Style::entete), this));
    for (const LocationDeBenne* l : rapport::parDatePose(locations))
        ajouterBloc(l, zone);
}

void RapportPDFView::ajouterBloc(const LocationDeBenne* l, const QTimeZone& zone)
{
    auto* bloc = new QWidget(this);
    auto* lignes = new QVBoxLayout(bloc);
    lignes->setContentsMargins(0, 1, 0, 1);
    lignes->setSpacing(2);
    const QString espace = kEspaceFine + QStringLiteral(": ");
    lignes->addWidget(texte(QStringLiteral("• Pose : ") + jourCourt(l->datePoseMs(), zone)
                                           + QLatin1Char(' ') + l->adresse().value_or(QString()),
                                       int(Style::sousTitre), bloc));
    lignes->addWidget(texte(QStringLiteral("  Volume") + espace
                                           + (l->benne() ? texteVolumeM3(l->benne()->volume()) : QStringLiteral("—")),
                                       int(Style::legende), bloc));
    lignes->addWidget(texte(QStringLiteral("  Déchet") + espace
                                           + (l->typeDechet() ? l->typeDechet()->libelle() : QStringLiteral("-")),
                                       int(Style::legende), bloc));
    const auto enlevement = l->dateEnlevementMs();
    lignes->addWidget(texte(QStringLiteral("  Enlèvement") + espace
                                           + (enlevement ? jourCourt(*enlevement, zone) : QStringLiteral("non prévue")),
                                       int(Style::legende2), bloc));
    layout()->addWidget(bloc);
    m_blocs.append(bloc);
}

QWidget* RapportPDFView::texte(const QString& texte, int style, QWidget* parent)
{
    m_textes.append(texte);
    return new TexteRapport(texte, Style(style), parent);
}

int RapportPDFView::mettreEnPage(int largeur)
{
    largeur = qMin(largeur, kLargeurMax);
    ensurePolished();
    const int hauteur = layout()->totalHeightForWidth(largeur);
    resize(largeur, hauteur);
    layout()->activate();
    layout()->setGeometry(QRect(0, 0, largeur, hauteur));
    for (QWidget* bloc : std::as_const(m_blocs))
        bloc->layout()->setGeometry(bloc->rect());
    return hauteur;
}

QList<int> RapportPDFView::coupuresPossibles() const
{
    QList<int> out;
    for (const QWidget* bloc : m_blocs)
        if (bloc->y() > 0)
            out.append(bloc->y());
    out.append(height());
    return out;
}

} // namespace kv
