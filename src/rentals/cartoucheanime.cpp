#include "cartoucheanime.h"

#include "widgets/glass/glass.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QTimer>

namespace kv {

namespace {
// Room left of the box for the slide and the growth.
constexpr qreal kMargeGauche = 10;
constexpr qreal kMargeHaut = 14;
} // namespace

// ---------------------------------------------------------------------------------------------
// State

EtatCartouche::EtatCartouche(bool isSelected, QObject* parent) : QObject(parent), m_isSelected(isSelected)
{
    if (isSelected) {
        m_xOffset = 160;
        m_scale = 1.5;
        m_isZoomed = true;
    }
}

void EtatCartouche::setActions(std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete)
{
    m_onDeselectDone = std::move(onDeselectDone);
    m_onAnimationComplete = std::move(onAnimationComplete);
}

void EtatCartouche::setXOffset(qreal x)
{
    m_xOffset = x;
    emit changed();
}

void EtatCartouche::setScale(qreal s)
{
    m_scale = s;
    emit changed();
}

void EtatCartouche::setZoomed(bool zoomed)
{
    m_isZoomed = zoomed;
    emit changed();
}

void EtatCartouche::animer(const char* propriete, qreal fin, int ms, QEasingCurve::Type courbe)
{
    auto* a = new QPropertyAnimation(this, propriete, this);
    a->setEndValue(fin);
    a->setDuration(ms);
    a->setEasingCurve(courbe);
    a->start(QAbstractAnimation::DeleteWhenStopped);
}

void EtatCartouche::setSelected(bool selected)
{
    if (selected == m_isSelected)
        return;
    m_isSelected = selected;
    if (!selected) {
        setZoomed(false);
        animer("xOffset", 0, 350);
        animer("scale", 1.0, 350);
    }
    emit changed();
}

void EtatCartouche::basculerSelection()
{
    // Each delayed step is bound to this state: once it is gone, nothing runs.
    if (!m_isSelected) {
        animer("xOffset", 160, 500);
        QTimer::singleShot(500, this, [this] {
            setZoomed(true);
            animer("scale", 1.5, 500);
            QTimer::singleShot(500, this, [this] {
                if (m_onAnimationComplete)
                    m_onAnimationComplete();
            });
        });
    } else {
        animer("xOffset", 0, 300);
        animer("scale", 1.0, 300);
        QTimer::singleShot(300, this, [this] {
            setZoomed(false);
            if (m_onDeselectDone)
                m_onDeselectDone();
        });
    }
}

// ---------------------------------------------------------------------------------------------
// Widget

CartoucheAnime::CartoucheAnime(const QString& label, int nombreBennes, bool isSelected,
                               std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete,
                               QWidget* parent)
    : QWidget(parent), m_label(label), m_nombre(nombreBennes), m_etat(new EtatCartouche(false, this))
{
    // A cartouche made selected starts at rest all the same, as its own state always does.
    if (isSelected)
        m_etat->setSelected(true);
    m_etat->setActions(std::move(onDeselectDone), std::move(onAnimationComplete));
    initialiser();
}

CartoucheAnime::CartoucheAnime(const QString& label, int nombreBennes, EtatCartouche* etat, QWidget* parent)
    : QWidget(parent), m_label(label), m_nombre(nombreBennes), m_etat(etat)
{
    initialiser();
}

void CartoucheAnime::initialiser()
{
    setObjectName(QStringLiteral("cartoucheAnime"));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(m_label);
    setFixedHeight(kHauteur + int(kMargeHaut) + 15);
    setMinimumWidth(kLargeur + int(kMargeGauche) + 20);
    connect(m_etat, &EtatCartouche::changed, this, qOverload<>(&QWidget::update));
}

QSize CartoucheAnime::sizeHint() const
{
    return {440, kHauteur + int(kMargeHaut) + 15};
}

void CartoucheAnime::setLabel(const QString& label)
{
    if (label == m_label)
        return;
    m_label = label;
    setAccessibleName(label);
    update();
}

void CartoucheAnime::setNombreBennes(int n)
{
    if (n == m_nombre)
        return;
    m_nombre = n;
    update();
}

void CartoucheAnime::setActions(std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete)
{
    m_etat->setActions(std::move(onDeselectDone), std::move(onAnimationComplete));
}

void CartoucheAnime::setSelected(bool selected)
{
    if (selected)
        raise(); // drawn over its neighbours
    m_etat->setSelected(selected);
}

void CartoucheAnime::basculerSelection()
{
    if (!m_etat->isSelected())
        raise();
    m_etat->basculerSelection();
}

QRectF CartoucheAnime::boite() const
{
    return QRectF(kMargeGauche, kMargeHaut, kLargeur, kHauteur);
}

void CartoucheAnime::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF b = boite();
    QTransform t;
    t.translate(m_etat->xOffset(), 0);
    t.translate(b.center().x(), b.center().y());
    t.scale(m_etat->scale(), m_etat->scale());
    t.translate(-b.center().x(), -b.center().y());
    p.setTransform(t);

    const QPainterPath forme = glass::continuousRoundedRect(b, 8);
    // Two shadows: a dark one below right, a light one above left.
    p.save();
    p.translate(2, 2);
    p.fillPath(forme, QColor(0, 0, 0, 60));
    p.restore();
    if (m_etat->isZoomed()) {
        using G = glass::GlassBackgroundModifier;
        const G glace(G::GlassBackgroundDisplayMode::always, 8, QColor(0, 0, 255), 0.1, glass::Materiau::regular, 0.7,
                      G::GradientStyle::normal, 1.5, QColor(0, 0, 255), 0.5, 10, 0, 5, false);
        glace.paint(p, b);
    } else {
        p.fillPath(forme, QColor(0xFF, 0xA5, 0x00));
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawPath(forme);
    }

    // The name in white over a thin dark shadow.
    QFont f = font();
    f.setPixelSize(14);
    p.setFont(f);
    const QString texte = QFontMetrics(f).elidedText(m_label, Qt::ElideRight, int(b.width()) - 16);
    p.setPen(Qt::black);
    p.drawText(b.translated(0.5, 0.5), Qt::AlignCenter, texte);
    p.setPen(Qt::white);
    p.drawText(b, Qt::AlignCenter, texte);

    if (m_nombre >= 0) {
        QFont fb = font();
        fb.setPixelSize(10);
        const QString n = QString::number(m_nombre);
        const QFontMetricsF fm(fb);
        const qreal d = std::max(fm.horizontalAdvance(n), fm.height()) + 16;
        const QRectF badge(b.right() + 8 - d, b.top() - 8, d, d);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x34, 0xC7, 0x59));
        p.drawEllipse(badge);
        p.setFont(fb);
        p.setPen(Qt::white);
        p.drawText(badge, Qt::AlignCenter, n);
    }
}

void CartoucheAnime::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        basculerSelection();
}

void CartoucheAnime::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        basculerSelection();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kv
