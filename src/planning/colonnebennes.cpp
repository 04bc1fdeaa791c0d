#include "colonnebennes.h"

#include "grilleaccessible.h"
#include "grilleplanning.h"
#include "peintrebarres.h"

#include "model/helpers.h"
#include "model/records.h"
#include "model/volume.h"
#include "widgets/colors.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QToolTip>

namespace kv::planning {

ColonneBennes::ColonneBennes(GrillePlanning* grille) : QWidget(grille), m_grille(grille)
{
    setObjectName(QStringLiteral("colonneBennes"));
    setAccessibleName(QStringLiteral("Bennes"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString ColonneBennes::texteEtiquette(const Benne* benne)
{
    const std::optional<EtatBenne> etat = benne->etat();
    const QString nomEtat = etat ? texteEtat(*etat).toLower() : benne->etatTexte().toLower();
    // A look-alike's label says what tells it apart (its device, its note), in the same words
    // as everywhere a skip is named.
    const QString distinction = distinctionBenne(benne, false);
    return texteVolume(benne->volume()) + QStringLiteral(" m³ état : ") + nomEtat
           + (distinction.isEmpty() ? QString() : QStringLiteral(" · ") + distinction);
}

bool ColonneBennes::estInutilisable(const Benne* benne)
{
    return benne->etat() == EtatBenne::inutilisable;
}

QColor ColonneBennes::couleurEtiquette(const Benne* benne)
{
    return colorFromHex(benne->couleur()).value_or(QColor(0, 122, 255, 179));
}

void ColonneBennes::setLigneCourante(int ligne)
{
    const int n = int(m_grille->bennes().size());
    ligne = n == 0 ? -1 : std::clamp(ligne, 0, n - 1);
    if (ligne == m_courante)
        return;
    m_courante = ligne;
    if (ligne >= 0) {
        // Keep the current label in view.
        QScrollBar* v = m_grille->verticalScrollBar();
        const int haut = int(m_grille->hautLigne(ligne)), bas = int(m_grille->hautLigne(ligne + 1));
        if (haut < v->value())
            v->setValue(haut);
        else if (bas > v->value() + height())
            v->setValue(bas - height());
    }
    update();
    if (hasFocus())
        annoncerFocus(this); // the label the keys moved to
}

void ColonneBennes::suivreCurseur(int ligne)
{
    if (ligne == m_courante || ligne < 0 || ligne >= m_grille->bennes().size())
        return;
    m_courante = ligne;
    update();
}

int ColonneBennes::ligneA(const QPoint& point) const
{
    const double y = point.y() + m_grille->scrollOffset().y();
    if (y < 0)
        return -1;
    const int ligne = m_grille->ligneA(y);
    return ligne < m_grille->bennes().size() ? ligne : -1;
}

QPixmap ColonneBennes::etiquette(const Benne* b, double hauteur)
{
    // One picture per look: the same text on the same colour is drawn once.
    const bool inutilisable = estInutilisable(b);
    const QString texte = texteEtiquette(b);
    const QColor fond = couleurEtiquette(b);
    const qreal dpr = devicePixelRatioF();
    const QString cle = texte + QLatin1Char('|') + fond.name(QColor::HexArgb) + QLatin1Char('|')
                        + QString::number(dpr) + QLatin1Char('|') + QString::number(hauteur)
                        + (inutilisable ? QStringLiteral("|!") : QString());
    if (QPixmap* pm = m_etiquettes.object(cle))
        return *pm;

    // As high as its row, which stacked bars may have made higher.
    QPixmap pm(QSize(int(largeurBenne * dpr), int(std::ceil(hauteur * dpr))));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF rect(0, 0, largeurBenne, hauteur);
    QPainterPath forme;
    forme.addRoundedRect(rect, 5, 5);
    p.setClipPath(forme);
    p.fillRect(rect, fond);
    p.fillRect(QRectF(0, hauteur - 1, largeurBenne, 1), QColor(142, 142, 147, 102));
    QFont f = font();
    f.setPixelSize(11);
    p.setFont(f);
    const QFontMetricsF fm(f);
    // The text, then the warning sign four points after it; both centred in the label.
    const QString alerte = QStringLiteral("⚠️");
    const double largeurAlerte = fm.horizontalAdvance(alerte);
    const double placeTexte = largeurBenne - 8 - (inutilisable ? largeurAlerte + 4 : 0);
    const QRectF mesure = fm.boundingRect(QRectF(0, 0, placeTexte, hauteur), Qt::TextWordWrap, texte);
    const double total = mesure.width() + (inutilisable ? 4 + largeurAlerte : 0);
    const double x = (largeurBenne - total) / 2;
    // Black or white, whichever reads better on the skip's colour.
    p.setPen(textColorOn(fond, palette().color(QPalette::Window)));
    p.drawText(QRectF(x, 0, mesure.width(), hauteur), Qt::AlignVCenter | Qt::TextWordWrap, texte);
    if (inutilisable)
        p.drawText(QRectF(x + mesure.width() + 4, 0, largeurAlerte, hauteur), Qt::AlignVCenter, alerte);
    p.end();
    m_etiquettes.insert(cle, new QPixmap(pm));
    return pm;
}

void ColonneBennes::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    const QList<Benne*>& bennes = m_grille->bennes();
    const double y0 = m_grille->scrollOffset().y();
    const int premiere = std::max(0, m_grille->ligneA(event->rect().top() + y0));
    const int derniere = std::min(int(bennes.size()), m_grille->ligneA(event->rect().bottom() + y0) + 1);
    for (int i = premiere; i < derniere; ++i) {
        const double haut = m_grille->hautLigne(i);
        const QRectF rect(0, haut - y0, largeurBenne, m_grille->hauteurLigne(i));
        p.drawPixmap(rect.topLeft(), etiquette(bennes[i], rect.height()));
        if (i == m_courante && hasFocus()) {
            PeintreBarres::peindreCadreFocus(p, rect, focusColour(palette()), 4);
        }
    }
}

void ColonneBennes::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        m_etiquettes.clear();
}

bool ColonneBennes::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // The warning sign of an unusable skip says what it means.
        auto* he = static_cast<QHelpEvent*>(event);
        const int ligne = ligneA(he->pos());
        if (ligne >= 0 && estInutilisable(m_grille->bennes()[ligne]))
            QToolTip::showText(he->globalPos(), QStringLiteral("Attention, benne inutilisable"), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void ColonneBennes::wheelEvent(QWheelEvent* event)
{
    // The column scrolls with the grid's rows; Shift moves the days, as over the grid.
    QApplication::sendEvent(m_grille->viewport(), event);
}

void ColonneBennes::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_appui = ligneA(event->position().toPoint());
}

void ColonneBennes::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int ligne = ligneA(event->position().toPoint());
    const int appui = m_appui;
    m_appui = -1;
    if (ligne < 0 || ligne != appui)
        return;
    m_courante = ligne;
    update();
    emit m_grille->benneTapped(m_grille->bennes()[ligne]);
}

void ColonneBennes::keyPressEvent(QKeyEvent* event)
{
    const int n = int(m_grille->bennes().size());
    switch (event->key()) {
    case Qt::Key_Up: setLigneCourante(m_courante - 1); break;
    case Qt::Key_Down: setLigneCourante(m_courante + 1); break;
    case Qt::Key_Home: setLigneCourante(0); break;
    case Qt::Key_End: setLigneCourante(n - 1); break;
    case Qt::Key_Right: m_grille->entrerDansLaLigne(m_courante); break; // into the row, at today
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_courante >= 0 && m_courante < n)
            emit m_grille->benneTapped(m_grille->bennes()[m_courante]);
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void ColonneBennes::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (m_courante < 0 && !m_grille->bennes().isEmpty()) {
        // Start on the first label in view.
        setLigneCourante(m_grille->ligneA(m_grille->scrollOffset().y()));
    }
    update();
}

void ColonneBennes::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace kv::planning
