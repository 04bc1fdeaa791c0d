#pragma once

// The pictures of the planning grid's bars, made once and kept: a bar's body with its two
// shadows (cut in three so that one picture serves every width), the client's name with its
// shadows, the driver badges, the handles, the duplicate button and the information badge.
// Nothing is blurred while the grid paints.

#include <QCache>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QRectF>

#include <functional>

class QPainter;

namespace kv::planning {

class PeintreBarres {
public:
    PeintreBarres() = default;

    // Pictures are made for this device pixel ratio and text font; a change drops them.
    void preparer(qreal dpr, const QFont& police);

    // The body (filled rounded rectangle, its two shadows) over `corps`.
    void peindreCorps(QPainter& p, const QRectF& corps, const QColor& couleur);
    // The end of a bar whose skip stays on site with no planned removal: it fades into the grid
    // under a double arrow, over the last `kFonduOuvert` points of `corps`.
    void peindreFinOuverte(QPainter& p, const QRectF& corps, const QColor& couleur, const QColor& fond);
    static constexpr qreal kFonduOuvert = 56;
    // The white outline of a bar waiting for its deletion to be confirmed.
    void peindreSurbrillance(QPainter& p, const QRectF& corps);
    // Where the label of a bar goes: the client's name between the driver badges, kept within
    // `bande` (the body less what its handles and buttons cover). With room, it is centred on the
    // body, the badges in their margins. Short of room the name is the last to give way: the
    // margins go first, then the badges shrink, then they hide, and only then is the name shortened.
    // A bar lower than the name's line (a stacked one) has it written smaller, to fit between its
    // edges; one too low for a name that still reads shows none (its tool tip holds it). The name
    // never reaches past the bar: white or black on the grid beside it would not read.
    struct Etiquette {
        QString texte;        // the name as shown
        QFont police;         // the font it is written in
        QRectF rectTexte;     // where it is written (its 4-point margins included)
        QRectF badgePose;     // the placing driver's badge, empty when not shown
        QRectF badgeEnlevement;
    };
    // `ajuster`, when given, is the name's own rule for a shorter room (given a test of room): a
    // look-alike's name gives way from what its namesakes share (see nomClientDistinct).
    using Ajustement = std::function<QString(const std::function<bool(const QString&)>&)>;
    Etiquette disposerEtiquette(const QRectF& corps, const QRectF& bande, const QString& nom, bool chauffeurPose,
                                bool chauffeurEnlevement, const Ajustement& ajuster = {});
    // The name is written black or white, whichever reads better on the bar's colour `fond`.
    void peindreEtiquette(QPainter& p, const Etiquette& etiquette, const QColor& fond);

    // The keyboard's focus on a cell or a label: a thick frame in the highlight colour between two
    // white rings, so that it shows on paper, on the highlight colour and on any skip's colour.
    static void peindreCadreFocus(QPainter& p, const QRectF& rect, const QColor& surbrillance, qreal rayon);

    // The small pictures, in logical pixels once drawn.
    const QPixmap& badgeChauffeur(bool enlevement);
    const QPixmap& poignee(bool droite);
    const QPixmap& boutonDuplication();
    const QPixmap& badgeInfo();

    static constexpr qreal kRayon = 15;
    // The pictures reach this far past what they show, for their shadows.
    static constexpr qreal kMargeOmbres = 4;
    static constexpr qreal kTailleBadge = 28;   // 20 + 4 of margin on each side
    static constexpr qreal kTaillePoignee = 20; // 12 + 4 + 4
    static constexpr qreal kTailleDuplication = 22;
    static constexpr qreal kTailleBadgeMin = 18; // a driver badge shrinks this far before it hides
    static constexpr qreal kTailleInfo = 22;     // the information badge's circle

private:
    static constexpr qreal kLargeurBandes = 512;
    // The width a name takes on a bar, its margins included; measured once per name.
    qreal largeurNom(const QString& nom, const QFont& police);
    QString nomRaccourci(const QString& nom, qreal place, const QFont& police);
    QString nomAjuste(const QString& nom, const Ajustement& ajuster, qreal place, const QFont& police);
    // The font a name is written in on a bar of height `hauteur`: the grid's own where its line
    // fits with room for its shadows, else the largest that fits; none (`ok` false) below the
    // smallest that reads.
    struct Police {
        QFont police;
        bool ok = false;
    };
    const Police& policePour(qreal hauteur);
    static constexpr int kPoliceMin = 7; // pixels: the smallest name still read at a glance
    QPixmap sprite(const QColor& couleur, qreal hauteur);
    void preparerBandes();
    QPixmap corpsEntier(const QSizeF& taille, const QColor& couleur);
    const QPixmap& texte(const QString& nom, const QColor& encre, const QFont& police);

    qreal m_dpr = 1;
    QFont m_police;
    QHash<quint64, QPixmap> m_sprites; // by colour and height
    QCache<quint64, QPixmap> m_corpsEtroits{64};
    QCache<QString, QPixmap> m_textes{600};
    QPixmap m_badges[2], m_poignees[2], m_duplication, m_info;
    QPixmap m_surbrillance;
    QPixmap m_bandeHaute, m_bandeBasse;
    QHash<int, Police> m_polices; // by height, in quarters of a point
    QHash<QString, qreal> m_largeurs;
    // The fitted name kept under `cle`, made by `faire` the first time.
    template <class Faire>
    QString memorise(const QString& cle, Faire&& faire);
    QHash<QString, QString> m_raccourcis;
    QSizeF m_tailleSurbrillance;
};

} // namespace kv::planning
