#include "vuelocationbenne.h"

#include "carteavecrepere.h"
#include "carteconfiguration.h"
#include "cartoucheanime.h"
#include "coordonnees.h"
#include "vuepourlocationbenne.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "model/query.h"
#include "widgets/benneoscillanteview.h"
#include "widgets/focusguard.h"
#include "widgets/glass/glass.h"
#include "widgets/icons.h"
#include "widgets/papier.h"
#include "widgets/textstyles.h"

#include <QButtonGroup>
#include <QResizeEvent>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStackedWidget>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

constexpr int kLargeurColonneClients = 440;
// When the row is short of room, the client column gives way first, down to a cartouche's box
// and badge, so that the places beside it keep at least these widths.
constexpr int kLargeurClientsMin = CartoucheAnime::kLargeurMinimale;
constexpr int kLargeurDetailsUtile = 280;
constexpr int kLargeurInvitationUtile = 360;
constexpr int kEspacement = 12;
constexpr int kHautLigne = 9;
// One cartouche, its margins included (the selected one grows into them).
int hauteurLigne()
{
    return CartoucheAnime::kHauteurTotale;
}

// A scroll area that lets the paper show through.
void transparente(QScrollArea* scroll)
{
    scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
}

QLabel* texteSecondaire(const QString& t, QWidget* parent)
{
    auto* l = new QLabel(t, parent);
    QPalette pal = l->palette();
    QColor c = pal.color(QPalette::WindowText);
    c.setAlphaF(0.6);
    pal.setColor(QPalette::WindowText, c);
    l->setPalette(pal);
    return l;
}

} // namespace

VueLocationBenne::VueLocationBenne(const Entrees& entrees, QWidget* parent) : QWidget(parent), m_in(entrees)
{
    setObjectName(QStringLiteral("vueLocationBenne"));
    m_papier = QPixmap::fromImage(tuilePapierSur(glass::couleurFenetre(), 0.7));
    auto* rangee = new QHBoxLayout(this);
    rangee->setContentsMargins(12, 12, 12, 12);
    rangee->setSpacing(kEspacement);
    // The client column takes its width (see ajusterColonneClients) before the others share
    // what is left: its place never depends on which of them show.
    rangee->addWidget(construireColonneClients(), 1000);
    rangee->addWidget(construireInvitation(), 1);
    rangee->addWidget(construireColonneLocations());
    m_details = new QWidget(this);
    m_details->setObjectName(QStringLiteral("colonneDetails"));
    m_emplacementDetails = new QVBoxLayout(m_details);
    m_emplacementDetails->setContentsMargins(8, 8, 8, 8);
    m_emplacementDetails->setSpacing(0);
    rangee->addWidget(m_details, 1);
    m_emplacementPanneau = new QWidget(this);
    m_emplacementPanneau->setObjectName(QStringLiteral("emplacementPanneau"));
    auto* lp = new QVBoxLayout(m_emplacementPanneau);
    lp->setContentsMargins(0, 0, 0, 0);
    m_emplacementPanneau->setMaximumWidth(0);
    m_emplacementPanneau->hide();
    rangee->addWidget(m_emplacementPanneau);
    // The room no column takes stays at the trailing edge: the columns start at the leading edge
    // and keep their place whichever of them show.
    rangee->addStretch(0);

    connect(m_in.clients, &QueryBase::resultsChanged, this, [this] { actualiserClients(); });
    // Counts of rentals and the chosen rental follow the rentals.
    connect(m_in.context, &ModelContext::changed, this, [this](const ModelChanges& c) {
        if (c.touches(EntityType::LocationDeBenne) || c.touches(EntityType::TypeDechet)) {
            for (Client* client : std::as_const(m_clients))
                if (CartoucheAnime* ca = m_cartouches.value(client->id()))
                    ca->setNombreBennes(int(client->locations().size()));
            actualiserDetails();
        }
    });
    m_in.selectedClientID.onChange(this, [this] {
        const auto id = m_in.selectedClientID.get();
        for (auto it = m_etats.cbegin(); it != m_etats.cend(); ++it)
            it.value()->setSelected(id && *id == it.key());
        if (id)
            if (CartoucheAnime* ca = m_cartouches.value(*id))
                ca->raise(); // drawn over its neighbours
    });
    m_in.bennesReadyForClientID.onChange(this, [this] { actualiserColonnes(); });
    m_in.selectedLocation.onChange(this, [this] {
        if (m_liste)
            m_liste->setSelectedLocation(m_in.selectedLocation.get());
        actualiserDetails();
    });
    actualiserClients();
}

