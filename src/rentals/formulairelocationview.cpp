#include "formulairelocationview.h"
#include "widgets/dateentry.h"

#include "model/helpers.h"
#include "adresseautocompleteur.h"
#include "carteconfiguration.h"
#include "carteavecrepere.h"
#include "chevauchementlocations.h"
#include "clientsduformulaire.h"
#include "coordonnees.h"
#include "citysearchpopup.h"
#include "editionlocation.h"
#include "flipview.h"
#include "geocodageapresenregistrement.h"
#include "journaux.h"
#include "vuesuggestionsadresse.h"

#include "model/modelcontext.h"
#include "model/query.h"
#include "widgets/colors.h"
#include "widgets/focusguard.h"
#include "widgets/searchablepicker.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/numberfield.h"
#include "widgets/forms/windowkey.h"
#include "widgets/glass/glass.h"
#include "widgets/icons.h"
#include "widgets/plaintext.h"
#include "widgets/sharedannouncement.h"
#include "widgets/textstyles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QStackedWidget>
#include <QTextBoundaryFinder>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kv {

namespace {

QFont police(TextStyle style, const QWidget* w, bool gras = false)
{
    QFont f = fontForStyle(style, w->font());
    f.setBold(gras);
    return f;
}

QFont titre2(const QWidget* w, bool gras = false)
{
    QFont f = w->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(gras);
    return f;
}

// A field's label; `champ`, the field it names, is named by it for a screen reader too (a
// combo box or a date field would otherwise be read by its value).
QLabel* etiquette(const QString& texte, QWidget* parent, QWidget* champ = nullptr)
{
    auto* l = new QLabel(texte, parent);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (champ) {
        l->setBuddy(champ);
        champ->setAccessibleName(texte);
    }
    return l;
}

// The face of the prices card: regular material on a rounded rectangle with a thin border.
// The prices card: 497 wide where the sheet has the room, narrower down to 400 in a small
// window (the sheet never sticks out of it), never wider.
constexpr int kLargeurCarteTarifs = 485 + 12;
constexpr int kLargeurCarteTarifsMin = 400;

class FaceTarifs : public QWidget {
public:
    using QWidget::QWidget;

    QSize sizeHint() const override
    {
        return QWidget::sizeHint().expandedTo(QSize(kLargeurCarteTarifs, 0)).boundedTo(maximumSize());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).drawPixmap(0, 0, fond());
    }

private:
    // The glass and its blurred shadow, drawn once for a size and the colours they take: a field
    // of the card that repaints (a caret, a focus ring) repaints the card under it, and every
    // sheet opens its cards at the same size.
    QPixmap fond() const
    {
        const qreal dpr = devicePixelRatioF();
        QColor bord = palette().color(QPalette::Mid);
        bord.setAlphaF(0.6);
        const QString cle = QStringLiteral("%1x%2@%3 %4 %5")
                                .arg(width())
                                .arg(height())
                                .arg(dpr)
                                .arg(bord.rgba())
                                .arg(glass::couleurFenetre().rgba());
        static QHash<QString, QPixmap> deja;
        if (const auto it = deja.constFind(cle); it != deja.cend())
            return *it;
        QPixmap image(size() * dpr);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        const QRectF carte = r.adjusted(6, 4, -6, -10);
        ombre(p, carte, dpr);
        // The glass itself, its shadow drawn above.
        using G = glass::GlassBackgroundModifier;
        const G glace(G::GlassBackgroundDisplayMode::always, 8, QColor(0, 0, 255), 0.1, glass::Materiau::regular, 0.7,
                      G::GradientStyle::normal, 1.5, QColor(0, 0, 255), 0, 10, 0, 5, false);
        glace.paint(p, carte);
        p.setPen(QPen(bord, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glass::continuousRoundedRect(r.adjusted(6.5, 4.5, -6.5, -10.5), 12));
        p.end();
        // A few sizes at most (the sheet's, a smaller window's): the cache never grows long.
        if (deja.size() > 8)
            deja.clear();
        deja.insert(cle, image);
        return image;
    }

    // The glass's shadow: blue at 50 %, blurred by 10, 5 down. A shadow that soft loses nothing
    // when it is blurred at a quarter of the size, and costs a sixteenth of the time: the sheet
    // then opens without waiting for it.
    static void ombre(QPainter& p, const QRectF& carte, qreal dpr)
    {
        constexpr qreal kEchelle = 0.25;
        constexpr qreal kRayon = 10;
        const qreal marge = kRayon * 1.5;
        const QRectF zone = carte.adjusted(-marge, -marge, marge, marge);
        QImage petite((zone.size() * dpr * kEchelle).toSize() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
        petite.fill(Qt::transparent);
        {
            QPainter pp(&petite);
            pp.setRenderHint(QPainter::Antialiasing);
            pp.scale(dpr * kEchelle, dpr * kEchelle);
            pp.translate(-zone.topLeft());
            pp.fillPath(glass::continuousRoundedRect(carte, 8), QColor(0, 0, 255, 128));
        }
        glass::blurAlpha(petite, kRayon * dpr * kEchelle);
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(zone.topLeft() + QPointF(0, 5), QSizeF(petite.size()) / (dpr * kEchelle)), petite);
        p.restore();
    }
};

// A date field that tells whether a change comes from editing inside it (keys, arrows, wheel),
// as opposed to a calendar pick or a date set by the program.
class ChampDate : public QDateEdit {
public:
    using QDateEdit::QDateEdit;
    bool enSaisie() const { return m_saisie > 0; }
    void stepBy(int steps) override
    {
        ++m_saisie;
        QDateEdit::stepBy(steps);
        --m_saisie;
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        ++m_saisie;
        QDateEdit::keyPressEvent(event);
        --m_saisie;
    }

private:
    int m_saisie = 0;
};

// The tone meant for a light background (`clair`) or for a dark one (`sombre`) as `fond` is,
// where it reads at 4.5:1 on it; black or white where it does not.
QColor encre(const QColor& clair, const QColor& sombre, const QColor& fond)
{
    return readableTextOn(fond.lightnessF() < 0.5 ? sombre : clair, fond);
}

QDateTime avecJour(const QDateTime& heure, const QDate& jour)
{
    return QDateTime(jour, heure.time(), heure.timeZone());
}

} // namespace

FormulaireLocationView::FormulaireLocationView(ModelContext* context, const QUuid& benneId,
                                               std::function<void()> onDismiss, AdresseService* service,
                                               QWidget* parent, const Horloge& horloge)
    : QWidget(parent), m_context(context), m_benneId(benneId), m_onDismiss(std::move(onDismiss)),
      m_service(service ? service : new AdresseService(this))
{
    setObjectName(QStringLiteral("formulaireLocationView"));
    const QDateTime maintenant = horloge.maintenantLocal();
    const QDateTime demain = maintenant.addDays(1);
    m_datePose = demain.isValid() ? demain : maintenant;
    m_datePoseInitiale = m_datePose;
    m_zone = horloge.zone;
    m_benne = context->find<Benne>(benneId);

    m_clients = ClientsDuFormulaire::pour(context);
    m_types = new Query<TypeDechet>(context, {}, {}, this);
    m_autoCompleteur = new AdresseAutoCompleteur(m_service, this);
    m_localisation = new LocalisationManager(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pile = new QStackedWidget(this);
    // The configuration card is made only for a store that needs it (see choisirEcran).
    m_pageFormulaire = construireFormulaire();
    m_pile->addWidget(m_pageFormulaire);
    appliquerEncres();
    layout->addWidget(m_pile);

    connect(m_clients, &ClientsDuFormulaire::changed, this, &FormulaireLocationView::actualiserClients);
    connect(m_types, &QueryBase::resultsChanged, this, &FormulaireLocationView::actualiserTypes);
    connect(m_autoCompleteur, &AdresseAutoCompleteur::suggestionsChanged, this,
            &FormulaireLocationView::surSuggestionsModifiees);
    connect(m_autoCompleteur, &AdresseAutoCompleteur::erreurChanged, this,
            &FormulaireLocationView::surSuggestionsModifiees);
    connect(m_localisation, &LocalisationManager::regionChanged, this, &FormulaireLocationView::formaterCoordonnee);
    // Another window may book the skip, move a booking or rename its client meanwhile.
    connect(context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        if (changes.touches(EntityType::LocationDeBenne) || changes.touches(EntityType::Client)
            || changes.touches(EntityType::Benne))
            actualiserChevauchement();
    });
    actualiserClients();
    actualiserTypes();
    montrerDates();
}

