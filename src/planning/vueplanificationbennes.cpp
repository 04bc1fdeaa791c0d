#include "vueplanificationbennes.h"

#include "rentals/feuillenouvellelocation.h"
#include "rentals/modifierlocation.h"

#include "actionsplanning.h"
#include "bandeauchauffeurs.h"
#include "colonnebennes.h"
#include "grilleaccessible.h"
#include "grilleplanning.h"
#include "infolocationpopup.h"

#include "model/helpers.h"
#include "model/query.h"
#include "model/records.h"
#include "widgets/colors.h"
#include "widgets/focusguard.h"
#include "widgets/forms/dialogs.h"
#include "widgets/glass/glass.h"
#include "widgets/plaintext.h"
#include "widgets/sharedannouncement.h"
#include "widgets/textstyles.h"

#include <QLabel>
#include <QDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QVariantAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kv {

using namespace planning;

namespace {

// The dimmed backdrop over the skip column and the grid while a rental's details are shown.
class Voile : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void()> onTap;
    std::function<void(const QPoint&)> onDoubleTap;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && onDoubleTap)
            onDoubleTap(event->position().toPoint());
        event->accept();
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), QColor(0, 0, 0, 26));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        // Only the backdrop itself closes: not a click that the card left unanswered.
        const QPoint at = event->position().toPoint();
        if (event->button() == Qt::LeftButton && rect().contains(at) && !childAt(at) && onTap)
            onTap();
    }
};

// The card's own background under the glass: white at 0.8, corners of 12.
class FondCarte : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 204));
        p.drawPath(glass::continuousRoundedRect(QRectF(rect()), 12));
    }
};

// A picture that fades over 0.2 s (ease-in-out) from one opacity to another, then runs `fin`.
// The details card casts its shadow through a graphics effect, and Qt cannot paint a widget
// whose effect lies inside another effect (an opacity effect over the backdrop) without a
// painter clash: the fades show pictures of the backdrop and its card instead.
class ImageFondue : public QWidget {
public:
    ImageFondue(const QPixmap& image, qreal de, qreal a, QWidget* parent, std::function<void()> fin)
        : QWidget(parent), m_image(image), m_opacite(de)
    {
        setObjectName(QStringLiteral("fonduDetails"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* animation = new QVariantAnimation(this);
        animation->setDuration(200);
        animation->setStartValue(de);
        animation->setEndValue(a);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            m_opacite = v.toReal();
            update();
        });
        connect(animation, &QVariantAnimation::finished, this, [this, fin = std::move(fin)] {
            if (fin)
                fin();
            deleteLater();
        });
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setOpacity(m_opacite);
        p.drawPixmap(0, 0, m_image);
    }

private:
    QPixmap m_image;
    qreal m_opacite;
};

// Shows a picture of `widget` in its place, fading from one opacity to another.
ImageFondue* fondu(QWidget* widget, qreal de, qreal a, std::function<void()> fin = {})
{
    auto* image = new ImageFondue(widget->grab(), de, a, widget->parentWidget(), std::move(fin));
    image->setGeometry(widget->geometry());
    image->show();
    image->raise();
    return image;
}

} // namespace

