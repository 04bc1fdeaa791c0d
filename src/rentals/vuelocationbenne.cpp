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
#include "widgets/elidedlabel.h"
#include "widgets/forms/search.h"
#include "widgets/focusguard.h"
#include "widgets/glass/glass.h"
#include "widgets/icons.h"
#include "widgets/papier.h"
#include "widgets/sharedannouncement.h"
#include "widgets/textstyles.h"

#include <QApplication>
#include <QButtonGroup>
#include <QResizeEvent>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <QLocale>

#include <algorithm>

namespace kv {

namespace {

constexpr int kLargeurColonneClients = 440;
// When the row is short of room, the client column gives way first, down to a cartouche's box
// and badge, then the rentals column, down to one tile and the room of its swing.
constexpr int kLargeurClientsMin = CartoucheAnime::kLargeurMinimale;
constexpr int kLargeurLocations = 280;
constexpr int kLargeurLocationsMin = ListeBennesView::kLargeurTuile;
// The room kept for the details beside the rentals, and the least they take as a column;
// narrower, they lie over the client column instead.
constexpr int kLargeurDetailsUtile = 280;
constexpr int kLargeurDetailsMin = 240;
// The available skips come in 360 wide beside the details when the details keep this much.
constexpr int kLargeurPanneau = 360;
constexpr int kLargeurDetailsAvecPanneau = 200;
constexpr int kLargeurInvitationUtile = 360;
constexpr int kLargeurInvitationMin = 240;
constexpr int kMarge = 12;
constexpr int kEspacement = 12;
constexpr int kHautLigne = 9;
// One cartouche, its margins included (the selected one grows into them).
int hauteurLigne()
{
    return CartoucheAnime::kHauteurTotale;
}

// A scroll area that lets the paper show through, once it holds its content (setWidget() makes
// the content fill its background). Not by a style sheet: what it styles takes the
// application's colours instead of the paper's.
void transparente(QScrollArea* scroll)
{
    scroll->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    if (scroll->widget())
        scroll->widget()->setAutoFillBackground(false);
}

// The secondary colour of a text.
QPalette paletteSecondaire(QPalette pal)
{
    QColor c = pal.color(QPalette::WindowText);
    c.setAlphaF(0.6);
    pal.setColor(QPalette::WindowText, c);
    return pal;
}

// The screen is a sheet of paper: cream with dark texts on a light desktop, the window's own
// colour with the desktop's texts on a dark one. Fields and buttons keep the desktop's own
// colours, which read on themselves.
QPalette palettePapier(QPalette pal)
{
    const QColor fond = fondPapier(pal);
    const bool sombre = fond == pal.color(QPalette::Window);
    for (const auto groupe : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(groupe, QPalette::Window, fond);
        if (!sombre)
            pal.setColor(groupe, QPalette::WindowText, Qt::black);
    }
    pal.setColor(QPalette::Disabled, QPalette::Window, fond);
    if (!sombre)
        pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6E, 0x6E, 0x6E));
    return pal;
}

// A symbol drawn on the paper, in its ink: a theme's icons are drawn for the desktop's colours.
QIcon encreSurPapier(const QString& symbole, const QPalette& papier)
{
    return paintedSymbolIcon(symbole, papier.color(QPalette::WindowText));
}

// The paper's tile with its thin veil already laid on it: one opaque picture to tile, so that a
// repaint behind a moving cartouche costs one copy.
QPixmap tuileEcran(const QColor& fond)
{
    QImage tuile = tuilePapierSur(fond, 0.7);
    QPainter p(&tuile);
    QColor voile = glass::couleurMateriau(glass::Materiau::thin, fond);
    voile.setAlphaF(voile.alphaF() * 0.2);
    p.fillRect(tuile.rect(), voile);
    p.end();
    return QPixmap::fromImage(tuile);
}

// A place that lies over the columns when the row is short: the window's colour, rounded, with
// a thin border, so that what it covers does not show through.
class Couche : public QWidget {
public:
    using QWidget::QWidget;
    void setPardessus(bool pardessus)
    {
        if (pardessus == m_pardessus)
            return;
        m_pardessus = pardessus;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_pardessus)
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor bord = palette().color(QPalette::WindowText);
        bord.setAlphaF(0.2);
        p.setPen(QPen(bord, 1));
        p.setBrush(palette().color(QPalette::Window));
        p.drawPath(glass::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10));
    }

private:
    bool m_pardessus = false;
};

} // namespace