FormulaireLocationView::FormulaireLocationView(ModelContext* context, LocationDeBenne* location,
                                               std::function<void()> onDismiss, AdresseService* service,
                                               QWidget* parent, const Horloge& horloge)
    : FormulaireLocationView(context, location->benne() ? location->benne()->id() : QUuid(), std::move(onDismiss),
                             service, parent, horloge)
{
    m_edition = new EditionLocation(this, location);
}

FormulaireLocationView::~FormulaireLocationView()
{
    releaseFocusWithin(this);
}

// ---------------------------------------------------------------------------------------------
// Building

QWidget* FormulaireLocationView::construireCarteConfiguration()
{
    auto* page = new QWidget(this);
    m_fermer = new QPushButton(paintedSymbolIcon(QStringLiteral("xmark.circle.fill"), Qt::white),
                               QStringLiteral("Fermer"));
    m_fermer->setObjectName(QStringLiteral("boutonFermer"));
    m_fermer->setFont(police(TextStyle::title2, this));
    m_fermer->setStyleSheet(QStringLiteral("QPushButton { background: palette(highlight); color: palette(highlighted-text);"
                                           " border-radius: 18px; padding: 10px 28px; }"));
    connect(m_fermer, &QPushButton::clicked, this, [this] {
        if (m_onDismiss)
            m_onDismiss();
    });
    QWidget* carte = carteConfiguration(
        QStringLiteral("Avant de créer une location, il faut d'abord créer <b>au moins un type de déchet</b> ainsi "
                       "qu'<b>un client</b>."),
        m_fermer, page);
    auto* centre = new QVBoxLayout(page);
    centre->setContentsMargins(24, 24, 24, 24);
    centre->addStretch(1);
    auto* h = new QHBoxLayout;
    h->addStretch(1);
    h->addWidget(carte);
    h->addStretch(1);
    centre->addLayout(h);
    centre->addStretch(1);
    return page;
}

QWidget* FormulaireLocationView::construireFormulaire()
{
    // The fields scroll when the sheet is too short for them (the prices card turned over, the
    // contact row shown): every row keeps its height; the message and the buttons stay in view.
    auto* page = new QWidget(this);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 16);
    pageLayout->setSpacing(0);
    auto* defilement = new QScrollArea(page);
    m_defilement = defilement;
    defilement->setObjectName(QStringLiteral("defilementFormulaire"));
    defilement->setFrameShape(QFrame::NoFrame);
    defilement->setWidgetResizable(true);
    defilement->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The fields take the keys, and the view follows them: the view itself is no Tab stop.
    defilement->setFocusPolicy(Qt::NoFocus);
    auto* champs = new QWidget(defilement);
    m_champs = champs;
    champs->setAutoFillBackground(false);
    defilement->viewport()->setAutoFillBackground(false);
    defilement->setWidget(champs);
    pageLayout->addWidget(defilement, 1);
    auto* v = new QVBoxLayout(champs);
    v->setContentsMargins(20, 16, 20, 0);
    v->setSpacing(6);

    auto* titre = new QLabel(QStringLiteral("Nouvelle location de benne"), page);
    titre->setFont(titre2(this));
    m_titre = titre;
    v->addWidget(titre);
    // The skip being booked: its volume and its colour, as the grid's skip column shows it.
    Benne* benneReservee = nullptr;
    for (Benne* b : m_context->fetch<Benne>())
        if (b->id() == m_benneId) {
            benneReservee = b;
            break;
        }
    if (benneReservee) {
        auto* rangeeBenne = new QHBoxLayout;
        rangeeBenne->setSpacing(8);
        auto* pastille = new QLabel(page);
        pastille->setObjectName(QStringLiteral("pastilleBenne"));
        const QColor couleur = colorFromHex(benneReservee->couleur(), Qt::gray);
        const int cote = fontMetrics().height();
        QPixmap carre(cote * devicePixelRatio(), cote * devicePixelRatio());
        carre.setDevicePixelRatio(devicePixelRatio());
        carre.fill(Qt::transparent);
        {
            QPainter p(&carre);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(0, 0, 0, 80), 1));
            p.setBrush(couleur);
            p.drawRoundedRect(QRectF(0.5, 0.5, cote - 1, cote - 1), 3, 3);
        }
        pastille->setPixmap(carre);
        // The colour in words, as a person names it; its code in the tip, for who wants it.
        const QString enMots = nomCouleur(benneReservee->couleur());
        const QString code = couleur.name(QColor::HexRgb).toUpper();
        pastille->setAccessibleName(QStringLiteral("Couleur ") + (enMots.isEmpty() ? QStringLiteral("grise") : enMots));
        pastille->setToolTip(code);
        rangeeBenne->addWidget(pastille);
        m_texteBenne = new QLabel(QStringLiteral("Benne ") + formatNumberShort(benneReservee->volume())
                                      + QStringLiteral(" m³, couleur ") + (enMots.isEmpty() ? code : enMots)
                                      + (distinctionBenne(benneReservee).isEmpty()
                                             ? QString()
                                             : QStringLiteral(" (") + distinctionBenne(benneReservee) + QLatin1Char(')')),
                                  page);
        m_texteBenne->setToolTip(code);
        m_texteBenne->setObjectName(QStringLiteral("benneReservee"));
        m_texteBenne->setTextFormat(Qt::PlainText);
        m_texteBenne->setWordWrap(true);
        rangeeBenne->addWidget(m_texteBenne, 1);
        v->addLayout(rangeeBenne);
    }
    v->addSpacing(8);

    auto* rangeeClient = new QHBoxLayout;
    m_choixClient = new SearchablePicker(page);
    m_choixClient->setObjectName(QStringLiteral("choixClient"));
    rangeeClient->addWidget(etiquette(QStringLiteral("Client"), page, m_choixClient));
    rangeeClient->addWidget(m_choixClient, 1);
    v->addLayout(rangeeClient);
    connect(m_choixClient, &QComboBox::activated, this, [this](int index) {
        m_client = static_cast<Client*>(m_choixClient->itemData(index).value<void*>());
        actualiserContacts();
        revoirEchec();
    });

    v->addWidget(sectionAdresse());
    v->addSpacing(20);
    v->addWidget(sectionDates());
    v->addSpacing(20);
    v->addWidget(sectionTarifs(), 1);

    // Outside what scrolls, as the red line: seen whatever the sheet's height when "Valider" is
    // pressed. The client's name is user text: plain, quoted by its beginning, whole in the tip.
    // Its room is kept (see reserverPlaceAvis): the line coming or going moves no field.
    m_placeAvis = new QWidget(page);
    m_placeAvis->setObjectName(QStringLiteral("placeAvisChevauchement"));
    auto* placeAvis = new QVBoxLayout(m_placeAvis);
    placeAvis->setContentsMargins(0, 0, 0, 0);
    m_avisChevauchement = new QLabel(m_placeAvis);
    m_avisChevauchement->setObjectName(QStringLiteral("avisChevauchement"));
    m_avisChevauchement->setTextFormat(Qt::PlainText);
    m_avisChevauchement->setWordWrap(true);
    m_avisChevauchement->setContentsMargins(20, 6, 20, 0);
    m_avisChevauchement->hide();
    m_avisChevauchement->installEventFilter(this);
    placeAvis->addWidget(m_avisChevauchement);
    placeAvis->addStretch(1);
    pageLayout->addWidget(m_placeAvis);

    m_erreur = new QLabel(page);
    m_erreur->setObjectName(QStringLiteral("messageErreur"));
    m_erreur->setWordWrap(true);
    m_erreur->hide();
    // Under the fields, outside what scrolls: the message shows whatever the sheet's height.
    m_erreur->setContentsMargins(20, 6, 20, 0);
    pageLayout->addWidget(m_erreur);
    m_boutons = rangeeBoutons();
    m_boutons->layout()->setContentsMargins(20, 8, 20, 0);
    pageLayout->addWidget(m_boutons);
    return page;
}

