#pragma once

// A two-faced card that turns half a turn in perspective between its front and its back,
// following a flag its owner sets. At rest the visible face is the live widget; while turning,
// pictures of both faces are painted rotated about the axis, their opacities crossing over.

#include <QPixmap>
#include <QWidget>

class QPropertyAnimation;

namespace kv {

enum class Axis3D { x, y, z };

class FlipView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal progression READ progression WRITE setProgression)
public:
    FlipView(Axis3D axis, qreal perspective, QWidget* front, QWidget* back, QWidget* parent = nullptr);

    bool isFlipped() const { return m_flipped; }
    // Turns the card; the same value again does nothing.
    void setFlipped(bool flipped);
    bool isAnimating() const;

    QWidget* front() const { return m_front; }
    QWidget* back() const { return m_back; }
    Axis3D axis() const { return m_axis; }

    // 0: the front faces the user, 1: the back does.
    qreal progression() const { return m_progression; }
    void setProgression(qreal p);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placerFaces();
    void montrerFaceAuRepos();

    Axis3D m_axis;
    qreal m_perspective;
    QWidget* m_front;
    QWidget* m_back;
    bool m_flipped = false;
    qreal m_progression = 0;
    QPropertyAnimation* m_animation;
    QPixmap m_imageFront;
    QPixmap m_imageBack;
};

} // namespace kv