VueLocationBenne::VueLocationBenne(const Entrees& entrees, QWidget* parent) : QWidget(parent), m_in(entrees)
{
    setObjectName(QStringLiteral("vueLocationBenne"));
    setPalette(palettePapier(palette()));
    m_papier = tuileEcran(palette().color(QPalette::Window));
    // One row of columns from the leading edge, placed by disposer(): the client column, the
    // invitation or the rentals, then the details; the available skips at the trailing side.
    construireColonneClients();
    construireInvitation();
    construireColonneLocations();
    m_details = new Couche(this);
    m_details->setObjectName(QStringLiteral("colonneDetails"));
    m_emplacementDetails = new QVBoxLayout(m_details);
    m_emplacementDetails->setContentsMargins(8, 8, 8, 8);
    m_emplacementDetails->setSpacing(0);
    m_details->hide();
    auto* emplacementPanneau = new Couche(this);
    emplacementPanneau->setPardessus(true);
    m_emplacementPanneau = emplacementPanneau;
    m_emplacementPanneau->setObjectName(QStringLiteral("emplacementPanneau"));
    m_emplacementPanneau->hide();

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
    m_recherche = new QLineEdit(this);
    m_recherche->setObjectName(QStringLiteral("rechercheClients"));
    m_recherche->setPlaceholderText(QStringLiteral("Rechercher un client (nom, ville, rue, téléphone)"));
    m_recherche->setAccessibleName(QStringLiteral("Rechercher un client"));
    m_recherche->installEventFilter(this);
    connect(m_recherche, &QLineEdit::textChanged, this, [this] {
        // Its clear button shows only over a text: it is made with the first one (its icon
        // costs the screen's first visit more than the rest of the field).
        if (!m_recherche->isClearButtonEnabled() && !m_recherche->text().isEmpty()) {
            m_recherche->setClearButtonEnabled(true);
            for (QToolButton* effacer : m_recherche->findChildren<QToolButton*>())
                effacer->setAccessibleName(QStringLiteral("Effacer la recherche"));
        }
        filtrer();
    });
    m_aucunClient = new QLabel(this);
    m_aucunClient->setObjectName(QStringLiteral("aucunClient"));
    m_aucunClient->setTextFormat(Qt::PlainText);
    m_aucunClient->setWordWrap(true);
    m_aucunClient->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_aucunClient->setContentsMargins(12, 24, 12, 12);
    m_aucunClient->setPalette(paletteSecondaire(m_aucunClient->palette()));
    m_aucunClient->hide();
    m_scrollClients = new QScrollArea(this);
    m_scrollClients->setObjectName(QStringLiteral("colonneClients"));
    m_scrollClients->setAccessibleName(QStringLiteral("Clients"));
    m_scrollClients->setMinimumHeight(320);
    m_scrollClients->setFrameShape(QFrame::NoFrame);
    m_scrollClients->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollClients->setWidgetResizable(false);
    m_contenuClients = new QWidget;
    marquerListeCartouches(m_contenuClients);
    m_contenuClients->setAccessibleName(QStringLiteral("Clients"));
    m_scrollClients->setWidget(m_contenuClients);
    transparente(m_scrollClients);
    connect(m_scrollClients->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { placerCartouches(); });
    m_scrollClients->viewport()->installEventFilter(this);
    return m_scrollClients;
}

void VueLocationBenne::actualiserClients()
{
    m_tous = m_in.clients->results();
    // The states of clients gone go with them.
    QSet<QUuid> presents;
    for (const Client* c : std::as_const(m_tous))
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
    // What tells each client apart, as the pickers show it, is worked out among the clients of
    // its name when its cartouche is built; what a search looks into, at the first search.
    m_homonymes.clear();
    for (Client* c : std::as_const(m_tous))
        m_homonymes[c->nom()].append(c);
    m_distinctions.clear();
    m_cherchablesAJour = false;
    filtrer();
    if (m_tous.isEmpty() && !m_pageConfiguration)
        construireCarteConfiguration();
    m_invitation->setCurrentWidget(m_tous.isEmpty() ? m_pageConfiguration : m_pageInvitation);
    actualiserColonnes();
}

QString VueLocationBenne::distinction(const Client* client)
{
    const auto connue = m_distinctions.constFind(client->id());
    if (connue != m_distinctions.cend())
        return *connue;
    // Only clients of one name tell each other apart: the group alone gives what the whole list
    // would.
    const QList<Client*> groupe = m_homonymes.value(client->nom());
    if (groupe.isEmpty())
        return clientDistinction(*client);
    const QStringList distinctions = clientDistinctions(groupe);
    for (int i = 0; i < groupe.size(); ++i)
        m_distinctions.insert(groupe.at(i)->id(), distinctions.at(i));
    return m_distinctions.value(client->id());
}