QWidget* FormulaireLocationView::sectionAdresse()
{
    auto* section = new QWidget(this);
    auto* v = new QVBoxLayout(section);
    v->setContentsMargins(0, 8, 0, 0);
    v->setSpacing(4);
    m_champAdresse = new QLineEdit(section);
    m_champAdresse->setObjectName(QStringLiteral("champAdresse"));
    m_champAdresse->setPlaceholderText(QStringLiteral("Adresse de pose"));
    // Named for what it holds, not by its prompt, which a screen reader already reads as the
    // field's description; and how its suggestions are reached.
    m_champAdresse->setAccessibleName(QStringLiteral("Adresse de pose de la benne"));
    m_champAdresse->setAccessibleDescription(
        QStringLiteral("Des adresses sont proposées pendant la saisie ; Bas pour les parcourir"));
    v->addWidget(m_champAdresse);
    connect(m_champAdresse, &QLineEdit::textChanged, this, &FormulaireLocationView::surAdresseModifiee);
    // Down from the address goes into the suggestions.
    m_champAdresse->installEventFilter(this);

    m_emplacement = new QStackedWidget(section);
    m_emplacement->setObjectName(QStringLiteral("emplacementSuggestions"));
    m_emplacement->setFixedHeight(100 + 10);
    m_emplacement->setContentsMargins(0, 5, 0, 5);
    m_carte = new CarteAvecRepere(CarteAvecRepere::regionParDefaut(), m_emplacement);
    m_carte->setObjectName(QStringLiteral("carteAvecRepere"));
    m_suggestions = new VueSuggestionsAdresse({}, [this](const Lieu& l) { selectionnerSuggestion(l); }, m_emplacement);
    m_emplacement->addWidget(m_carte);
    m_emplacement->addWidget(m_suggestions);
    // When the address service cannot answer, the place of the suggestions says why; the address
    // and the coordinates can still be typed by hand.
    m_messageService = new QLabel(m_emplacement);
    m_messageService->setObjectName(QStringLiteral("messageServiceAdresses"));
    m_messageService->setTextFormat(Qt::PlainText);
    m_messageService->setWordWrap(true);
    m_messageService->setAlignment(Qt::AlignCenter);
    m_messageService->setContentsMargins(12, 6, 12, 6);
    m_emplacement->addWidget(m_messageService);
    v->addWidget(m_emplacement);

    auto* coords = new QHBoxLayout;
    m_champLatitude = new QLineEdit(section);
    m_champLatitude->setObjectName(QStringLiteral("champLatitude"));
    m_champLatitude->setPlaceholderText(QStringLiteral("Latitude"));
    m_champLatitude->setToolTip(QStringLiteral("Latitude"));
    m_champLatitude->setAccessibleName(QStringLiteral("Latitude"));
    m_champLongitude = new QLineEdit(section);
    m_champLongitude->setObjectName(QStringLiteral("champLongitude"));
    m_champLongitude->setPlaceholderText(QStringLiteral("Longitude"));
    m_champLongitude->setToolTip(QStringLiteral("Longitude"));
    m_champLongitude->setAccessibleName(QStringLiteral("Longitude"));
    m_boutonVille = new QToolButton(section);
    m_boutonVille->setObjectName(QStringLiteral("boutonRechercheVille"));
    m_boutonVille->setIcon(symbolIcon(QStringLiteral("location.magnifyingglass")));
    m_boutonVille->setIconSize(QSize(22, 22));
    m_boutonVille->setAutoRaise(true);
    m_boutonVille->setToolTip(QStringLiteral("Rechercher une ville"));
    m_boutonVille->setAccessibleName(m_boutonVille->toolTip());
    coords->addWidget(m_champLatitude, 1);
    coords->addWidget(m_champLongitude, 1);
    coords->addWidget(m_boutonVille);
    v->addLayout(coords);
    for (QLineEdit* champ : {m_champLatitude, m_champLongitude}) {
        connect(champ, &QLineEdit::textEdited, this, [this] {
            m_coordonneesChoisies = true;
            // Coordinates typed by hand: the map shows them in place of the service's message.
            m_autoCompleteur->oublierErreur();
        });
        connect(champ, &QLineEdit::textChanged, this, &FormulaireLocationView::surCoordonneesModifiees);
    }
    connect(m_boutonVille, &QToolButton::clicked, this, &FormulaireLocationView::ouvrirRechercheVille);
    return section;
}