VuePlanificationBennes::VuePlanificationBennes(ModelContext* context, Observable<bool> actionCentrerAujourdhui,
                                               QWidget* parent, Horloge horloge)
    : QWidget(parent), m_context(context), m_actionCentrerAujourdhui(std::move(actionCentrerAujourdhui)),
      m_actions(std::make_unique<ActionsPlanning>(context, std::move(horloge)))
{
    setObjectName(QStringLiteral("vuePlanificationBennes"));
    // Skips by volume; equal volumes keep the store's order.
    // A volume that is no number goes last, so that the order stays an order.
    m_bennes = new Query<Benne>(context, {},
                                [](const Benne* a, const Benne* b) {
                                    if (std::isnan(a->volume()))
                                        return false;
                                    return std::isnan(b->volume()) || a->volume() < b->volume();
                                },
                                this);
    m_chauffeurs = new Query<Chauffeur>(context, {}, {}, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_messageVide = new QLabel(QStringLiteral("Commencez par créer des bennes..."), this);
    m_messageVide->setObjectName(QStringLiteral("messageSansBenne"));
    m_messageVide->setAlignment(Qt::AlignCenter);
    m_messageVide->setFont(fontForStyle(TextStyle::title2, font()));
    m_messageVide->setContentsMargins(0, 8, 0, 8);
    layout->addWidget(m_messageVide);
    // Under it, what else a first rental needs and how one is made.
    m_aideVide = new QLabel(this);
    m_aideVide->setObjectName(QStringLiteral("aideSansBenne"));
    m_aideVide->setTextFormat(Qt::PlainText);
    m_aideVide->setAlignment(Qt::AlignCenter);
    m_aideVide->setWordWrap(true);
    m_aideVide->setContentsMargins(24, 0, 24, 8);
    setSecondaryText(m_aideVide);
    layout->addWidget(m_aideVide);
    m_bandeau = new BandeauChauffeurs(m_chauffeurs, m_actions.get(), this);
    layout->addWidget(m_bandeau);
    installerAccessibiliteGrille();
    m_grille = new GrillePlanning(context, m_actions.get(), this);
    layout->addWidget(m_grille, 1);

    const auto majBennes = [this] {
        const QList<Benne*> liste = m_bennes->results();
        m_messageVide->setVisible(liste.isEmpty());
        m_aideVide->setVisible(liste.isEmpty());
        actualiserAideVide();
        m_grille->setBennes(liste);
    };
    connect(m_bennes, &QueryBase::resultsChanged, this, majBennes);
    majBennes();

    connect(m_grille, &GrillePlanning::benneTapped, this, [this](Benne* benne) { selectionnerBenne(benne); });
    connect(m_grille, &GrillePlanning::celluleVideActivee, this,
            [this](Benne* benne, QDate jour) { selectionnerBenne(benne, jour); });
    connect(m_grille, &GrillePlanning::locationTapped, this, &VuePlanificationBennes::setLocationInfoSelectionnee);
    connect(m_grille, &GrillePlanning::duplicationRefusee, this, &VuePlanificationBennes::afficherRefusDuplication);
    m_grille->installEventFilter(this);
    m_grille->viewport()->installEventFilter(this);
    // Details of a rental deleted meanwhile are closed.
    connect(context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        if (!m_aideVide->isHidden()
            && changes.touchesAny(entityBit(EntityType::TypeDechet) | entityBit(EntityType::Client)))
            actualiserAideVide();
        if (m_locationInfoSelectionnee && changes.touches(EntityType::LocationDeBenne)
            && m_locationInfoSelectionnee->isDeleted())
            setLocationInfoSelectionnee(nullptr);
    });

    m_echap = new QShortcut(QKeySequence(Qt::Key_Escape), this, [this] { setLocationInfoSelectionnee(nullptr); });
    m_echap->setContext(Qt::WidgetWithChildrenShortcut);
    m_echap->setEnabled(false);

    // The main window's request to come back to today, handled once the request is delivered.
    m_actionCentrerAujourdhui.onChange(this, [this] {
        if (!m_actionCentrerAujourdhui.get())
            return;
        QTimer::singleShot(0, this, [this] {
            centrerSurAujourdhui(largeurJours());
            m_actionCentrerAujourdhui.set(false);
        });
    });
}

VuePlanificationBennes::~VuePlanificationBennes()
{
    releaseFocusWithin(this);
    // A sheet opened for this screen goes with it.
    m_benneSelection.reset();
    if (QDialog* feuille = m_feuille) {
        m_feuille = nullptr;
        if (auto* f = qobject_cast<FeuilleNouvelleLocation*>(feuille))
            f->congedier();
        else
            feuille->close();
    }
}

QString VuePlanificationBennes::texteAideVide(bool avecTypeDechet, bool avecClient)
{
    // No-break spaces inside the guillemets and before the colons: a line never starts with one.
    QString texte = QStringLiteral("Les bennes se créent dans «\u00A0Liste des bennes\u00A0».");
    if (!avecTypeDechet && !avecClient)
        texte += QStringLiteral(" Une première location demande aussi un type de déchet et un client\u00A0: ajoutez-les "
                                "dans «\u00A0Type de déchets\u00A0» et «\u00A0Liste des clients\u00A0».");
    else if (!avecTypeDechet)
        texte += QStringLiteral(" Une première location demande aussi un type de déchet\u00A0: ajoutez-le dans «\u00A0Type de "
                                "déchets\u00A0».");
    else if (!avecClient)
        texte += QStringLiteral(" Une première location demande aussi un client\u00A0: ajoutez-le dans «\u00A0Liste des "
                                "clients\u00A0».");
    return texte + QStringLiteral("\nEnsuite, un clic sur l'étiquette d'une benne, à gauche du planning, ouvre une "
                                  "nouvelle location.");
}

