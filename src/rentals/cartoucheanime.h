#pragma once

// The label of one client in the rentals-by-client screen: an orange 200 × 44 box with the name
// (and under it, smaller, what tells the client apart from look-alikes) and a green badge
// holding a count. A tap plays the selection (slide 160 points right in
// 0.5 s, then the blue glass look and growth to 1.5 in 0.5 s, then onAnimationComplete) or, on
// the selected cartouche, the way back (0.3 s, then onDeselectDone). The host owns the
// selection.
//
// The look (offset, scale, glass) and the delayed steps live in an EtatCartouche. A cartouche
// alone owns its own, and its steps end with it; a host that builds cartouches only near the
// visible part keeps one state per client instead, so that a cartouche scrolled away and built
// again shows the same look, and steps already under way still reach the host.

#include "widgets/glass/glass.h"

#include <QEasingCurve>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QString>
#include <QWidget>

#include <functional>


namespace kv {

class EtatCartouche : public QObject {
    Q_OBJECT
    Q_PROPERTY(qreal xOffset READ xOffset WRITE setXOffset)
    Q_PROPERTY(qreal scale READ scale WRITE setScale)
public:
    // A state at rest, or selected at rest (slid out, grown, glass look).
    explicit EtatCartouche(bool isSelected, QObject* parent = nullptr);

    bool isSelected() const { return m_isSelected; }
    // The host's selection changed: unselected, the look goes back to rest.
    void setSelected(bool selected);
    void setActions(std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete);

    qreal xOffset() const { return m_xOffset; }
    void setXOffset(qreal x);
    qreal scale() const { return m_scale; }
    void setScale(qreal s);
    bool isZoomed() const { return m_isZoomed; }

    // A single tap: the selecting or the deselecting sequence. Its steps run while this state
    // lives.
    void basculerSelection();

    // Frames of the slide and the growth per second.
    static constexpr int kImagesParSeconde = 30;

signals:
    // The look changed.
    void changed();

private:
    struct Mouvement {
        qreal EtatCartouche::*valeur;
        qreal depart;
        qreal fin;
        int ms;
        QEasingCurve courbe;
        qint64 debut;
    };

    void animer(qreal EtatCartouche::*valeur, qreal fin, int ms, QEasingCurve::Type courbe = QEasingCurve::InOutQuad);
    void avancer();
    void setZoomed(bool zoomed);

    bool m_isSelected;
    std::function<void()> m_onDeselectDone;
    std::function<void()> m_onAnimationComplete;
    qreal m_xOffset = 0;
    qreal m_scale = 1.0;
    bool m_isZoomed = false;
    QList<Mouvement> m_mouvements;
    QTimer m_images;
    QElapsedTimer m_horloge;
};

// Makes `liste` the list that a reader hears the cartouches in.
void marquerListeCartouches(QWidget* liste);

class CartoucheAnime : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLargeur = 200;
    static constexpr int kHauteur = 44;
    // The cartouche's own height: the box and the room it needs to grow.
    static constexpr int kHauteurTotale = kHauteur + 39;
    // The narrowest cartouche: the box at rest with its badge and shadow.
    static constexpr int kLargeurMinimale = kLargeur + 22;

    CartoucheAnime(const QString& label, int nombreBennes, bool isSelected, std::function<void()> onDeselectDone,
                   std::function<void()> onAnimationComplete, QWidget* parent = nullptr);
    // A cartouche showing a state that its host keeps (and that outlives it).
    CartoucheAnime(const QString& label, int nombreBennes, EtatCartouche* etat, QWidget* parent = nullptr);

    EtatCartouche* etat() const { return m_etat; }

    QString label() const { return m_label; }
    void setLabel(const QString& label);
    // What tells the client apart from look-alikes (its town, else its phone), written under
    // the name in a smaller type; none leaves the name alone in the box.
    QString detail() const { return m_detail; }
    void setDetail(const QString& detail);
    // The same with the rule that fits it to a shorter room (given a test of room): a
    // look-alike's detail gives way from what its namesakes share (see nomClientDistinct).
    using Ajustement = std::function<QString(const std::function<bool(const QString&)>&)>;
    void setDetail(const QString& detail, Ajustement ajuster);
    int nombreBennes() const { return m_nombre; }
    void setNombreBennes(int n);
    bool isSelected() const { return m_etat->isSelected(); }
    // The host's selection changed (surChangementSelection).
    void setSelected(bool selected);
    void setActions(std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete);

    qreal xOffset() const { return m_etat->xOffset(); }
    void setXOffset(qreal x) { m_etat->setXOffset(x); }
    qreal scale() const { return m_etat->scale(); }
    void setScale(qreal s) { m_etat->setScale(s); }
    bool isZoomed() const { return m_etat->isZoomed(); }
    bool badgeVisible() const { return m_nombre >= 0; }
    // What the box is filled with (orange at rest, the glass when zoomed) and the colour of the
    // name written on it: black or white, whichever reads better.
    QColor couleurCartouche() const;
    QColor couleurNom() const;

    // A single tap.
    void basculerSelection();

    // What a reader says of it: the name, what tells it apart, and the badge's count
    // (« Dupont (Lyon), 3 locations »); it is a list item, selected when chosen.
    QString texteLu() const;

    // The label box, at rest, in widget coordinates.
    QRectF boite() const;
    // What is drawn (box, badge, shadow) as the look stands now, in widget coordinates. The
    // slide and the growth take what the width allows: narrower than the full slide and growth,
    // the slide gives way first, then the growth, so that the name always shows whole.
    QRectF etendueAffichee() const;

    // The name and the detail as painted: cut with "…" when the box is too narrow for them;
    // the detail's last part (the phone, where it takes one) stays whole.
    QString nomAffiche() const;
    QString detailAffiche() const;
    // Where the name and the badge are drawn, at rest, in widget coordinates.
    QRectF rectNom() const;
    QRectF rectBadge() const;

    QSize sizeHint() const override;

signals:
    // ↓ (1) or ↑ (-1): the keys go to the next or previous client, which only the host knows.
    void voisinDemande(int pas);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Image {
        QString cle;
        QImage image;
    };

    void initialiser();
    // The box's width from the texts and the room at rest.
    void mesurer();
    QFont policeNom() const;
    QFont policeDetail() const;
    QFont policeBadge() const;
    qreal diametreBadge() const;
    qreal retraitBadge() const;
    QString couperDetail() const;
    void montrerNomEntier();
    QRectF etendueAuRepos() const;
    QRectF etenduePeinte() const;
    QTransform transformation() const;
    static glass::GlassBackgroundModifier verre();
    void peindre(QPainter& painter) const;
    const QImage& image(qreal echelle);
    void suivreEtat();
    // Tells a reader what changed: its name and whether it is chosen.
    void direChangements();

    QString m_label;
    QString m_detail;
    Ajustement m_ajuster;
    int m_nombre;
    EtatCartouche* m_etat;
    qreal m_largeurBoite = kLargeur;
    qreal m_diametreBadge = 0;
    QString m_nomAffiche;
    QString m_detailAffiche;
    Image m_imageAuRepos;
    Image m_imageGrandie;
    QRect m_dernierePeinture;
    // What a reader was last told: its name, whether it is chosen.
    QString m_nomDit;
    bool m_choixDit = false;
};

} // namespace kv