QWidget* FormulaireLocationView::sectionDates()
{
    auto* section = new QWidget(this);
    auto* grille = new QGridLayout(section);
    grille->setContentsMargins(0, 0, 0, 0);
    grille->setHorizontalSpacing(12);
    grille->setVerticalSpacing(10);

    auto nouveauChampDate = [section](const QString& nom) {
        auto* d = new ChampDate(section);
        d->setObjectName(nom);
        d->setCalendarPopup(true);
        d->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat).contains(QLatin1String("yyyy"))
                                ? QLocale().dateFormat(QLocale::ShortFormat)
                                : QStringLiteral("dd/MM/yyyy"));
        return d;
    };
    m_champPose = nouveauChampDate(QStringLiteral("champDatePose"));
    grille->addWidget(etiquette(QStringLiteral("Date de pose"), section, m_champPose), 0, 0);
    grille->addWidget(m_champPose, 0, 1, Qt::AlignLeft);
    QDateEdit* enlevement = nouveauChampDate(QStringLiteral("champDateEnlevement"));
    grille->addWidget(etiquette(QStringLiteral("Date d’enlèvement"), section, enlevement), 1, 0);
    grille->addWidget(construireRangeeEnlevement(section, enlevement), 1, 1, Qt::AlignLeft);
    connect(m_champPose, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (!m_majInterne)
            setDatePose(avecJour(m_datePose, d));
    });
    // A removal typed day by day passes through earlier dates ("1" on the way to "15"): the
    // correction waits until the edit is finished (Return, the focus leaving). A calendar pick or
    // a date set by the program is corrected at once.
    connect(m_champEnlevement, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        // The field shows only while a removal is planned; its hidden date means nothing.
        if (m_majInterne || !m_dateEnlevement)
            return;
        const QDateTime date = avecJour(*m_dateEnlevement, d);
        if (static_cast<ChampDate*>(m_champEnlevement)->enSaisie()) {
            m_dateEnlevement = date;
            // The booking the removal reaches is named while it is typed, as for a placement.
            actualiserChevauchement();
        } else {
            setDateEnlevement(date);
        }
    });
    connect(m_champEnlevement, &QDateEdit::editingFinished, this, [this] {
        QTimer::singleShot(0, this, &FormulaireLocationView::corrigerEnlevement);
    });

    m_choixContact = new QComboBox(section);
    m_choixContact->setObjectName(QStringLiteral("choixContact"));
    m_choixContact->setMinimumWidth(240);
    m_etiquetteContact = etiquette(QStringLiteral("Contact"), section, m_choixContact);
    grille->addWidget(m_etiquetteContact, 2, 0);
    grille->addWidget(m_choixContact, 2, 1, Qt::AlignLeft);
    connect(m_choixContact, &QComboBox::activated, this, [this](int index) {
        m_contact = static_cast<Contact*>(m_choixContact->itemData(index).value<void*>());
    });

    m_choixType = new QComboBox(section);
    m_choixType->setObjectName(QStringLiteral("choixTypeDechet"));
    m_choixType->setMinimumWidth(240);
    grille->addWidget(etiquette(QStringLiteral("Type de déchet"), section, m_choixType), 3, 0);
    grille->addWidget(m_choixType, 3, 1, Qt::AlignLeft);
    connect(m_choixType, &QComboBox::activated, this, [this](int index) {
        m_typeDechet = static_cast<TypeDechet*>(m_choixType->itemData(index).value<void*>());
    });
    grille->setColumnStretch(2, 1);
    return section;
}

QWidget* FormulaireLocationView::construireRangeeEnlevement(QWidget* parent, QDateEdit* champ)
{
    // Two faces in one place, so that nothing beside moves: « Non prévue » and the button that
    // sets a date, or the date and the button that takes it back to none. A date field alone
    // always shows some date, and a rental without removal would read as removed that day.
    m_pileEnlevement = new QStackedWidget(parent);
    m_pileEnlevement->setObjectName(QStringLiteral("rangeeEnlevement"));

    auto* aucune = new QWidget(m_pileEnlevement);
    auto* ha = new QHBoxLayout(aucune);
    ha->setContentsMargins(0, 0, 0, 0);
    m_sansEnlevement = new QLabel(QStringLiteral("Non prévue"), aucune);
    m_sansEnlevement->setObjectName(QStringLiteral("sansEnlevement"));
    QFont italique = m_sansEnlevement->font();
    italique.setItalic(true);
    m_sansEnlevement->setFont(italique);
    m_sansEnlevement->setToolTip(QStringLiteral("La benne reste sur le chantier sans date d’enlèvement prévue."));
    m_fixerEnlevement = new QPushButton(QStringLiteral("Choisir une date…"), aucune);
    m_fixerEnlevement->setObjectName(QStringLiteral("boutonFixerEnlevement"));
    // Return on the focused button sets a date, as Space does; it never stores the rental.
    m_fixerEnlevement->setAutoDefault(true);
    m_fixerEnlevement->setAccessibleName(QStringLiteral("Choisir une date d’enlèvement"));
    ha->addWidget(m_sansEnlevement);
    ha->addWidget(m_fixerEnlevement);
    ha->addStretch(1);

    auto* fixee = new QWidget(m_pileEnlevement);
    auto* hf = new QHBoxLayout(fixee);
    hf->setContentsMargins(0, 0, 0, 0);
    m_champEnlevement = champ;
    champ->setParent(fixee);
    champ->setAccessibleName(QStringLiteral("Date d’enlèvement"));
    m_retirerEnlevement = new QToolButton(fixee);
    m_retirerEnlevement->setObjectName(QStringLiteral("boutonRetirerEnlevement"));
    m_retirerEnlevement->setIcon(symbolIcon(QStringLiteral("xmark.circle.fill")));
    m_retirerEnlevement->setText(QStringLiteral("Retirer"));
    m_retirerEnlevement->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_retirerEnlevement->setAutoRaise(true);
    m_retirerEnlevement->setFocusPolicy(Qt::StrongFocus);
    m_retirerEnlevement->setToolTip(QStringLiteral("Retirer la date d’enlèvement (non prévue)"));
    m_retirerEnlevement->setAccessibleName(QStringLiteral("Retirer la date d’enlèvement"));
    hf->addWidget(champ);
    hf->addWidget(m_retirerEnlevement);
    hf->addStretch(1);

    m_pileEnlevement->addWidget(aucune);
    m_pileEnlevement->addWidget(fixee);
    connect(m_fixerEnlevement, &QPushButton::clicked, this, &FormulaireLocationView::fixerDateEnlevement);
    connect(m_retirerEnlevement, &QToolButton::clicked, this, [this] {
        retirerDateEnlevement();
        m_fixerEnlevement->setFocus(Qt::OtherFocusReason);
    });
    return m_pileEnlevement;
}

