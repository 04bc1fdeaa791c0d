#include "flipview.h"

#include <QEasingCurve>
#include <QEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace kv {

FlipView::FlipView(Axis3D axis, qreal perspective, QWidget* front, QWidget* back, QWidget* parent)
    : QWidget(parent), m_axis(axis), m_perspective(perspective), m_front(front), m_back(back),
      m_animation(new QPropertyAnimation(this, "progression", this))
{
    m_front->setParent(this);
    m_back->setParent(this);
    // A face that grows (a message shown under a field) makes the card grow with it.
    m_front->installEventFilter(this);
    m_back->installEventFilter(this);
    // A spring of 0.45 s that settles with a slight overshoot.
    m_animation->setDuration(450);
    QEasingCurve courbe(QEasingCurve::OutBack);
    courbe.setOvershoot(0.6);
    m_animation->setEasingCurve(courbe);
    connect(m_animation, &QPropertyAnimation::finished, this, &FlipView::montrerFaceAuRepos);
    montrerFaceAuRepos();
}

void FlipView::setFlipped(bool flipped)
{
    if (flipped == m_flipped)
        return;
    m_flipped = flipped;
    placerFaces();
    if (!isVisible()) {
        m_animation->stop();
        m_progression = flipped ? 1 : 0;
        montrerFaceAuRepos();
        return;
    }
    m_imageFront = m_front->grab();
    m_imageBack = m_back->grab();
    m_front->hide();
    m_back->hide();
    m_animation->stop();
    m_animation->setStartValue(m_progression);
    m_animation->setEndValue(flipped ? 1.0 : 0.0);
    m_animation->start();
}

bool FlipView::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void FlipView::setProgression(qreal p)
{
    m_progression = p;
    update();
}

namespace {
QSize tailleFace(const QWidget* face)
{
    return face->sizeHint().expandedTo(face->minimumSize()).boundedTo(face->maximumSize());
}
} // namespace

QSize FlipView::sizeHint() const
{
    return tailleFace(m_front).expandedTo(tailleFace(m_back));
}

QSize FlipView::minimumSizeHint() const
{
    // Never shorter than its faces: a squeezed face would crush its fields.
    // (A face's own minimum counts: the front is fixed at its card size.)
    const QSize m = m_front->minimumSizeHint().expandedTo(m_front->minimumSize())
                        .expandedTo(m_back->minimumSizeHint()).expandedTo(m_back->minimumSize());
    return QSize(m.width(), std::max(m.height(), sizeHint().height()));
}

void FlipView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placerFaces();
}

bool FlipView::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_front || watched == m_back) && event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placerFaces();
    }
    return QWidget::eventFilter(watched, event);
}

void FlipView::placerFaces()
{
    // Each face centred, at its own size within the card.
    for (QWidget* face : {m_front, m_back}) {
        QSize s = tailleFace(face).boundedTo(size());
        if (face->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag)
            s.setWidth(width());
        if (face->sizePolicy().verticalPolicy() & QSizePolicy::ExpandFlag)
            s.setHeight(height());
        face->setGeometry(QRect(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s));
    }
}

void FlipView::montrerFaceAuRepos()
{
    m_imageFront = QPixmap();
    m_imageBack = QPixmap();
    m_front->setVisible(!m_flipped);
    m_back->setVisible(m_flipped);
    update();
}

void FlipView::paintEvent(QPaintEvent*)
{
    if (!isAnimating())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    const Qt::Axis axe = m_axis == Axis3D::x ? Qt::XAxis : m_axis == Axis3D::y ? Qt::YAxis : Qt::ZAxis;
    // The distance of the eye grows as the perspective weakens.
    const qreal distance = std::max(width(), height()) * 1.5 / std::max(0.05, m_perspective);
    auto peindre = [&](const QPixmap& image, const QRect& geo, qreal angle, qreal opacite) {
        if (opacite <= 0 || image.isNull())
            return;
        QTransform t;
        t.translate(geo.center().x(), geo.center().y());
        if (axe == Qt::ZAxis) {
            t.rotate(angle);
        } else {
            // A turn about the axis, seen from `distance` in front of the card.
            const qreal rad = qDegreesToRadians(angle);
            const qreal c = std::cos(rad);
            const qreal s = -std::sin(rad) / distance;
            const QTransform tour = axe == Qt::XAxis ? QTransform(1, 0, 0, 0, c, s, 0, 0, 1)
                                                     : QTransform(c, 0, s, 0, 1, 0, 0, 0, 1);
            t = tour * t;
        }
        t.translate(-geo.width() / 2.0, -geo.height() / 2.0);
        p.setTransform(t);
        p.setOpacity(opacite);
        p.drawPixmap(QRect(QPoint(0, 0), geo.size()), image);
    };
    // The faces cross over half way through the turn.
    const qreal opaciteFront = m_progression < 0.5 ? 1.0 : 0.0;
    peindre(m_imageFront, m_front->geometry(), 180.0 * m_progression, opaciteFront);
    peindre(m_imageBack, m_back->geometry(), -180.0 + 180.0 * m_progression, 1.0 - opaciteFront);
}

} // namespace kv