void VuePlanificationBennes::actualiserAideVide()
{
    if (m_aideVide->isHidden())
        return;
    m_aideVide->setText(texteAideVide(m_context->count<TypeDechet>() > 0, m_context->count<Client>() > 0));
}

QList<Benne*> VuePlanificationBennes::bennes() const
{
    return m_bennes->results();
}

QList<Chauffeur*> VuePlanificationBennes::chauffeurs() const
{
    return m_chauffeurs->results();
}

QSizeF VuePlanificationBennes::viewSize() const
{
    return QSizeF(m_grille->size());
}

double VuePlanificationBennes::largeurJours() const
{
    return m_grille->viewport()->width();
}

QPointF VuePlanificationBennes::scrollOffset() const
{
    return m_grille->scrollOffset();
}

void VuePlanificationBennes::setScrollOffset(const QPointF& offset)
{
    m_grille->setScrollOffset(offset);
}

Plage VuePlanificationBennes::visibleJoursRange() const
{
    return planning::visibleJoursRange(scrollOffset().x(), viewSize().width(), m_grille->jours().count());
}

Plage VuePlanificationBennes::visibleBennesRange() const
{
    return planning::visibleBennesRange(scrollOffset().y(), viewSize().height(), int(m_grille->bennes().size()));
}

void VuePlanificationBennes::centrerSurAujourdhui(double largeur)
{
    const std::optional<double> x = abscisseAujourdhui(m_grille->jours(), largeur);
    if (!x)
        return;
    m_grille->setScrollOffset(QPointF(*x, scrollOffset().y()));
    m_decalageCentre = scrollOffset().x();
}

void VuePlanificationBennes::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_dejaAffichee)
        return;
    m_dejaAffichee = true;
    // Once laid out, on the next turn of the event loop; the keyboard's cell back where it was
    // before another command showed.
    QTimer::singleShot(0, this, [this] {
        centrerSurAujourdhui(largeurJours());
        m_grille->mettreEnPlace();
    });
}

// ---------------------------------------------------------------------------------------------
// A skip chosen for a new rental

void VuePlanificationBennes::selectionnerBenne(Benne* benne, std::optional<QDate> jour)
{
    if (!benne)
        return;
    if (benne->etat() == EtatBenne::inutilisable) {
        afficherAlerteInutilisable(benne);
        return;
    }
    if (!m_feuille)
        m_jourDemande = jour;
    m_benneSelection = BenneSelection{benne->id()};
    emit benneSelectionChanged();
    feuilleNouvelleLocation();
}

void VuePlanificationBennes::fermerFeuilleNouvelleLocation()
{
    if (!m_benneSelection)
        return;
    m_benneSelection.reset();
    if (QDialog* feuille = m_feuille) {
        m_feuille = nullptr; // a closing sheet is no longer the open one
        if (auto* f = qobject_cast<FeuilleNouvelleLocation*>(feuille))
            f->congedier();
        else
            feuille->close();
    }
    emit benneSelectionChanged();
}

void VuePlanificationBennes::feuilleNouvelleLocation()
{
    if (!m_benneSelection || m_feuille)
        return;
    // The form places the rental a day after its clock's "now": for a chosen day, its clock
    // stands on the eve of that day, at the present time of day.
    Horloge horloge = m_actions->horloge();
    if (m_jourDemande && m_jourDemande->isValid()) {
        const QDateTime maintenant = horloge.maintenantLocal();
        const QDateTime veille(m_jourDemande->addDays(-1), maintenant.time(), horloge.zone);
        if (veille.isValid())
            horloge = Horloge::fixe(veille, horloge.zone);
    }
    m_jourDemande.reset();
    // The sheet belongs to the window: it may outlive this screen.
    m_feuille = kv::feuilleNouvelleLocation(this, m_context, m_benneSelection->id,
                                            [ecran = QPointer<VuePlanificationBennes>(this)] {
                                                if (ecran)
                                                    ecran->fermerFeuilleNouvelleLocation();
                                            },
                                            nullptr, horloge);
}