QWidget* FormulaireLocationView::sectionTarifs()
{
    auto* section = new QWidget(this);
    auto* v = new QVBoxLayout(section);
    v->setContentsMargins(0, 0, 0, 0);
    m_interrupteurTarifs = new QCheckBox(QStringLiteral("Tarifs spécifiques pour cette location"), section);
    m_interrupteurTarifs->setObjectName(QStringLiteral("interrupteurTarifs"));
    v->addWidget(m_interrupteurTarifs);

    auto* front = new FaceTarifs;
    front->setObjectName(QStringLiteral("faceAvantTarifs"));
    front->setMinimumSize(kLargeurCarteTarifsMin, 120 + 14);
    front->setMaximumSize(kLargeurCarteTarifs, 120 + 14);
    auto* fv = new QVBoxLayout(front);
    auto* titreAvant = new QLabel(QStringLiteral("Ajustez les tarifs pour cette location"), front);
    titreAvant->setFont(titre2(this, true));
    titreAvant->setAlignment(Qt::AlignCenter);
    // A larger desktop font takes two lines rather than cutting both ends.
    titreAvant->setWordWrap(true);
    fv->addWidget(titreAvant);

    auto* back = new FaceTarifs;
    back->setObjectName(QStringLiteral("faceArriereTarifs"));
    back->setMinimumWidth(kLargeurCarteTarifsMin);
    back->setMaximumWidth(kLargeurCarteTarifs);
    auto* bv = new QVBoxLayout(back);
    bv->setContentsMargins(18, 12, 18, 20);
    auto* titreArriere = new QLabel(QStringLiteral("Tarifs spécifiques à cette location (facultatifs)"), back);
    titreArriere->setFont(police(TextStyle::body, this, true));
    bv->addWidget(titreArriere);
    auto* grille = new QGridLayout;
    grille->setHorizontalSpacing(12);
    grille->setVerticalSpacing(10);
    auto nouveauPrix = [&](const QString& libelle, const QString& nom, int ligne) {
        auto* l = new QLabel(libelle, back);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* champ = new forms::NumberField(forms::NumberField::Kind::Decimal, false, back);
        champ->setObjectName(nom);
        champ->setRange(plages::prixEuros, libelle);
        champ->setFixedDecimals(2);
        champ->setValue(0.0);
        champ->setFieldWidth(120);
        champ->lineEdit()->setAccessibleName(libelle);
        grille->addWidget(l, ligne, 0);
        grille->addWidget(champ, ligne, 1);
        // A mended price takes the red line away as the field reads it.
        connect(champ, &forms::NumberField::committed, this, &FormulaireLocationView::revoirEchec);
        return champ;
    };
    m_tarifPose = nouveauPrix(QStringLiteral("Tarif de pose"), QStringLiteral("tarifPose"), 0);
    m_tarifEnlevement = nouveauPrix(QStringLiteral("Tarif d’enlèvement"), QStringLiteral("tarifEnlevement"), 1);
    m_tarifJournalier = nouveauPrix(QStringLiteral("Tarif journalier"), QStringLiteral("tarifJournalier"), 2);
    auto* rangee = new QHBoxLayout;
    rangee->setSpacing(16);
    auto* colonne = new QVBoxLayout;
    colonne->addLayout(grille);
    auto* note = new QLabel(QStringLiteral("Ces tarifs concernent uniquement <b>cette location</b>.<br>"
                                           "S'ils restent à zéro, ce sont les tarifs définis au niveau de chaque "
                                           "type de déchet qui sont pris en compte"),
                            back);
    note->setTextFormat(Qt::RichText);
    note->setWordWrap(true);
    note->setFont(police(TextStyle::caption2, this));
    QPalette pal = note->palette();
    QColor secondaire = pal.color(QPalette::WindowText);
    secondaire.setAlphaF(0.6);
    pal.setColor(QPalette::WindowText, secondaire);
    note->setPalette(pal);
    colonne->addWidget(note);
    rangee->addLayout(colonne);
    bv->addLayout(rangee);

    m_flip = new FlipView(Axis3D::x, 0.7, front, back, section);
    m_flip->setObjectName(QStringLiteral("carteTarifs"));
    v->addWidget(m_flip, 1, Qt::AlignLeft | Qt::AlignTop);
    connect(m_interrupteurTarifs, &QCheckBox::toggled, m_flip, &FlipView::setFlipped);
    return section;
}

QWidget* FormulaireLocationView::rangeeBoutons()
{
    auto* rangee = new QWidget(this);
    auto* h = new QHBoxLayout(rangee);
    h->setContentsMargins(0, 8, 0, 0);
    h->addStretch(1);
    m_annuler = new QPushButton(QStringLiteral("Annuler"), rangee);
    m_annuler->setObjectName(QStringLiteral("boutonAnnuler"));
    m_annuler->setAutoDefault(false);
    m_valider = new QPushButton(QStringLiteral("Valider"), rangee);
    m_valider->setObjectName(QStringLiteral("boutonValider"));
    m_valider->setDefault(true);
    h->addWidget(m_annuler);
    h->addWidget(m_valider);
    m_annuler->setToolTip(QStringLiteral("Annuler (Ctrl+Échap)"));
    connect(m_annuler, &QPushButton::clicked, this, [this] { quitterEnDemandant({}, forms::Leaving::takingBack); });
    connect(m_valider, &QPushButton::clicked, this, [this] { validerEtEnregistrer(); });
    // The editors' keys, on the row of buttons: they hold only while the form (not the
    // configuration card) shows.
    forms::addSaveKeys(rangee, m_valider);
    new forms::WindowKey(rangee, QKeySequence(Qt::CTRL | Qt::Key_Escape), [this] { m_annuler->click(); });
    return rangee;
}

// ---------------------------------------------------------------------------------------------
// Following the store and the fields

QSize FormulaireLocationView::sizeHint() const
{
    // Room for every field without scrolling (both faces of the prices card included).
    if (!afficheFormulaire())
        return QWidget::sizeHint();
    const QSize champs = m_champs->sizeHint().expandedTo(m_champs->minimumSizeHint());
    const int hauteur = m_champs->hasHeightForWidth() ? std::max(champs.height(), m_champs->heightForWidth(560))
                                                      : champs.height();
    const int message = m_erreur->isVisibleTo(this) ? m_erreur->sizeHint().height() : 0;
    return {std::max(600, champs.width()), hauteur + message + m_boutons->sizeHint().height() + 16 + 8};
}

QSize FormulaireLocationView::minimumSizeHint() const
{
    // The fields scroll down, never sideways: the form is never narrower than they are.
    QSize taille = QWidget::minimumSizeHint();
    if (afficheFormulaire())
        taille.setWidth(std::max(taille.width(), m_champs->minimumSizeHint().width()
                                                     + style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
    return taille;
}

bool FormulaireLocationView::afficheFormulaire() const
{
    return m_pile->currentWidget() == m_pageFormulaire;
}

void FormulaireLocationView::choisirEcran()
{
    if (!m_clients->estVide() && m_types->size() > 0) {
        m_pile->setCurrentWidget(m_pageFormulaire);
        return;
    }
    if (!m_pageConfiguration) {
        m_pageConfiguration = construireCarteConfiguration();
        m_pile->addWidget(m_pageConfiguration);
    }
    m_pile->setCurrentWidget(m_pageConfiguration);
}

void FormulaireLocationView::actualiserClients()
{
    // A chosen record deleted elsewhere is no longer a choice.
    if (m_client && !m_clients->clients().contains(m_client))
        m_client = nullptr;
    m_choixClient->setPreparedEntries(QStringLiteral("— Choisir un client —"), m_clients->entrees());
    m_choixClient->setCurrentIndex(std::max(0, m_choixClient->findData(QVariant::fromValue<void*>(m_client))));
    actualiserContacts();
    choisirEcran();
}

void FormulaireLocationView::actualiserTypes()
{
    const QList<TypeDechet*> types = m_types->results();
    // A chosen waste type deleted elsewhere leaves the rental without one: the form never puts
    // in its place a type the user did not choose.
    if (m_typeDechet && !types.contains(m_typeDechet)) {
        m_typeDechet = nullptr;
        m_typeDechetPerdu = true;
    }
    if (m_apparu && !m_typeDechet && !m_typeDechetPerdu && !types.isEmpty())
        m_typeDechet = types.first();
    m_choixType->clear();
    for (TypeDechet* t : types)
        m_choixType->addItem(t->libelle(), QVariant::fromValue<void*>(t));
    m_choixType->setCurrentIndex(m_choixType->findData(QVariant::fromValue<void*>(m_typeDechet)));
    choisirEcran();
}

void FormulaireLocationView::actualiserContacts()
{
    const bool visible = m_client != nullptr;
    m_etiquetteContact->setVisible(visible);
    m_choixContact->setVisible(visible);
    m_choixContact->clear();
    m_choixContact->addItem(QStringLiteral("— Choisir un contact —"), QVariant::fromValue<void*>(nullptr));
    if (!m_client)
        return;
    for (Contact* c : m_client->contacts())
        m_choixContact->addItem(c->prenom() + QLatin1Char(' ') + c->nom(), QVariant::fromValue<void*>(c));
    m_choixContact->setCurrentIndex(std::max(0, m_choixContact->findData(QVariant::fromValue<void*>(m_contact))));
}

void FormulaireLocationView::appliquerEncres()
{
    // The warning and the red line stand on the sheet's own background, light or dark.
    const QColor fond = palette().color(QPalette::Window);
    const QString avertissement = encre(QColor(0x93, 0x37, 0x0D), QColor(0xFD, 0xB0, 0x22), fond).name();
    m_avisChevauchement->setStyleSheet(QStringLiteral("color: %1;").arg(avertissement));
    m_messageService->setStyleSheet(QStringLiteral("QLabel { color: %1; background: rgba(128,128,128,20);"
                                                   " border: 1px solid rgba(128,128,128,77); border-radius: 6px; }")
                                        .arg(avertissement));
    m_erreur->setStyleSheet(
        QStringLiteral("color: %1;").arg(encre(QColor(0xB4, 0x23, 0x18), QColor(0xFD, 0xA2, 0x9B), fond).name()));
}

void FormulaireLocationView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        appliquerEncres();
}

void FormulaireLocationView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_apparu)
        return;
    m_apparu = true;
    // The waste type takes the first of its list. No client is chosen for the user: among
    // look-alike names, a default would book for whoever sorts first. The picker opens on its
    // "none" row, and "Valider" refuses until one is picked.
    actualiserTypes();
    formaterCoordonnee();
    m_typeDechetInitial = m_typeDechet;
    // The keyboard starts in the first field (the configuration card's only button), not on
    // the default button that a dialog would otherwise pick.
    if (!focusWidget())
        (afficheFormulaire() ? static_cast<QWidget*>(m_choixClient) : m_fermer)->setFocus(Qt::OtherFocusReason);
}

