#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QTransform>
#include <QWidget>

#include <functional>

class QPropertyAnimation;

namespace kv {

// The tile of one rented skip: a coloured tile with its text. The selected tile loses its fill,
// sits on blue glass and keeps swinging about its horizontal axis while gently pulsing;
// deselected, it settles back to rest. A click is reported through `onTap`.
//
// The tile is 200 × 50 with a 9-point desktop font and grows in proportion with a larger one. It
// takes a little more width when its place has room, less when it is narrower, and as many
// lines as its text needs, up to kLignesMax: each line of the text wraps between words, and a
// text that still does not fit stops after its last whole word with "…", its tool tip then
// holding it whole.
class BenneOscillanteView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double angle READ angle WRITE setAngle)
    Q_PROPERTY(qreal echelleZoom READ echelleZoom WRITE setEchelleZoom)
public:
    static constexpr qreal kLargeur = 200;
    static constexpr qreal kHauteur = 50;
    static constexpr int kLignesMax = 4;

    BenneOscillanteView(const QString& text, const QColor& couleur, bool isSelected,
                        std::function<void()> onTap, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    QColor couleur() const { return m_couleur; }
    void setCouleur(const QColor& couleur);
    bool isSelected() const { return m_isSelected; }
    // Runs the change of selection when the tile is on screen.
    void setSelected(bool selected);
    void setOnTap(std::function<void()> onTap) { m_onTap = std::move(onTap); }

    double angle() const { return m_angle; }
    void setAngle(double angle);
    qreal echelleZoom() const { return m_echelleZoom; }
    void setEchelleZoom(qreal echelle);

    // True while the endless swing runs: the tile is selected and on screen, its window not
    // minimised.
    bool isSwinging() const;
    // Frames of the swing per second: a slow movement needs no more.
    static constexpr int kImagesParSeconde = 30;

    // The tile's rectangle (unscaled, unrotated) within the widget, centred in it.
    QRectF tileRect() const { return m_tileRect; }
    // The lines written on the tile at its present width.
    QStringList lignesAffichees() const { return m_lignes; }
    // Scale about the centre, then rotation by `angle` degrees about the horizontal axis
    // through the centre, seen in perspective.
    static QTransform transformFor(const QRectF& tile, double angle, qreal echelle);
    // True when `pos` lies on the tile, not in the room kept around it.
    bool isOnTile(const QPointF& pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

signals:
    void tapped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void demarrerOscillation();
    void changementSelection(bool selected);
    void startSwing();
    void stopAll();
    void tap();
    void swingFrame();
    // Swings while selected, shown, and its window not minimised; stops otherwise.
    void followVisibility();
    // The tile at rest with its fill, text, glass and shadows, drawn once per look.
    const QImage& restingPicture();
    // Where the tile reaches at its current angle and scale, shadows included.
    QRect paintedRect() const;
    void repaintTile();
    // The font's size against the 9-point font's (at least 1).
    qreal echelle() const;
    // The text laid out on a tile `largeur` wide: its lines, whether some was left out, and
    // the tile's height.
    struct MiseEnPage {
        QStringList lignes;
        bool coupe = false;
        qreal hauteur = 0;
    };
    MiseEnPage miseEnPage(qreal largeur) const;
    // The tile's size when the widget is `width` wide.
    QSizeF tailleTuile(int width) const;
    // Lays the tile and its text out again for the present size and font; the tool tip follows.
    void mettreEnPage();
    // The same once the text or the font changed: nothing measured before holds.
    void recommencerMiseEnPage();

    QString m_text;
    QStringList m_lignes;
    QRectF m_tileRect;
    // What the text and the font give: the layout by the tile's width, and the tile's width by
    // the widget's.
    mutable QHash<int, MiseEnPage> m_misesEnPage;
    mutable QHash<int, qreal> m_largeurs;
    mutable QHash<QString, qreal> m_mots; // the words' widths
    QColor m_couleur;
    bool m_isSelected;
    std::function<void()> m_onTap;
    double m_angle = 0;
    qreal m_echelleZoom = 1.0;
    QTimer m_swing;
    QElapsedTimer m_swingClock;
    QPointer<QWidget> m_watchedWindow;
    QImage m_picture;
    QString m_pictureKey;
    QRect m_lastPainted;
    QPropertyAnimation* m_settleAngle = nullptr;
    QPropertyAnimation* m_settleScale = nullptr;
};

} // namespace kv
