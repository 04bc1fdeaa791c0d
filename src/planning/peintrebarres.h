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

class QPainter;

namespace kv::planning {

class PeintreBarres {
public:
    PeintreBarres() = default;

    // Pictures are made for this device pixel ratio and text font; a change drops them.
    void preparer(qreal dpr, const QFont& police);

    // The body (filled rounded rectangle, its two shadows) over `corps`.
    void peindreCorps(QPainter& p, const QRectF& corps, const QColor& couleur);
    // The white outline of a bar waiting for its deletion to be confirmed.
    void peindreSurbrillance(QPainter& p, const QRectF& corps);
    // The client's name and the driver badges, centred on the body; the name is shortened to
    // what the body leaves room for.
    void peindreEtiquette(QPainter& p, const QRectF& corps, const QString& nom, bool chauffeurPose,
                          bool chauffeurEnlevement);

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

private:
    static constexpr qreal kLargeurBandes = 512;
    struct Mesure {
        QString texte;
        qreal largeur = 0;
    };
    QPixmap sprite(const QColor& couleur);
    void preparerBandes();
    QPixmap corpsEntier(const QSizeF& taille, const QColor& couleur);
    const QPixmap& texte(const QString& nom);

    qreal m_dpr = 1;
    QFont m_police;
    QHash<QRgb, QPixmap> m_sprites;
    QCache<quint64, QPixmap> m_corpsEtroits{64};
    QCache<QString, QPixmap> m_textes{600};
    QPixmap m_badges[2], m_poignees[2], m_duplication, m_info;
    QPixmap m_surbrillance;
    QPixmap m_bandeHaute, m_bandeBasse;
    QHash<QString, Mesure> m_mesures;
    QSizeF m_tailleSurbrillance;
};

} // namespace kv::planning