bool FormulaireLocationView::hasUnsavedChanges() const
{
    if (!afficheFormulaire())
        return false;
    if (m_edition)
        return m_edition->aDesModifications();
    const auto prixSaisi = [](const forms::NumberField* f) {
        return f->lineEdit()->isModified() || f->value().value_or(0) != 0;
    };
    return !m_champAdresse->text().trimmed().isEmpty() || m_coordonneesChoisies || m_datePose != m_datePoseInitiale
           || m_dateEnlevement.has_value() || m_contact != nullptr || m_client != nullptr
           || (m_apparu && m_typeDechet != m_typeDechetInitial) || prixSaisi(m_tarifPose)
           || prixSaisi(m_tarifEnlevement) || prixSaisi(m_tarifJournalier);
}

bool FormulaireLocationView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_champAdresse && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down
        && m_emplacement->currentWidget() == m_suggestions && m_suggestions->model()->rowCount() > 0) {
        m_suggestions->setFocus(Qt::TabFocusReason);
        m_suggestions->setCurrentIndex(m_suggestions->model()->index(0, 0));
        return true;
    }
    if (watched == m_avisChevauchement && event->type() == QEvent::Resize)
        reserverPlaceAvis();
    return QWidget::eventFilter(watched, event);
}

QString FormulaireLocationView::adresse() const
{
    return m_champAdresse->text();
}

QString FormulaireLocationView::latitude() const
{
    return m_champLatitude->text();
}

QString FormulaireLocationView::longitude() const
{
    return m_champLongitude->text();
}

QString FormulaireLocationView::texteErreur() const
{
    return m_erreur->isVisible() || m_showError ? m_erreur->text() : QString();
}

void FormulaireLocationView::surAdresseModifiee(const QString& texte)
{
    // A stored address shown as the form opens asks the service for nothing.
    if (m_majInterne)
        return;
    if (texte.size() >= 3) {
        // Grapheme clusters: three characters as the user sees them.
        int graphemes = 0;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, texte);
        while (finder.toNextBoundary() != -1)
            ++graphemes;
        if (graphemes >= 3) {
            m_autoCompleteur->setQueryFragment(texte);
            return;
        }
    }
    m_autoCompleteur->annulerRecherche();
    m_autoCompleteur->viderSuggestions();
}

void FormulaireLocationView::surSuggestionsModifiees()
{
    const QList<Lieu>& lieux = m_autoCompleteur->suggestions();
    m_suggestions->setSuggestions(lieux);
    m_messageService->setText(m_autoCompleteur->erreur());
    setPlainToolTip(m_messageService, m_autoCompleteur->erreur());
    // A service out of reach is said once, while the keys stay in the address being typed.
    if (m_autoCompleteur->erreur() != std::exchange(m_erreurServiceDite, m_autoCompleteur->erreur()))
        announceOutcome(this, m_erreurServiceDite);
    QWidget* voulu = !m_autoCompleteur->erreur().isEmpty() ? m_messageService
                     : lieux.isEmpty()                     ? static_cast<QWidget*>(m_carte)
                                                           : m_suggestions;
    if (m_emplacement->currentWidget() == voulu)
        return;
    m_emplacement->setCurrentWidget(voulu);
    if (!isVisible())
        return;
    // The new content fades in (ease-in-out, 0.25 s); the effect goes once it is in.
    auto* fondu = new QGraphicsOpacityEffect(voulu);
    voulu->setGraphicsEffect(fondu);
    auto* a = new QPropertyAnimation(fondu, "opacity", fondu);
    a->setStartValue(0.0);
    a->setEndValue(1.0);
    a->setDuration(250);
    a->setEasingCurve(QEasingCurve::InOutQuad);
    QPointer<QWidget> cible = voulu;
    connect(a, &QPropertyAnimation::finished, this, [cible] {
        if (cible)
            cible->setGraphicsEffect(nullptr);
    });
    a->start(QAbstractAnimation::DeleteWhenStopped);
}

void FormulaireLocationView::selectionnerSuggestion(const Lieu& lieu)
{
    m_champAdresse->setText(lieu.titre + QStringLiteral(", ") + lieu.sousTitre);
    // The completion's own place, on the next turn, as a local search answers.
    QPointer<FormulaireLocationView> moi(this);
    const std::optional<Coordonnee> c = lieu.coordonnee;
    QTimer::singleShot(0, this, [this, c] {
        if (!c)
            return;
        m_coordonneesChoisies = true;
        m_champLatitude->setText(texteCourt(c->latitude));
        m_champLongitude->setText(texteCourt(c->longitude));
    });
    m_autoCompleteur->viderSuggestions();
}

void FormulaireLocationView::formaterCoordonnee()
{
    const RegionCarte& r = m_localisation->region();
    if (r.centre.latitude == 0.0 || r.centre.longitude == 0.0)
        return;
    const QString latitude = texteSixDecimales(r.centre.latitude);
    const QString longitude = texteSixDecimales(r.centre.longitude);
    // A place the user chose fills the fields; the starting position (the stored one, or the
    // middle of France) only shows as their placeholders: it is no coordinate of the site.
    if (m_coordonneesChoisies) {
        m_champLatitude->setText(latitude);
        m_champLongitude->setText(longitude);
    } else {
        // Said as an example, so that it is never taken for a value typed in.
        m_champLatitude->setPlaceholderText(QStringLiteral("ex. ") + latitude);
        m_champLongitude->setPlaceholderText(QStringLiteral("ex. ") + longitude);
    }
}

void FormulaireLocationView::surCoordonneesModifiees()
{
    revoirEchec();
    m_carte->setTextes(m_champLatitude->text(), m_champLongitude->text());
}

QMessageBox* FormulaireLocationView::questionChevauchement() const
{
    return m_questionChevauchement;
}

CitySearchPopup* FormulaireLocationView::popupVille() const
{
    return m_popupVille;
}

