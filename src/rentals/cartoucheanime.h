#pragma once

// The label of one client in the rentals-by-client screen: an orange 200 × 44 box with the name
// and a green badge holding a count. A tap plays the selection (slide 160 points right in
// 0.5 s, then the blue glass look and growth to 1.5 in 0.5 s, then onAnimationComplete) or, on
// the selected cartouche, the way back (0.3 s, then onDeselectDone). The host owns the
// selection. Delayed steps run only while the cartouche exists.

#include <QEasingCurve>
#include <QString>
#include <QWidget>

#include <functional>

class QParallelAnimationGroup;
class QPropertyAnimation;

namespace kv {

class CartoucheAnime : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal xOffset READ xOffset WRITE setXOffset)
    Q_PROPERTY(qreal scale READ scale WRITE setScale)
public:
    static constexpr int kLargeur = 200;
    static constexpr int kHauteur = 44;

    CartoucheAnime(const QString& label, int nombreBennes, bool isSelected, std::function<void()> onDeselectDone,
                   std::function<void()> onAnimationComplete, QWidget* parent = nullptr);

    QString label() const { return m_label; }
    void setLabel(const QString& label);
    int nombreBennes() const { return m_nombre; }
    void setNombreBennes(int n);
    bool isSelected() const { return m_isSelected; }
    // The host's selection changed (surChangementSelection).
    void setSelected(bool selected);
    void setActions(std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete);

    qreal xOffset() const { return m_xOffset; }
    void setXOffset(qreal x);
    qreal scale() const { return m_scale; }
    void setScale(qreal s);
    bool isZoomed() const { return m_isZoomed; }
    bool badgeVisible() const { return m_nombre >= 0; }

    // A single tap.
    void basculerSelection();

    // The label box, at rest, in widget coordinates.
    QRectF boite() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void animer(const char* propriete, qreal fin, int ms, QEasingCurve::Type courbe = QEasingCurve::InOutQuad);

    QString m_label;
    int m_nombre;
    bool m_isSelected;
    std::function<void()> m_onDeselectDone;
    std::function<void()> m_onAnimationComplete;
    qreal m_xOffset = 0;
    qreal m_scale = 1.0;
    bool m_isZoomed = false;
};

} // namespace kv