void VuePlanificationBennes::afficherAlerteInutilisable(const Benne* benne)
{
    if (m_afficherAlerteBenneInutilisable)
        return;
    m_afficherAlerteBenneInutilisable = true;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Benne inutilisable"),
                                QStringLiteral("Benne inutilisable"), QMessageBox::NoButton, window());
    box->setObjectName(QStringLiteral("alerteBenneInutilisable"));
    // The skip named on a line of its own, told from its look-alikes as everywhere.
    box->setInformativeText(forms::naming({QStringLiteral("Benne inutilisable"),
                                           QStringLiteral("Vous ne pouvez pas louer cette benne car elle est "
                                                          "marquée comme inutilisable.")},
                                          {nomBenneDistinct(benne)})
                                .message);
    QPushButton* ok = box->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this] { m_afficherAlerteBenneInutilisable = false; });
    box->open();
}

void VuePlanificationBennes::afficherRefusDuplication(LocationDeBenne*, LocationDeBenne* bloquante)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Duplication impossible"),
                                QStringLiteral("Duplication impossible"), QMessageBox::Ok, window());
    box->setObjectName(QStringLiteral("alerteDuplication"));
    // Which booking holds the skip, so that the dispatcher finds it on the grid.
    QString qui;
    if (bloquante) {
        const Client* client = bloquante->client();
        const QString nom = client && !client->nom().isEmpty() ? quotedBeginning(client->nom(), 80)
                                                               : QStringLiteral("client inconnu");
        qui = QStringLiteral(" (") + nom + QStringLiteral(", posée le ")
              + QLocale().toString(instantLocal(bloquante->datePoseMs(), m_actions->horloge().zone).date(),
                                   QStringLiteral("dd/MM/yyyy"))
              + QLatin1Char(')');
    }
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(QStringLiteral("Cette benne est déjà réservée le jour où la location se termine") + qui
                            + QStringLiteral(" : il ne reste aucun jour libre pour une rotation."));
    for (QLabel* etiquette : box->findChildren<QLabel*>())
        if (etiquette->objectName() == QLatin1String("qt_msgbox_informativelabel"))
            etiquette->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

// ---------------------------------------------------------------------------------------------
// Details of a rental over the grid