VueLocationBenne::~VueLocationBenne()
{
    releaseFocusWithin(this);
}

// ---------------------------------------------------------------------------------------------
// Client column: only the cartouches near the visible part are built.

QWidget* VueLocationBenne::construireColonneClients()
{
    m_scrollClients = new QScrollArea(this);
    m_scrollClients->setObjectName(QStringLiteral("colonneClients"));
    // A cartouche at rest, badge included, beside the scroll bar.
    m_scrollClients->setMinimumWidth(kLargeurClientsMin + style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    m_scrollClients->setMaximumWidth(kLargeurColonneClients + 16);
    m_scrollClients->setMinimumHeight(320);
    m_scrollClients->setFrameShape(QFrame::NoFrame);
    m_scrollClients->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollClients->setWidgetResizable(false);
    transparente(m_scrollClients);
    m_contenuClients = new QWidget;
    m_contenuClients->setAutoFillBackground(false);
    m_scrollClients->setWidget(m_contenuClients);
    connect(m_scrollClients->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { placerCartouches(); });
    m_scrollClients->viewport()->installEventFilter(this);
    return m_scrollClients;
}

void VueLocationBenne::actualiserClients()
{
    m_clients = m_in.clients->results();
    // The states of clients gone go with them.
    QSet<QUuid> presents;
    for (const Client* c : std::as_const(m_clients))
        presents.insert(c->id());
    for (auto it = m_etats.begin(); it != m_etats.end();) {
        if (presents.contains(it.key())) {
            ++it;
            continue;
        }
        delete m_cartouches.take(it.key());
        delete it.value();
        it = m_etats.erase(it);
    }
    placerCartouches();
    m_invitation->setCurrentIndex(m_clients.isEmpty() ? 0 : 1);
    actualiserColonnes();
}

void VueLocationBenne::placerCartouches()
{
    // The cartouches are as wide as the column shows: the selected one grows within that width.
    const int largeur = std::min(kLargeurColonneClients, m_scrollClients->viewport()->width());
    const QSize contenu(largeur, kHautLigne + int(m_clients.size()) * hauteurLigne() + 12);
    if (m_contenuClients->size() != contenu)
        m_contenuClients->resize(contenu);
    const int haut = m_scrollClients->verticalScrollBar()->value();
    const int hauteurVue = std::max(m_scrollClients->viewport()->height(), 320);
    const int h = hauteurLigne();
    const int premier = std::max(0, (haut - kHautLigne) / h - 2);
    const int dernier = std::min(int(m_clients.size()), (haut + hauteurVue - kHautLigne) / h + 3);
    const auto choisi = m_in.selectedClientID.get();

    QHash<QUuid, CartoucheAnime*> restants = m_cartouches;
    m_cartouches.clear();
    for (int i = premier; i < dernier; ++i) {
        Client* c = m_clients[i];
        const QUuid id = c->id();
        // Kept by client id, so that a change of the store never restarts an animation.
        CartoucheAnime* ca = restants.take(id);
        if (!ca) {
            ca = new CartoucheAnime(c->nom(), int(c->locations().size()), etatCartouche(id), m_contenuClients);
            ca->show();
        } else {
            ca->setLabel(c->nom());
            ca->setNombreBennes(int(c->locations().size()));
        }
        ca->setGeometry(0, kHautLigne + i * h, largeur, h);
        m_cartouches.insert(id, ca);
    }
    for (CartoucheAnime* ca : std::as_const(restants))
        ca->deleteLater();
    // The selected cartouche lies over its neighbours.
    if (choisi)
        if (CartoucheAnime* ca = m_cartouches.value(*choisi))
            ca->raise();
}

EtatCartouche* VueLocationBenne::etatCartouche(const QUuid& clientId)
{
    EtatCartouche*& etat = m_etats[clientId];
    if (!etat) {
        const auto choisi = m_in.selectedClientID.get();
        etat = new EtatCartouche(choisi && *choisi == clientId, this);
        etat->setActions([this] { deselectionnerClient(); }, [this, clientId] { selectionnerClient(clientId); });
    }
    return etat;
}

CartoucheAnime* VueLocationBenne::cartouche(const Client* client) const
{
    return client ? m_cartouches.value(client->id()) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Invitation and configuration card

QWidget* VueLocationBenne::construireInvitation()
{
    m_invitation = new QStackedWidget(this);
    m_invitation->setObjectName(QStringLiteral("placeInvitation"));

    auto* pageConfig = new QWidget(m_invitation);
    auto* vc = new QVBoxLayout(pageConfig);
    auto* hc = new QHBoxLayout;
    hc->addStretch(1);
    hc->addWidget(carteConfiguration(QStringLiteral("Avant de pouvoir afficher les locations d'un client, il faut "
                                                    "d'abord créer <b>au moins un client</b> ainsi qu'<b>une "
                                                    "location</b>."),
                                     nullptr, pageConfig));
    hc->addStretch(1);
    vc->addLayout(hc);
    vc->addStretch(1);
    m_invitation->addWidget(pageConfig);

    auto* pageInvitation = new QWidget(m_invitation);
    pageInvitation->setObjectName(QStringLiteral("invitation"));
    auto* vi = new QVBoxLayout(pageInvitation);
    vi->addStretch(1);
    auto* hi = new QHBoxLayout;
    hi->addStretch(1);
    auto* main = new QLabel(pageInvitation);
    main->setPixmap(symbolIcon(QStringLiteral("hand.point.left")).pixmap(50, 50));
    hi->addWidget(main);
    auto* texte = new QLabel(QStringLiteral("Veuillez sélectionner un client afin d'afficher les bennes qu'il loue"),
                             pageInvitation);
    texte->setObjectName(QStringLiteral("texteInvitation"));
    texte->setWordWrap(true);
    texte->setMaximumWidth(550);
    texte->setMinimumWidth(kLargeurInvitationUtile - 60);
    QFont f = texte->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    texte->setFont(f);
    texte->setStyleSheet(QStringLiteral("QLabel { background: rgba(128,128,128,51); border-radius: 5px;"
                                        " padding: 10px 50px; }"));
    hi->addWidget(texte, 4); // up to its widest before the space around it grows
    hi->addStretch(1);
    vi->addLayout(hi);
    vi->addStretch(1);
    m_invitation->addWidget(pageInvitation);
    return m_invitation;
}

bool VueLocationBenne::afficheCarteConfiguration() const
{
    return m_invitation->isVisibleTo(this) && m_invitation->currentIndex() == 0;
}

bool VueLocationBenne::afficheInvitation() const
{
    return m_invitation->isVisibleTo(this) && m_invitation->currentIndex() == 1;
}

// ---------------------------------------------------------------------------------------------
// Rentals column

QWidget* VueLocationBenne::construireColonneLocations()
{
    m_colonneLocations = new QWidget(this);
    m_colonneLocations->setObjectName(QStringLiteral("colonneLocations"));
    // The list and its scroll bar.
    m_colonneLocations->setFixedWidth(280 + style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    auto* v = new QVBoxLayout(m_colonneLocations);
    v->setContentsMargins(0, 0, 0, 0);
    auto* entete = new QHBoxLayout;
    auto* titre = new QLabel(QStringLiteral("Locations :"), m_colonneLocations);
    QFont f = titre->font();
    f.setPixelSize(12);
    titre->setFont(f);
    entete->addWidget(titre);
    m_filtre = new QButtonGroup(m_colonneLocations);
    m_filtre->setExclusive(true);
    int n = 0;
    for (const QString& libelle : {QStringLiteral("Toutes"), QStringLiteral("En cours")}) {
        auto* b = new QToolButton(m_colonneLocations);
        b->setText(libelle);
        b->setCheckable(true);
        b->setChecked(n == 0);
        b->setObjectName(n == 0 ? QStringLiteral("filtreToutes") : QStringLiteral("filtreEnCours"));
        m_filtre->addButton(b, n++);
        entete->addWidget(b);
    }
    connect(m_filtre, &QButtonGroup::idClicked, this, [this](int id) {
        m_enCours = id == 1;
        if (m_liste)
            m_liste->setAfficherUniquementEnCours(m_enCours);
    });
    entete->addStretch(1);
    m_boutonPanneau = new QToolButton(m_colonneLocations);
    m_boutonPanneau->setObjectName(QStringLiteral("boutonBennesDisponibles"));
    m_boutonPanneau->setIcon(symbolIcon(QStringLiteral("shippingbox.fill")));
    m_boutonPanneau->setToolTip(QStringLiteral("Bennes disponibles"));
    m_boutonPanneau->setAutoRaise(true);
    m_boutonPanneau->setCheckable(true);
    connect(m_boutonPanneau, &QToolButton::clicked, this, &VueLocationBenne::basculerPanneau);
    entete->addWidget(m_boutonPanneau);
    v->addLayout(entete);
    v->addSpacing(30);
    auto* scroll = new QScrollArea(m_colonneLocations);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setMinimumHeight(320);
    transparente(scroll);
    auto* contenu = new QWidget;
    contenu->setAutoFillBackground(false);
    m_emplacementListe = new QVBoxLayout(contenu);
    m_emplacementListe->setContentsMargins(0, 0, 0, 0);
    scroll->setWidget(contenu);
    v->addWidget(scroll, 1);
    m_colonneLocations->hide();
    return m_colonneLocations;
}

QToolButton* VueLocationBenne::boutonToutes() const
{
    return static_cast<QToolButton*>(m_filtre->button(0));
}

QToolButton* VueLocationBenne::boutonEnCours() const
{
    return static_cast<QToolButton*>(m_filtre->button(1));
}

Client* VueLocationBenne::clientDeLaColonne() const
{
    const auto id = m_in.bennesReadyForClientID.get();
    if (!id)
        return nullptr;
    for (Client* c : m_clients)
        if (c->id() == *id)
            return c;
    return nullptr;
}

void VueLocationBenne::actualiserColonnes()
{
    Client* client = clientDeLaColonne();
    if (!client || client->id() != m_clientListe) {
        delete m_liste;
        m_liste = nullptr;
        m_clientListe = QUuid();
        fermerPanneau();
    }
    if (client && !m_liste) {
        m_clientListe = client->id();
        m_liste = new ListeBennesView(client, m_in.formatter,
                                      [this](LocationDeBenne* l) { basculerSelectionLocation(l); }, nullptr,
                                      m_in.horloge);
        m_liste->setAfficherUniquementEnCours(m_enCours);
        m_liste->setSelectedLocation(m_in.selectedLocation.get());
        m_emplacementListe->addWidget(m_liste);
    }
    // The invitation leaves while the rentals column is there. The one leaving goes first: the
    // two side by side, even for an instant, would ask the window for the room of both.
    m_afficherInvitation = client == nullptr;
    if (m_afficherInvitation) {
        m_colonneLocations->hide();
        m_invitation->show();
    } else {
        m_invitation->hide();
        m_colonneLocations->show();
    }
    actualiserDetails();
}

void VueLocationBenne::ajusterColonneClients()
{
    // What the other places shown need, then what is left for the clients, within its bounds.
    int autres = 0;
    int places = 1;
    const auto compter = [&](QWidget* w, int largeur) {
        if (w->isVisibleTo(this)) {
            autres += largeur;
            ++places;
        }
    };
    compter(m_invitation, std::max(kLargeurInvitationUtile, m_invitation->minimumSizeHint().width()));
    compter(m_colonneLocations, m_colonneLocations->minimumWidth());
    // The details' room is kept from the moment the rentals show: choosing a rental moves nothing.
    if (m_colonneLocations->isVisibleTo(this) && !m_details->isVisibleTo(this)) {
        autres += std::max(kLargeurDetailsUtile, m_details->minimumSizeHint().width());
        ++places;
    }
    compter(m_details, std::max(kLargeurDetailsUtile, m_details->minimumSizeHint().width()));
    compter(m_emplacementPanneau, m_emplacementPanneau->maximumWidth());
    const QMargins marges = layout()->contentsMargins();
    const int reste = width() - marges.left() - marges.right() - (places - 1) * kEspacement - autres;
    const int largeur = std::clamp(reste, m_scrollClients->minimumWidth(), kLargeurColonneClients + 16);
    // A maximum, not a fixed width: the screen's own minimum width counts the narrowest column.
    if (m_scrollClients->maximumWidth() != largeur)
        m_scrollClients->setMaximumWidth(largeur);
}

void VueLocationBenne::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ajusterColonneClients();
}

void VueLocationBenne::selectionnerClient(const QUuid& clientId)
{
    m_in.bennesReadyForClientID.set(clientId);
    m_in.selectedLocation.set(nullptr);
    m_in.selectedClientID.set(clientId);
}

void VueLocationBenne::deselectionnerClient()
{
    m_in.bennesReadyForClientID.set(std::nullopt);
    m_in.selectedLocation.set(nullptr);
    m_in.selectedClientID.set(std::nullopt);
}

void VueLocationBenne::basculerSelectionLocation(LocationDeBenne* location)
{
    LocationDeBenne* actuelle = m_in.selectedLocation.get();
    if (actuelle && location && actuelle->id() == location->id())
        m_in.selectedLocation.set(nullptr);
    else
        m_in.selectedLocation.set(location);
}

// ---------------------------------------------------------------------------------------------
// Details column

void VueLocationBenne::actualiserDetails()
{
    LocationDeBenne* l = m_in.selectedLocation.get();
    const bool visible = m_colonneLocations->isVisibleTo(this) && l && !l->isDeleted() && l->latitude()
                         && l->longitude();
    if (!visible) {
        m_details->hide();
        ajusterColonneClients();
        return;
    }
    if (l->id() != m_locationDetails) {
        // A fresh map (and region) for each rental.
        while (QLayoutItem* item = m_emplacementDetails->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        m_lignes.clear();
        m_locationDetails = l->id();
        auto* titre = new QLabel(QStringLiteral("Localisation de la benne"), m_details);
        titre->setFont(fontForStyle(TextStyle::headline, font()));
        m_emplacementDetails->addWidget(titre);
        m_emplacementDetails->addSpacing(6);
        m_carte = new CarteAvecRepere(CarteAvecRepere::regionParDefaut(), m_details);
        m_carte->setMinimumHeight(200);
        m_emplacementDetails->addWidget(m_carte, 1);
        m_adresse = texteSecondaire(QString(), m_details);
        m_adresse->setObjectName(QStringLiteral("adresseDetails"));
        m_adresse->setFont(fontForStyle(TextStyle::caption, font()));
        m_adresse->setWordWrap(true);
        m_emplacementDetails->addWidget(m_adresse);
        m_emplacementDetails->addSpacing(6);
        for (int i = 0; i < 5; ++i) {
            auto* ligne = new QLabel(m_details);
            ligne->setFont(fontForStyle(TextStyle::subheadline, font()));
            ligne->setTextFormat(i == 4 ? Qt::RichText : Qt::PlainText);
            ligne->setWordWrap(true);
            m_lignes.append(ligne);
            m_emplacementDetails->addWidget(ligne);
            m_emplacementDetails->addSpacing(4);
        }
    }
    m_carte->setTextes(texteCourt(*l->latitude()), texteCourt(*l->longitude()));
    m_adresse->setText(l->adresse().value_or(QString()));
    m_adresse->setVisible(l->adresse().has_value());
    const auto date = [this](const QDateTime& d) {
        return m_in.dateFormatter ? m_in.dateFormatter(d) : QLocale().toString(d.date(), QLocale::ShortFormat);
    };
    m_lignes[0]->setText(QStringLiteral("Tarif pose : ") + formatFixed(l->tarifPose(), 2) + QStringLiteral(" €"));
    m_lignes[1]->setText(QStringLiteral("Tarif enlèvement : ") + formatFixed(l->tarifEnlevement(), 2) + QStringLiteral(" €"));
    m_lignes[2]->setText(QStringLiteral("Tarif journalier : ") + formatFixed(l->tarifJournalier(), 2) + QStringLiteral(" €"));
    m_lignes[3]->setText(QStringLiteral("Pose le : ") + date(l->datePose()) + QStringLiteral("  et enlèvement prévu le : ")
                         + (l->dateEnlevement() ? date(*l->dateEnlevement()) : QStringLiteral("non prévue")));
    m_lignes[4]->setText(QStringLiteral("Déchet prévu : ")
                         + (l->typeDechet() ? QStringLiteral("<b>%1</b>").arg(l->typeDechet()->libelle().toHtmlEscaped())
                                            : QStringLiteral("<span style=\"color: gray\"><b><i>inconnu</i></b></span>")));
    m_details->show();
    ajusterColonneClients();
}

QStringList VueLocationBenne::lignesDetails() const
{
    QStringList out;
    if (!m_details->isVisibleTo(this))
        return out;
    for (QLabel* l : m_lignes) {
        QTextDocument doc;
        doc.setHtml(l->text());
        out << (l->textFormat() == Qt::RichText ? doc.toPlainText() : l->text());
    }
    return out;
}

QString VueLocationBenne::adresseDetails() const
{
    return m_adresse && m_adresse->isVisibleTo(this) ? m_adresse->text() : QString();
}

// ---------------------------------------------------------------------------------------------
// Available skips panel

VuePourLocationBenne* VueLocationBenne::panneau() const
{
    return m_panneau;
}

void VueLocationBenne::basculerPanneau()
{
    if (m_panneau) {
        fermerPanneau();
        return;
    }
    Client* client = clientDeLaColonne();
    if (!client)
        return;
    Query<Benne>* bennes = m_in.bennes;
    ModelContext* ctx = m_in.context;
    m_panneau = new VuePourLocationBenne(
        [bennes, ctx] { return bennes ? bennes->results() : ctx->all<Benne>(); }, client, [this] { fermerPanneau(); },
        m_emplacementPanneau);
    if (bennes)
        connect(bennes, &QueryBase::resultsChanged, m_panneau, &VuePourLocationBenne::actualiser);
    m_emplacementPanneau->layout()->addWidget(m_panneau);
    m_emplacementPanneau->show();
    m_boutonPanneau->setChecked(true);
    // It enters from the trailing edge.
    auto* a = new QPropertyAnimation(m_emplacementPanneau, "maximumWidth", m_emplacementPanneau);
    a->setStartValue(0);
    a->setEndValue(360);
    a->setDuration(250);
    a->setEasingCurve(QEasingCurve::InOutQuad);
    connect(a, &QPropertyAnimation::valueChanged, this, &VueLocationBenne::ajusterColonneClients);
    a->start(QAbstractAnimation::DeleteWhenStopped);
    m_emplacementPanneau->setMinimumWidth(0);
    // ... with a fade; the effect goes once the panel is in.
    auto* fondu = new QGraphicsOpacityEffect(m_panneau);
    m_panneau->setGraphicsEffect(fondu);
    auto* apparition = new QPropertyAnimation(fondu, "opacity", fondu);
    apparition->setStartValue(0.0);
    apparition->setEndValue(1.0);
    apparition->setDuration(250);
    QPointer<VuePourLocationBenne> panneau = m_panneau;
    connect(apparition, &QPropertyAnimation::finished, this, [panneau] {
        if (panneau)
            panneau->setGraphicsEffect(nullptr);
    });
    apparition->start(QAbstractAnimation::DeleteWhenStopped);
}

void VueLocationBenne::fermerPanneau()
{
    if (m_boutonPanneau)
        m_boutonPanneau->setChecked(false);
    if (!m_panneau)
        return;
    m_panneau->deleteLater();
    m_panneau = nullptr;
    m_emplacementPanneau->setMaximumWidth(0);
    m_emplacementPanneau->hide();
    ajusterColonneClients();
}

// ---------------------------------------------------------------------------------------------

bool VueLocationBenne::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scrollClients->viewport() && event->type() == QEvent::Resize)
        placerCartouches();
    return QWidget::eventFilter(watched, event);
}

void VueLocationBenne::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    peindrePapier(p, rect(), QPointF(0, 0), m_papier);
    QColor voile = glass::couleurMateriau(glass::Materiau::thin, glass::couleurFenetre());
    voile.setAlphaF(voile.alphaF() * 0.2);
    p.fillRect(rect(), voile);
}

} // namespace kv