void VueLocationBenne::preparerRecherche()
{
    if (m_cherchablesAJour)
        return;
    m_cherchablesAJour = true;
    // The text of each client a search looks into, made again only for a client whose fields
    // changed.
    // What tells a client apart adds to its fields only an e-mail, and only for a client without
    // phone: the look-alikes are told apart only for those. Each field is folded once for all
    // the clients sharing it (a name, a town), and the fields' folds joined as one text's would
    // be: the same searchable text, made at a fraction of the cost.
    QHash<QUuid, std::pair<QString, QString>> cherchables;
    cherchables.reserve(m_tous.size());
    // A text of plain ASCII folds as it lowers, unless the locale lowers « I » otherwise.
    const bool asciiSimple = QLocale().toLower(QStringLiteral("I")) == QLatin1String("i");
    const auto plier = [asciiSimple](const QString& champ) {
        if (asciiSimple && std::all_of(champ.cbegin(), champ.cend(), [](QChar c) { return c.unicode() < 0x80; }))
            return champ.toLower();
        return forms::fold(champ);
    };
    // Names and towns come back client after client.
    QHash<QString, QString> plies;
    const auto plierPartage = [&plies, &plier](const QString& champ) {
        auto it = plies.constFind(champ);
        if (it == plies.cend())
            it = plies.insert(champ, plier(champ));
        return *it;
    };
    for (const Client* c : std::as_const(m_tous)) {
        const QString email = c->telephone().trimmed().isEmpty() && c->email() && !c->email()->trimmed().isEmpty()
                                  ? distinction(c) : QString();
        const QStringList champs{c->nom(), c->ville(), c->codePostal(), c->adresse(), c->telephone(), email};
        const QString brut = champs.join(QLatin1Char('\n'));
        const auto connu = m_cherchables.constFind(c->id());
        if (connu != m_cherchables.cend() && connu->first == brut) {
            cherchables.insert(c->id(), *connu);
            continue;
        }
        QStringList plis;
        plis.reserve(champs.size());
        for (int i = 0; i < champs.size(); ++i)
            plis.append(i < 2 ? plierPartage(champs.at(i)) : plier(champs.at(i)));
        const QString plie = plis.join(QLatin1Char('\n'));
        const QString joint = forms::joinDigits(plie);
        cherchables.insert(c->id(), {brut, joint == plie ? plie : plie + QLatin1Char('\n') + joint});
    }
    m_cherchables = std::move(cherchables);
}

void VueLocationBenne::filtrer()
{
    const QStringList mots = forms::searchWords(m_recherche->text());
    if (!mots.isEmpty())
        preparerRecherche();
    // Where the chosen client stands in the column's view, to keep it there.
    const auto choisi = m_in.selectedClientID.get();
    const int h = hauteurLigne();
    QScrollBar* barre = m_scrollClients->verticalScrollBar();
    std::optional<int> place;
    if (choisi)
        for (int i = 0; i < m_clients.size(); ++i)
            if (m_clients.at(i)->id() == *choisi) {
                const int y = kHautLigne + i * h - barre->value();
                if (y + h > 0 && y < m_scrollClients->viewport()->height())
                    place = y;
                break;
            }
    QList<Client*> restants;
    if (mots.isEmpty()) {
        restants = m_tous;
    } else {
        restants.reserve(m_tous.size());
        for (Client* c : std::as_const(m_tous))
            if (forms::holdsAllWords(m_cherchables.value(c->id()).second, mots))
                restants.append(c);
    }
    const bool changement = restants != m_clients;
    m_clients = std::move(restants);
    if (changement) {
        int indexChoisi = -1;
        if (choisi)
            for (int i = 0; i < m_clients.size(); ++i)
                if (m_clients.at(i)->id() == *choisi) {
                    indexChoisi = i;
                    break;
                }
        // The content's height first, so that the scroll bar takes the value asked for.
        m_contenuClients->resize(m_contenuClients->width(), kHautLigne + int(m_clients.size()) * h + 12);
        barre->setValue(indexChoisi >= 0 && place ? kHautLigne + indexChoisi * h - *place : 0);
    }
    placerCartouches();
    // The rentals show only for a client the list holds.
    if (changement && (clientDeLaColonne() != nullptr) != m_colonneLocations->isVisibleTo(this))
        actualiserColonnes();
    const bool aucun = m_clients.isEmpty() && !m_tous.isEmpty();
    if (aucun)
        m_aucunClient->setText(QStringLiteral("Aucun client ne correspond à « %1 ».")
                                   .arg(m_recherche->fontMetrics().elidedText(m_recherche->text().simplified(),
                                                                              Qt::ElideRight, 240)));
    m_aucunClient->setVisible(aucun);
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
            connect(ca, &CartoucheAnime::voisinDemande, this, [this, id](int pas) { allerAuVoisin(id, pas); });
            ca->show();
        } else {
            ca->setLabel(c->nom());
        }
        {
            // A namesake's detail gives way by the look-alike rule.
            CartoucheAnime::Ajustement ajuster;
            if (!distinctionParmiHomonymes(c).isEmpty())
                ajuster = [c](const Tient& tient) { return distinctionAffichee(c, tient); };
            ca->setDetail(distinction(c), std::move(ajuster));
            ca->setNombreBennes(int(c->locations().size()));
        }
        ca->setGeometry(0, kHautLigne + i * h, largeur, h);
        m_cartouches.insert(id, ca);
    }
    for (CartoucheAnime* ca : std::as_const(restants))
        ca->deleteLater();
    // Tab reads the clients' column whole, in its order, before the rentals' column beside it
    // (a cartouche made later would come last).
    QWidget* precedent = m_recherche;
    for (int i = premier; i < dernier; ++i)
        if (CartoucheAnime* ca = m_cartouches.value(m_clients[i]->id())) {
            QWidget::setTabOrder(precedent, ca);
            precedent = ca;
        }
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