void VuePlanificationBennes::setLocationInfoSelectionnee(LocationDeBenne* location)
{
    if (location == m_locationInfoSelectionnee)
        return;
    m_locationInfoSelectionnee = location;
    m_grille->setLocationSelectionnee(location);
    if (m_popup) {
        // The details fade out, letting clicks through meanwhile.
        QWidget* ancien = m_popup;
        delete m_apparition; // closed while still fading in
        ancien->setUpdatesEnabled(true);
        fondu(ancien, 1, 0);
        ancien->hide();
        ancien->deleteLater();
    }
    m_popup = nullptr;
    m_info = nullptr;
    m_defilementCarte = nullptr;
    m_carte = nullptr;
    if (location) {
        auto* voile = new Voile(m_grille);
        voile->setObjectName(QStringLiteral("popupInfoLocation"));
        voile->onTap = [this] { setLocationInfoSelectionnee(nullptr); };
        // The second click of a double-click on a bar lands on the backdrop its first one showed.
        voile->onDoubleTap = [this, voile](const QPoint& p) {
            if (LocationDeBenne* l = m_grille->toucher(m_grille->viewport()->mapFrom(voile, p)).location)
                modifierLocation(this, m_context, l);
        };
        m_popup = voile;
        auto* fond = new FondCarte;
        auto* fondLayout = new QVBoxLayout(fond);
        fondLayout->setContentsMargins(0, 0, 0, 0);
        // The rows scroll inside the card when the window is too short for them.
        m_defilementCarte = new QScrollArea(fond);
        m_defilementCarte->setObjectName(QStringLiteral("defilementInfoLocation"));
        m_defilementCarte->setFrameShape(QFrame::NoFrame);
        m_defilementCarte->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_defilementCarte->setWidgetResizable(true);
        m_defilementCarte->setStyleSheet(
            QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
        m_info = new InfoLocationPopup(location);
        m_defilementCarte->setWidget(m_info);
        fondLayout->addWidget(m_defilementCarte);
        // More or fewer rows: the card keeps its place once laid out again.
        connect(m_info, &InfoLocationPopup::actualise, this, [this] {
            QTimer::singleShot(0, this, &VuePlanificationBennes::placerPopup);
        });
        m_carte = glass::glassBackground(fond, glass::GlassBackgroundModifier::GlassBackgroundDisplayMode::always, 12,
                                         Qt::blue, 0.1, glass::Materiau::regular, 0.7,
                                         glass::GlassBackgroundModifier::GradientStyle::normal, 1.5, Qt::black, 0.5,
                                         14, 0, 5, false);
        m_carte->setParent(voile);
        m_carte->setObjectName(QStringLiteral("carteInfoLocation"));
        placerPopup();
        voile->show();
        voile->raise();
        m_carte->show();
        // The picture fades in over the backdrop, which answers clicks already but shows once
        // the picture is fully in.
        QPointer<QWidget> reel = voile;
        m_apparition = fondu(voile, 0, 1, [reel] {
            if (reel)
                reel->setUpdatesEnabled(true);
        });
        voile->setUpdatesEnabled(false);
        // The keys stay on the grid's cell: what the card shows is said.
        announceOutcome(m_grille, InfoLocationPopup::texteLu(location));
    }
    m_echap->setEnabled(location != nullptr);
    emit locationInfoSelectionneeChanged();
}

void VuePlanificationBennes::placerPopup()
{
    if (!m_popup)
        return;
    // Over the body row: the skip column and the grid, below the header of days.
    const int haut = int(hauteurBenne);
    m_popup->setGeometry(0, haut, m_grille->width(), std::max(0, m_grille->height() - haut));
    if (m_carte) {
        // The card shows every row when the body row has room for them; otherwise it is as
        // tall as the room and its rows scroll. The card holds the rows' scroll area alone.
        const QSize place = m_popup->size();
        const int largeur = m_info->width();
        const int lignes = m_info->hasHeightForWidth() ? m_info->heightForWidth(largeur) : m_info->sizeHint().height();
        const int room = std::max(40, place.height() - 16);
        const bool defile = lignes > room;
        const int barre = defile ? m_defilementCarte->verticalScrollBar()->sizeHint().width() : 0;
        const QSize t(largeur + barre, defile ? room : lignes);
        m_defilementCarte->setFixedSize(t);
        m_carte->setFixedSize(t);
        // Centred on the point (400, 100) of the body row; a tall card stays below its top edge.
        // In a narrow or short window the card moves in so that it lies whole over the grid.
        // (Left of the grid's vertical scroll bar, which lies over the backdrop's right edge.)
        const int droite = std::min(place.width(), m_grille->viewport()->geometry().right() + 1);
        const int x = std::clamp(400 - t.width() / 2, 8, std::max(8, droite - t.width() - 8));
        const int y = std::clamp(100 - t.height() / 2, 8, std::max(8, place.height() - t.height() - 8));
        m_carte->setGeometry(x, y, t.width(), t.height());
    }
}

bool VuePlanificationBennes::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grille && event->type() == QEvent::Resize)
        placerPopup();
    // A width that changes while today is still where it was centred (the window taking its
    // final size after it was shown, a scroll bar coming or going) keeps today in the middle;
    // once scrolled, the days stay where the user put them.
    if (watched == m_grille->viewport() && event->type() == QEvent::Resize && m_decalageCentre
        && static_cast<QResizeEvent*>(event)->size().width() != static_cast<QResizeEvent*>(event)->oldSize().width()) {
        if (scrollOffset().x() == *m_decalageCentre)
            QTimer::singleShot(0, this, [this] {
                if (m_decalageCentre && scrollOffset().x() == *m_decalageCentre)
                    centrerSurAujourdhui(largeurJours());
            });
        else
            m_decalageCentre.reset();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kv