void FormulaireLocationView::ouvrirRechercheVille()
{
    if (m_popupVille)
        return;
    auto* vm = new CitySearchViewModel(m_service);
    auto* popup = new CitySearchPopup(vm, [this](const Coordonnee& c) {
        m_coordonneesChoisies = true;
        m_localisation->updateRegion(c.latitude, c.longitude);
        formaterCoordonnee();
        m_autoCompleteur->setRegion(RegionCarte{c, 0.2, 0.2});
    }, this);
    vm->setParent(popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setWindowModality(Qt::WindowModal);
    m_popupVille = popup;
    popup->open();
}

void FormulaireLocationView::montrerDates()
{
    m_majInterne = true;
    m_champPose->setDate(m_datePose.date());
    m_champEnlevement->setDate(m_dateEnlevement.value_or(m_datePose).date());
    m_majInterne = false;
    m_pileEnlevement->setCurrentIndex(m_dateEnlevement ? 1 : 0);
    actualiserChevauchement();
    revoirEchec();
    emit datesModifiees();
}

void FormulaireLocationView::fixerDateEnlevement()
{
    // The first day a removal may fall on; the field then takes the focus to change it.
    setDateEnlevement(m_datePose);
    m_champEnlevement->setFocus(Qt::OtherFocusReason);
    // The keys go to the date, its day selected by none: no stray key replaces it unasked.
    if (auto* texte = m_champEnlevement->findChild<QLineEdit*>()) {
        texte->deselect();
        texte->setCursorPosition(0);
    }
}

void FormulaireLocationView::retirerDateEnlevement()
{
    m_dateEnlevement.reset();
    montrerDates();
}

void FormulaireLocationView::actualiserChevauchement()
{
    // A removal still typed before the placement is stored as the placement day.
    std::optional<qint64> enlevement;
    if (m_dateEnlevement)
        enlevement = std::max(m_dateEnlevement->toMSecsSinceEpoch(), m_datePose.toMSecsSinceEpoch());
    m_chevauchements = locationsChevauchantes(m_benne, m_datePose.toMSecsSinceEpoch(), enlevement, m_zone);
    if (m_edition)
        m_chevauchements.removeAll(m_edition->location());
    if (!m_avisChevauchement)
        return;
    const QString texte = texteChevauchement();
    // A reader hears the line as it appears or says another rental.
    if (!texte.isEmpty() && (texte != m_avisChevauchement->text() || m_avisChevauchement->isHidden()))
        announceOutcome(this, texte);
    m_avisChevauchement->setText(texte);
    // The whole name where the line had to cut it.
    QString complet;
    if (!m_chevauchements.isEmpty() && m_chevauchements.first()->client())
        if (const QString nom = nomClientDistinct(m_chevauchements.first()->client());
            clientNomme(m_chevauchements.first()) != nom)
            complet = nom;
    setPlainToolTip(m_avisChevauchement, complet);
    m_avisChevauchement->setVisible(!texte.isEmpty());
    reserverPlaceAvis();
}

void FormulaireLocationView::reserverPlaceAvis()
{
    // Any skip may be said booked at the dates the user picks (a rental of it stored meanwhile,
    // in another window too): the line's room (three lines) is there from the opening, for every
    // skip, so that every sheet keeps its fields in one place. Once the line has shown, the room
    // it took stays.
    const int troisLignes = 3 * m_avisChevauchement->fontMetrics().lineSpacing() + m_avisChevauchement->contentsMargins().top();
    int reserve = std::max(m_reserveAvis, troisLignes);
    if (m_avisChevauchement->isVisibleTo(this) && m_avisChevauchement->width() > 0)
        reserve = std::max(reserve, m_avisChevauchement->height());
    if (reserve != m_reserveAvis) {
        m_reserveAvis = reserve;
        m_placeAvis->setMinimumHeight(reserve);
    }
}

QString FormulaireLocationView::texteChevauchement() const
{
    return texteDejaLouee(m_chevauchements, [this](qint64 ms) {
        return QLocale().toString(localDayOf(ms, m_zone), m_champPose->displayFormat());
    });
}

void FormulaireLocationView::quitterEnDemandant(std::function<void()> ensuite, forms::Leaving pourquoi)
{
    if (!hasUnsavedChanges()) {
        if (m_onDismiss)
            m_onDismiss();
        if (ensuite)
            ensuite();
        return;
    }
    // A stored rental has already dismissed the form: "Enregistrer" then only goes on.
    QPointer<FormulaireLocationView> moi(this);
    auto enregistre = std::make_shared<bool>(false);
    forms::askToSaveChanges(
        this,
        [moi, enregistre, ensuite] {
            *enregistre = moi && moi->validerEtEnregistrer(ensuite);
            return *enregistre;
        },
        [moi, enregistre, ensuite] {
            if (!*enregistre && moi && moi->m_onDismiss)
                moi->m_onDismiss();
            if (ensuite)
                ensuite();
        },
        pourquoi);
}

void FormulaireLocationView::setDatePose(const QDateTime& date)
{
    m_datePose = date;
    // A removal never precedes its placement (a correction refuses it by name instead).
    if (!m_edition && m_dateEnlevement && *m_dateEnlevement < m_datePose)
        m_dateEnlevement = m_datePose;
    montrerDates();
}

void FormulaireLocationView::setDateEnlevement(const QDateTime& date)
{
    m_dateEnlevement = date;
    montrerDates();
    if (!m_edition && *m_dateEnlevement < m_datePose)
        QTimer::singleShot(0, this, &FormulaireLocationView::corrigerEnlevement);
}

void FormulaireLocationView::corrigerEnlevement()
{
    if (!m_edition && m_dateEnlevement && *m_dateEnlevement < m_datePose) {
        m_dateEnlevement = m_datePose;
        montrerDates();
    }
}

// ---------------------------------------------------------------------------------------------
// Save

void FormulaireLocationView::revoirEchec()
{
    if (!m_causeEchec || m_causeEchec())
        return;
    m_causeEchec = {};
    if (m_champEchec)
        forms::setInvalidOutline(m_champEchec, false);
    m_champEchec = nullptr;
    m_showError = false;
    m_erreur->hide();
    m_erreur->clear();
}

void FormulaireLocationView::afficherEchec(const QString& texte, std::function<bool()> cause, QWidget* champ)
{
    if (m_champEchec && m_champEchec != champ)
        forms::setInvalidOutline(m_champEchec, false);
    m_champEchec = champ;
    if (champ) {
        forms::setInvalidOutline(champ, true);
        if (champ->isVisibleTo(this)) {
            champ->setFocus(Qt::OtherFocusReason);
            m_defilement->ensureWidgetVisible(champ);
        }
    }
    m_causeEchec = std::move(cause);
    m_showError = true;
    m_erreur->setText(texte);
    m_erreur->show();
    // Said as well as shown: the keys stay in (or went to) the field to correct.
    announceOutcome(this, texte);
    m_isSaving = false;
    m_valider->setEnabled(true);
}

bool FormulaireLocationView::validerEtEnregistrer(std::function<void()> apresConfirmation)
{
    return enregistrer(false, std::move(apresConfirmation));
}

void FormulaireLocationView::demanderConfirmationChevauchement(std::function<void()> apresConfirmation)
{
    if (m_questionChevauchement)
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Benne déjà louée"),
                                QStringLiteral("Benne déjà louée"), QMessageBox::NoButton, window());
    box->setObjectName(QStringLiteral("confirmationChevauchement"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setTextFormat(Qt::PlainText);
    box->setText(texteChevauchement() + QStringLiteral("\n\nEnregistrer quand même cette location ?"));
    QPushButton* oui = box->addButton(QStringLiteral("Enregistrer quand même"), QMessageBox::AcceptRole);
    QPushButton* non = box->addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box->setDefaultButton(non);
    box->setEscapeButton(non);
    forms::fitMessageBox(box);
    QPointer<FormulaireLocationView> moi(this);
    connect(box, &QMessageBox::buttonClicked, this, [moi, oui, apresConfirmation](QAbstractButton* b) {
        if (b != oui || !moi)
            return;
        // Posted: the question closes first, the sheet may then close with the rental stored.
        QTimer::singleShot(0, moi, [moi, apresConfirmation] {
            if (moi && moi->enregistrer(true, {}) && apresConfirmation)
                apresConfirmation();
        });
    });
    m_questionChevauchement = box;
    box->open();
}

bool FormulaireLocationView::enregistrer(bool chevauchementConfirme, std::function<void()> apresConfirmation)
{
    if (m_isSaving || stopForRefusedDate(this))
        return false;
    if (m_edition)
        return m_edition->enregistrer(chevauchementConfirme, std::move(apresConfirmation));
    // A removal still being typed is corrected before it is stored.
    corrigerEnlevement();
    std::optional<double> lat;
    std::optional<double> lon;
    if (!champsAcceptes(lat, lon))
        return false;
    const QString adresse = m_champAdresse->text().trimmed();
    // A second booking of the skip on the same days is stored only once the user said so (when
    // the system ends the program, what was typed is kept without a question).
    actualiserChevauchement();
    if (!m_chevauchements.isEmpty() && !chevauchementConfirme && !forms::quitsWithoutQuestions()) {
        m_isSaving = false;
        m_valider->setEnabled(true);
        demanderConfirmationChevauchement(std::move(apresConfirmation));
        return false;
    }
    const QUuid clientId = m_client->id();
    const std::optional<QUuid> typeId = m_typeDechet ? std::optional<QUuid>(m_typeDechet->id()) : std::nullopt;

    // The records are looked up again in the store: what the form holds may have gone.
    Client* client = nullptr;
    for (Client* c : m_context->fetch<Client>())
        if (c->id() == clientId) {
            client = c;
            break;
        }
    if (!client) {
        qCWarning(locationLogger(), "❌ Client introuvable dans ce contexte");
        ligneSortie(QStringLiteral("❌ Client introuvable dans ce contexte"));
        afficherEchec(messageChampsObligatoires());
        return false;
    }
    Benne* benne = nullptr;
    for (Benne* b : m_context->fetch<Benne>())
        if (b->id() == m_benneId) {
            benne = b;
            break;
        }
    if (!benne) {
        qCWarning(locationLogger(), "❌ Benne introuvable dans ce contexte");
        ligneSortie(QStringLiteral("❌ Benne introuvable dans ce contexte"));
        afficherEchec(messageChampsObligatoires());
        return false;
    }
    TypeDechet* type = nullptr;
    if (typeId)
        for (TypeDechet* t : m_context->fetch<TypeDechet>())
            if (t->id() == *typeId) {
                type = t;
                break;
            }

    auto* location = new LocationDeBenne(
        client, benne, lat, lon, adresse.isEmpty() ? std::nullopt : std::optional<QString>(adresse),
        m_tarifPose->value().value_or(0), m_tarifEnlevement->value().value_or(0),
        m_tarifJournalier->value().value_or(0), m_datePose, m_dateEnlevement, type);
    m_context->insert(location);
    QString erreur;
    if (!m_context->save(&erreur)) {
        // Taken back at once, so that no later save stores it beside a retry's rental.
        m_context->discardInsertion(location);
        qCWarning(locationLogger(), "❌ Save: %s", qUtf8Printable(erreur));
        ligneSortie(QStringLiteral("❌ SAVE FAIL: ") + erreur);
        afficherEchec(QStringLiteral("Échec de la sauvegarde: ") + erreur);
        return false;
    }
    qCInfo(locationLogger(), "✅ Location enregistrée (phase 1)");
    ligneSortie(QStringLiteral("✅ SAVE OK (phase 1)"));
    m_issueEnregistrement = QStringLiteral("Location enregistrée pour %1, benne %2, pose le %3.")
                                .arg(nomClientDistinct(client, kLongueurNomDansUnePhrase), nomBenneDistinct(benne),
                                     m_datePose.toString(QStringLiteral("dd/MM/yyyy")));

    // The second phase belongs to the store's geocoder, which outlives this form.
    ModelContext* context = m_context;
    const bool geocoder = (!lat || !lon) && !adresse.isEmpty();
    QPointer<FormulaireLocationView> moi(this);
    if (m_onDismiss)
        m_onDismiss();
    if (moi) {
        m_isSaving = false;
        m_valider->setEnabled(true);
    }
    if (geocoder)
        GeocodageApresEnregistrement::pour(context)->lancer(location, adresse);
    return true;
}

bool FormulaireLocationView::champsAcceptes(std::optional<double>& lat, std::optional<double>& lon)
{
    m_isSaving = true;
    m_valider->setEnabled(false);
    // Prices typed but not yet committed count as typed; a refused one stops the save.
    for (forms::NumberField* f : {m_tarifPose, m_tarifEnlevement, m_tarifJournalier})
        if (!f->commit()) {
            afficherEchec(f->message(), [f] { return !f->message().isEmpty(); }, f->isVisible() ? f : nullptr);
            return false;
        }

    qCInfo(locationLogger(), "▶️ Début validation");
    ligneSortie(QStringLiteral("▶️ Début validation"));
    if (!m_client) {
        qCWarning(uiLogger(), "❌ Pas de client sélectionné");
        ligneSortie(QStringLiteral("❌ Pas de client sélectionné"));
        afficherEchec(messageChampsObligatoires(), [this] { return m_client == nullptr; }, m_choixClient);
        return false;
    }
    // Both coordinates or none: a site is never placed on half a coordinate and a default.
    const bool sansLatitude = m_champLatitude->text().trimmed().isEmpty();
    const bool sansLongitude = m_champLongitude->text().trimmed().isEmpty();
    if (sansLatitude != sansLongitude) {
        afficherEchec(sansLatitude ? messageLatitudeManquante() : messageLongitudeManquante(), [this] {
            return m_champLatitude->text().trimmed().isEmpty() != m_champLongitude->text().trimmed().isEmpty();
        }, sansLatitude ? m_champLatitude : m_champLongitude);
        return false;
    }
    // A number beyond its range is refused with the range, as every number typed is; it goes
    // as soon as the text is mended.
    for (const auto& [champ, plage, nom] : {std::tuple(m_champLatitude, plageLatitude, QStringLiteral("Latitude")),
                                            std::tuple(m_champLongitude, plageLongitude, QStringLiteral("Longitude"))}) {
        if (!coordonneeHorsPlage(champ->text(), plage))
            continue;
        afficherEchec(textePlage(nom, plage), [champ, plage] { return coordonneeHorsPlage(champ->text(), plage); }, champ);
        return false;
    }
    lat.reset();
    lon.reset();
    if (!sansLatitude) {
        lat = lireCoordonneeEnregistrement(m_champLatitude->text(), plageLatitude.maximum);
        lon = lireCoordonneeEnregistrement(m_champLongitude->text(), plageLongitude.maximum);
    }
    return true;
}

} // namespace kv