void VueLocationBenne::allerAuVoisin(const QUuid& clientId, int pas)
{
    qsizetype i = 0;
    while (i < m_clients.size() && m_clients.at(i)->id() != clientId)
        ++i;
    const qsizetype j = i + pas;
    if (i == m_clients.size() || j >= m_clients.size())
        return;
    if (j < 0) {
        m_recherche->setFocus(Qt::BacktabFocusReason);
        return;
    }
    const int h = hauteurLigne();
    m_scrollClients->ensureVisible(0, kHautLigne + int(j) * h + h / 2, 0, h / 2);
    placerCartouches();
    if (CartoucheAnime* ca = m_cartouches.value(m_clients.at(j)->id()))
        ca->setFocus(pas > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
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

    auto* pageInvitation = new QWidget(m_invitation);
    pageInvitation->setObjectName(QStringLiteral("invitation"));
    auto* vi = new QVBoxLayout(pageInvitation);
    vi->setContentsMargins(0, 0, 0, 0);
    vi->addStretch(1);
    auto* hi = new QHBoxLayout;
    hi->addStretch(1);
    auto* main = new QLabel(pageInvitation);
    main->setPixmap(encreSurPapier(QStringLiteral("hand.point.left"), palette()).pixmap(50, 50));
    hi->addWidget(main);
    auto* texte = new QLabel(QStringLiteral("Veuillez sélectionner un client afin d'afficher les bennes qu'il loue"),
                             pageInvitation);
    texte->setObjectName(QStringLiteral("texteInvitation"));
    texte->setWordWrap(true);
    texte->setMaximumWidth(550);
    QFont f = texte->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    texte->setFont(f);
    m_texteInvitation = texte;
    placerInvitation(kLargeurInvitationUtile);
    hi->addWidget(texte, 4); // up to its widest before the space around it grows
    hi->addStretch(1);
    vi->addLayout(hi);
    vi->addStretch(1);
    m_invitation->addWidget(pageInvitation);
    m_pageInvitation = pageInvitation;
    return m_invitation;
}

void VueLocationBenne::construireCarteConfiguration()
{
    // Only an office without clients sees it.
    m_pageConfiguration = new QWidget(m_invitation);
    auto* vc = new QVBoxLayout(m_pageConfiguration);
    auto* hc = new QHBoxLayout;
    hc->addStretch(1);
    hc->addWidget(carteConfiguration(QStringLiteral("Avant de pouvoir afficher les locations d'un client, il faut "
                                                    "d'abord créer <b>au moins un client</b> ainsi qu'<b>une "
                                                    "location</b>."),
                                     nullptr, m_pageConfiguration));
    hc->addStretch(1);
    vc->addLayout(hc);
    vc->addStretch(1);
    m_invitation->addWidget(m_pageConfiguration);
}

void VueLocationBenne::placerInvitation(int largeur)
{
    // Its full margins while the place is wide; narrower, the text keeps the room.
    const int cote = largeur >= kLargeurInvitationUtile ? 50 : 12;
    // A style sheet takes its colours from the application, not from the paper: the ink is
    // named.
    const QString style = QStringLiteral("QLabel { background: rgba(128,128,128,51); border-radius: 5px;"
                                         " padding: 10px %1px; color: %2; }")
                              .arg(cote)
                              .arg(palette().color(QPalette::WindowText).name());
    if (m_texteInvitation->styleSheet() != style)
        m_texteInvitation->setStyleSheet(style);
}

bool VueLocationBenne::afficheCarteConfiguration() const
{
    return m_invitation->isVisibleTo(this) && m_pageConfiguration
           && m_invitation->currentWidget() == m_pageConfiguration;
}

bool VueLocationBenne::afficheInvitation() const
{
    return m_invitation->isVisibleTo(this) && m_invitation->currentWidget() == m_pageInvitation;
}

// ---------------------------------------------------------------------------------------------
// Rentals column

QWidget* VueLocationBenne::construireColonneLocations()
{
    m_colonneLocations = new QWidget(this);
    m_colonneLocations->setObjectName(QStringLiteral("colonneLocations"));
    auto* v = new QVBoxLayout(m_colonneLocations);
    v->setContentsMargins(0, 0, 0, 0);
    // Whose rentals these are: among look-alikes, a list without a name could be anyone's.
    m_nomClient = new ElidedLabel(QString(), m_colonneLocations);
    m_nomClient->setObjectName(QStringLiteral("nomClientLocations"));
    m_nomClient->setFont(fontForStyle(TextStyle::headline, font()));
    v->addWidget(m_nomClient);
    m_distinctionClient = new QLabel(m_colonneLocations);
    m_distinctionClient->setObjectName(QStringLiteral("distinctionClientLocations"));
    m_distinctionClient->setTextFormat(Qt::PlainText);
    m_distinctionClient->setWordWrap(true);
    m_distinctionClient->setFont(fontForStyle(TextStyle::caption, font()));
    m_distinctionClient->setPalette(paletteSecondaire(m_distinctionClient->palette()));
    v->addWidget(m_distinctionClient);
    v->addSpacing(6);
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
    m_boutonPanneau->setIcon(encreSurPapier(QStringLiteral("shippingbox.fill"), palette()));
    m_boutonPanneau->setToolTip(QStringLiteral("Bennes disponibles"));
    m_boutonPanneau->setAccessibleName(m_boutonPanneau->toolTip());
    m_boutonPanneau->setAutoRaise(true);
    m_boutonPanneau->setCheckable(true);
    connect(m_boutonPanneau, &QToolButton::clicked, this, &VueLocationBenne::basculerPanneau);
    entete->addWidget(m_boutonPanneau);
    v->addLayout(entete);
    v->addSpacing(30);
    auto* scroll = new QScrollArea(m_colonneLocations);
    scroll->setAccessibleName(QStringLiteral("Locations du client"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // Under its header, in the content area of the smallest window (400 high).
    scroll->setMinimumHeight(240);
    auto* contenu = new QWidget;
    m_emplacementListe = new QVBoxLayout(contenu);
    m_emplacementListe->setContentsMargins(0, 0, 0, 0);
    scroll->setWidget(contenu);
    transparente(scroll);
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

QString VueLocationBenne::clientDuVolet() const
{
    return m_colonneLocations->isVisibleTo(this) ? m_nomClient->text() : QString();
}

QString VueLocationBenne::distinctionDuVolet() const
{
    return m_colonneLocations->isVisibleTo(this) ? m_distinctionClient->text() : QString();
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
    if (client) {
        // Read again each time: a rename, or a look-alike added or gone, changes them.
        m_nomClient->setText(client->nom());
        const QString distinction = distinctionAffichee(client);
        m_distinctionClient->setText(distinction);
        m_distinctionClient->setVisible(!distinction.isEmpty());
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
    disposer();
    actualiserDetails();
}

void VueLocationBenne::disposer()
{
    const QRect zone = rect().marginsRemoved(QMargins(kMarge, kMarge, kMarge, kMarge));
    const int barre = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int clientsMin = kLargeurClientsMin + barre;
    const int clientsMax = kLargeurColonneClients + 16;
    const int locationsMin = kLargeurLocationsMin + barre;
    // Wider when a larger font grows the tiles.
    const int locationsMax = std::max(kLargeurLocations, m_liste ? m_liste->sizeHint().width() : 0) + barre;
    const int L = zone.width();
    const bool locations = m_colonneLocations->isVisibleTo(this);

    // The widths depend on the screen's width and on whether the rentals show, nothing else.
    int clients = 0;
    int second = 0;
    bool detailsEnColonne = false;
    if (locations) {
        // The details' room is kept from the moment the rentals show: choosing a rental moves
        // nothing. The client column gives way first, then the rentals.
        clients = std::clamp(L - 2 * kEspacement - locationsMax - kLargeurDetailsUtile, clientsMin, clientsMax);
        second = std::clamp(L - 2 * kEspacement - clients - kLargeurDetailsUtile, locationsMin, locationsMax);
        detailsEnColonne = L - 2 * kEspacement - clients - second >= kLargeurDetailsMin;
        if (!detailsEnColonne) {
            // The details lie over the tiles: what the rentals leave goes back to the tiles, so
            // that a namesake's tile keeps what tells it apart.
            second = std::clamp(L - kEspacement - clients, locationsMin, locationsMax);
            clients = std::clamp(L - kEspacement - second, clientsMin, clientsMax);
        }
    } else {
        clients = std::clamp(L - kEspacement - kLargeurInvitationUtile, clientsMin, clientsMax);
        second = std::max(L - kEspacement - clients, kLargeurInvitationMin);
    }
    const QRect rectClients(zone.x(), zone.y(), clients, zone.height());
    const QRect rectSecond(rectClients.right() + 1 + kEspacement, zone.y(), second, zone.height());
    // The search field over the cartouches, as wide as they are at most.
    const int hautRecherche = m_recherche->sizeHint().height();
    m_recherche->setGeometry(rectClients.x(), rectClients.y(), std::min(rectClients.width(), kLargeurColonneClients),
                             hautRecherche);
    const QRect rectCartouches = rectClients.adjusted(0, hautRecherche + 6, 0, 0);
    m_scrollClients->setGeometry(rectCartouches);
    m_aucunClient->setGeometry(rectCartouches);
    m_invitation->setGeometry(rectSecond);
    m_colonneLocations->setGeometry(rectSecond);
    placerInvitation(second);

    // Beside the rentals when the row has room; over the client column otherwise.
    const int gauche = rectSecond.right() + 1 + kEspacement;
    const QRect cote = detailsEnColonne ? QRect(gauche, zone.y(), zone.right() + 1 - gauche, zone.height()) : rectClients;
    QRect details = cote;
    QRect panneau = cote;
    if (detailsEnColonne && cote.width() >= kLargeurDetailsAvecPanneau + kEspacement + kLargeurPanneau) {
        panneau.setLeft(cote.right() + 1 - kLargeurPanneau);
        if (m_panneau)
            details.setRight(panneau.left() - 1 - kEspacement);
    }
    m_details->setGeometry(details);
    static_cast<Couche*>(m_details)->setPardessus(!detailsEnColonne);
    if (m_fermerDetails)
        m_fermerDetails->setVisible(!detailsEnColonne);
    m_emplacementPanneau->setGeometry(panneau);
    // The panel comes in from the trailing edge of its place.
    if (m_panneau)
        m_panneau->setGeometry(qRound((1.0 - m_entreePanneau) * panneau.width()), 0, panneau.width(), panneau.height());
}

QSize VueLocationBenne::minimumSizeHint() const
{
    const int barre = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int second = std::max(kLargeurLocationsMin + barre, kLargeurInvitationMin);
    const int hauteur = std::max({m_scrollClients->minimumHeight(), m_colonneLocations->minimumSizeHint().height(),
                                  m_invitation->minimumSizeHint().height()});
    return {2 * kMarge + kLargeurClientsMin + barre + kEspacement + second,
            2 * kMarge + std::max(hauteur, m_recherche->sizeHint().height() + 6 + m_scrollClients->minimumHeight())};
}

QSize VueLocationBenne::sizeHint() const
{
    const int barre = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return {2 * kMarge + kLargeurColonneClients + 16 + kLargeurLocations + barre + kLargeurDetailsUtile + 2 * kEspacement,
            minimumSizeHint().height()};
}

void VueLocationBenne::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    disposer();
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
    // The details open beside the card, which keeps the keys: they are said (F6 reaches them).
    if (m_details->isVisibleTo(this))
        announceOutcome(this, texteDetails());
}

QString VueLocationBenne::texteDetails() const
{
    QStringList parties{QStringLiteral("Localisation de la benne")};
    if (const QString adresse = adresseDetails(); !adresse.isEmpty())
        parties << adresse;
    if (m_sansCoordonnees && m_sansCoordonnees->isVisibleTo(this))
        parties << m_sansCoordonnees->text();
    parties << lignesDetails();
    for (QString& partie : parties)
        if (partie.endsWith(QLatin1Char('.')))
            partie.chop(1); // one full stop between the parts
    return parties.join(QStringLiteral(". ")) + QLatin1Char('.');
}

// ---------------------------------------------------------------------------------------------
// Details column

void VueLocationBenne::actualiserDetails()
{
    LocationDeBenne* l = m_in.selectedLocation.get();
    // Every chosen rental shows its details; one without both coordinates says so in the map's
    // place (a rental saved offline, or whose address could not be located).
    const bool visible = m_colonneLocations->isVisibleTo(this) && l && !l->isDeleted();
    if (!visible) {
        m_details->hide();
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
        auto* entete = new QWidget(m_details);
        auto* rangee = new QHBoxLayout(entete);
        rangee->setContentsMargins(0, 0, 0, 0);
        auto* titre = new ElidedLabel(QStringLiteral("Localisation de la benne"), entete);
        titre->setFont(fontForStyle(TextStyle::headline, font()));
        rangee->addWidget(titre, 1);
        // Over the client column, the details have their own way back to the clients.
        auto* fermer = new QToolButton(entete);
        fermer->setObjectName(QStringLiteral("fermerDetails"));
        fermer->setIcon(encreSurPapier(QStringLiteral("xmark.circle.fill"), palette()));
        fermer->setToolTip(QStringLiteral("Fermer"));
        fermer->setAutoRaise(true);
        connect(fermer, &QToolButton::clicked, this, [this] { m_in.selectedLocation.set(nullptr); });
        m_fermerDetails = fermer;
        rangee->addWidget(fermer);
        m_emplacementDetails->addWidget(entete);
        m_emplacementDetails->addSpacing(6);
        m_carte = new CarteAvecRepere(CarteAvecRepere::regionParDefaut(), m_details);
        // At least 200 high where the window allows; the lines below keep their room first.
        m_carte->setMinimumHeight(100);
        m_emplacementDetails->addWidget(m_carte, 1);
        m_sansCoordonnees = new QLabel(messageSansCoordonnees(), m_details);
        m_sansCoordonnees->setObjectName(QStringLiteral("sansCoordonnees"));
        m_sansCoordonnees->setAlignment(Qt::AlignCenter);
        m_sansCoordonnees->setWordWrap(true);
        m_sansCoordonnees->setMinimumHeight(100);
        m_sansCoordonnees->setContentsMargins(12, 12, 12, 12);
        m_sansCoordonnees->setStyleSheet(QStringLiteral("QLabel { background: rgba(128,128,128,30); color: %1;"
                                                        " border: 1px solid rgba(128,128,128,77); border-radius: 6px; }")
                                             .arg(palette().color(QPalette::WindowText).name()));
        m_emplacementDetails->addWidget(m_sansCoordonnees, 1);
        // The address and the waste type on one line each, cut with "…" when long (whole in
        // their tool tips): the lines keep their room under the map in a small window.
        m_adresse = new ElidedLabel(QString(), m_details);
        m_adresse->setObjectName(QStringLiteral("adresseDetails"));
        m_adresse->setFont(fontForStyle(TextStyle::caption, font()));
        m_adresse->setPalette(paletteSecondaire(m_adresse->palette()));
        m_emplacementDetails->addWidget(m_adresse);
        m_emplacementDetails->addSpacing(6);
        for (int i = 0; i < 4; ++i) {
            auto* ligne = new QLabel(m_details);
            ligne->setFont(fontForStyle(TextStyle::subheadline, font()));
            ligne->setTextFormat(Qt::PlainText);
            ligne->setWordWrap(true);
            m_lignes.append(ligne);
            m_emplacementDetails->addWidget(ligne);
            m_emplacementDetails->addSpacing(4);
        }
        auto* rangeeDechet = new QHBoxLayout;
        rangeeDechet->setSpacing(0);
        auto* prefixe = new QLabel(QStringLiteral("Déchet prévu : "), m_details);
        prefixe->setFont(fontForStyle(TextStyle::subheadline, font()));
        rangeeDechet->addWidget(prefixe);
        m_dechet = new ElidedLabel(QString(), m_details);
        m_dechet->setObjectName(QStringLiteral("dechetDetails"));
        rangeeDechet->addWidget(m_dechet, 1);
        m_emplacementDetails->addLayout(rangeeDechet);
        m_emplacementDetails->addSpacing(4);
    }
    const bool situee = l->latitude() && l->longitude();
    m_carte->setVisible(situee);
    m_sansCoordonnees->setVisible(!situee);
    if (situee)
        m_carte->setTextes(texteCourt(*l->latitude()), texteCourt(*l->longitude()));
    m_adresse->setText(l->adresse().value_or(QString()));
    m_adresse->setVisible(l->adresse().has_value());
    const auto date = [this](const QDateTime& d) {
        return m_in.dateFormatter ? m_in.dateFormatter(d) : QLocale().toString(d.date(), QLocale::ShortFormat);
    };
    m_lignes[0]->setText(QStringLiteral("Tarif pose : ") + formatFixed(l->tarifPose(), 2) + QStringLiteral(" €"));
    m_lignes[1]->setText(QStringLiteral("Tarif enlèvement : ") + formatFixed(l->tarifEnlevement(), 2) + QStringLiteral(" €"));
    m_lignes[2]->setText(QStringLiteral("Tarif journalier : ") + formatFixed(l->tarifJournalier(), 2) + QStringLiteral(" €"));
    m_lignes[3]->setText(QStringLiteral("Pose le : ") + date(l->datePose()) + QStringLiteral(" et enlèvement prévu le : ")
                         + (l->dateEnlevement() ? date(*l->dateEnlevement()) : QStringLiteral("non prévue")));
    // The name in bold; "inconnu" in bold italic and grey when the rental has no waste type.
    QFont gras = fontForStyle(TextStyle::subheadline, font());
    gras.setBold(true);
    gras.setItalic(!l->typeDechet());
    m_dechet->setFont(gras);
    m_dechet->setPalette(l->typeDechet() ? palette() : paletteSecondaire(palette()));
    m_dechet->setText(l->typeDechet() ? l->typeDechet()->libelle() : QStringLiteral("inconnu"));
    disposer();
    m_details->show();
    m_details->raise();
    if (m_panneau)
        m_emplacementPanneau->raise();
}

QStringList VueLocationBenne::lignesDetails() const
{
    QStringList out;
    if (!m_details->isVisibleTo(this))
        return out;
    for (QLabel* l : m_lignes)
        out << l->text();
    out << QStringLiteral("Déchet prévu : ") + m_dechet->text();
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
    m_emplacementPanneau->show();
    m_emplacementPanneau->raise();
    m_boutonPanneau->setChecked(true);
    // It enters from the trailing edge.
    m_entreePanneau = 0.0;
    disposer();
    m_panneau->show();
    auto* a = new QVariantAnimation(m_panneau);
    a->setStartValue(0.0);
    a->setEndValue(1.0);
    a->setDuration(250);
    a->setEasingCurve(QEasingCurve::InOutQuad);
    connect(a, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_entreePanneau = v.toReal();
        disposer();
    });
    a->start(QAbstractAnimation::DeleteWhenStopped);
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
    m_emplacementPanneau->hide();
    m_entreePanneau = 1.0;
    disposer();
}

// ---------------------------------------------------------------------------------------------

bool VueLocationBenne::eventFilter(QObject* watched, QEvent* event)
{
    // From the search: Down goes to the first client found, Return chooses it, Escape takes
    // the search back.
    if (watched == m_recherche && event->type() == QEvent::KeyPress) {
        const auto* touche = static_cast<QKeyEvent*>(event);
        const bool seule = !(touche->modifiers() & ~Qt::KeypadModifier);
        if (!seule) {
            // Ctrl+… and the like are the window's.
        } else if (touche->key() == Qt::Key_Down && !m_clients.isEmpty()) {
            m_scrollClients->verticalScrollBar()->setValue(0);
            if (CartoucheAnime* ca = m_cartouches.value(m_clients.constFirst()->id()))
                ca->setFocus(Qt::TabFocusReason);
            return true;
        } else if ((touche->key() == Qt::Key_Return || touche->key() == Qt::Key_Enter) && !m_clients.isEmpty()) {
            const auto choisi = m_in.selectedClientID.get();
            if (!choisi || *choisi != m_clients.constFirst()->id()) {
                m_scrollClients->verticalScrollBar()->setValue(0);
                if (CartoucheAnime* ca = m_cartouches.value(m_clients.constFirst()->id()))
                    ca->basculerSelection();
            }
            return true;
        } else if (touche->key() == Qt::Key_Escape && !m_recherche->text().isEmpty()) {
            m_recherche->clear();
            return true;
        }
    }
    if (watched == m_scrollClients->viewport() && event->type() == QEvent::Resize)
        placerCartouches();
    return QWidget::eventFilter(watched, event);
}

QList<QWidget*> VueLocationBenne::volets() const
{
    QList<QWidget*> out;
    for (QWidget* volet : {static_cast<QWidget*>(m_scrollClients), m_colonneLocations, m_details, m_emplacementPanneau})
        if (volet && volet->isVisibleTo(this))
            out.append(volet);
    return out;
}

QWidget* VueLocationBenne::arretDansVolet(QWidget* volet) const
{
    // The clients: the chosen one, else the search. The rentals: the chosen card, else the first.
    if (volet == m_scrollClients) {
        const auto choisi = m_in.selectedClientID.get();
        CartoucheAnime* ca = choisi ? m_cartouches.value(*choisi) : nullptr;
        return ca ? static_cast<QWidget*>(ca) : m_recherche;
    }
    if (volet == m_colonneLocations && m_liste) {
        const QList<LocationDeBenne*> montrees = m_liste->locationsFiltrees();
        LocationDeBenne* choisie = m_in.selectedLocation.get();
        if (BenneOscillanteView* t = m_liste->tuile(choisie && montrees.contains(choisie) ? choisie : montrees.value(0)))
            return t;
    }
    QWidget* w = volet;
    do {
        w = w->nextInFocusChain();
        if (volet->isAncestorOf(w) && w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)
            && !w->focusProxy())
            return w;
    } while (w != volet);
    return nullptr;
}

QWidget* VueLocationBenne::voletVoisin(int pas) const
{
    const QList<QWidget*> tous = volets();
    const QWidget* focus = QApplication::focusWidget();
    qsizetype ici = -1;
    for (qsizetype i = 0; i < tous.size(); ++i)
        if (focus && (tous.at(i) == focus || tous.at(i)->isAncestorOf(focus)))
            ici = i;
    // The search stands over the clients' column: it is of that pane.
    if (focus == m_recherche)
        ici = 0;
    if (ici < 0)
        return nullptr;
    for (qsizetype i = ici + pas; i >= 0 && i < tous.size(); i += pas)
        if (QWidget* arret = arretDansVolet(tous.at(i)))
            return arret;
    return nullptr;
}

bool VueLocationBenne::event(QEvent* event)
{
    // F6 and Shift+F6 go through the screen's own panes before the window's cycle goes on.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* touche = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = touche->modifiers() & ~Qt::KeypadModifier;
        const int pas = touche->key() != Qt::Key_F6 ? 0 : mods == Qt::NoModifier ? 1 : mods == Qt::ShiftModifier ? -1 : 0;
        if (pas != 0)
            if (QWidget* arret = voletVoisin(pas)) {
                if (event->type() == QEvent::KeyPress)
                    arret->setFocus(Qt::ShortcutFocusReason);
                event->accept();
                return true;
            }
    }
    return QWidget::event(event);
}

void VueLocationBenne::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    peindrePapier(p, rect(), QPointF(0, 0), m_papier);
}

} // namespace kv
