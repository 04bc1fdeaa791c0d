#include "minibondepeseeform.h"
#include "widgets/dateentry.h"

#include "widgets/plaintext.h"
#include "widgets/dateentry.h"
#include "widgets/sharedannouncement.h"
#include "widgets/windowtitle.h"

#include "dispositionetroite.h"
#include "piecejointepreview.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "model/plages.h"
#include "model/records.h"
#include "platform/desktopopener.h"
#include "platform/filehelpers.h"
#include "widgets/elidedlabel.h"
#include "widgets/etiquetterepliable.h"
#include "widgets/focusstyle.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/liveform.h"
#include "widgets/forms/windowkey.h"
#include "widgets/icons.h"
#include "widgets/macsectionheader.h"
#include "rentals/modifierlocation.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QToolButton>
#include <QToolTip>
#include <QTimer>
#include <QScrollArea>
#include <QApplication>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

template<typename Label>
Label* enSecondaire(Label* l)
{
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, forms::toneColor(forms::Tone::Secondary, pal.color(QPalette::WindowText)));
    l->setPalette(pal);
    return l;
}

QLabel* texteSecondaire(const QString& texte, QWidget* parent)
{
    return enSecondaire(new QLabel(texte, parent));
}

// A stored name: cut with "…" when the form is narrow, whole in its tool tip.
ElidedLabel* nomSecondaire(QWidget* parent)
{
    return enSecondaire(new ElidedLabel(QString(), parent));
}

// The text with a break allowed anywhere in a long run without blanks (a typed text, a file's
// name), so that a wrapped label never widens the form; a character and its marks stay whole.
QString coupableNimporteOu(const QString& texte)
{
    constexpr int kSansCoupure = 20;
    QString out;
    out.reserve(texte.size());
    int suite = 0;
    for (const QChar c : texte) {
        if (c.isSpace())
            suite = 0;
        else if (++suite > kSansCoupure && !c.isLowSurrogate() && !c.isMark())
            out.append(QChar(0x200B)); // zero-width space
        out.append(c);
    }
    return out;
}

// A ticket's row: flat, as a line of the list, and framed while it has the keyboard (a flat
// button of the style draws no focus of its own).
class BoutonDeLigne : public QPushButton {
public:
    using QPushButton::QPushButton;

    // A row shows its texts through a layout of its own: it asks for the room they need whole (a
    // weight whole, an absurd one cut), which a push button's own measure (of its text, none
    // here) leaves out.
    QSize sizeHint() const override
    {
        // (A push button's minimum is its size hint: both are this one.)
        return layout() ? layout()->minimumSize().expandedTo(QPushButton::sizeHint()) : QPushButton::sizeHint();
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPushButton::paintEvent(event);
        if (hasFocus()) {
            QPainter p(this);
            paintFocusFrame(&p, rect(), palette(), false);
        }
    }
};

// A room of the same size whatever it holds, so that nothing around it moves as it fills.
// Its hint grows by what it holds beside the badge while that shows (the mark of a typed weight).
class PlaceGardee : public QWidget {
public:
    QSize minimum;
    QWidget* enPlus = nullptr;
    QSize sizeHint() const override
    {
        return enPlus && !enPlus->isHidden() ? minimum + QSize(6 + enPlus->sizeHint().width(), 0) : minimum;
    }
    QSize minimumSizeHint() const override { return minimum; }
};

QString texteDateCourte(const QDateTime& date)
{
    return QLocale().toString(date.toLocalTime(), QLocale::ShortFormat);
}

QString filtreDocuments()
{
    QStringList motifs{QStringLiteral("*.pdf")};
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        motifs << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    for (const char* autre : {"jpg", "jpeg", "png", "tif", "tiff", "webp", "heic", "heif", "gif", "bmp"})
        if (!motifs.contains(QStringLiteral("*.") + QLatin1String(autre)))
            motifs << QStringLiteral("*.") + QLatin1String(autre);
    return QStringLiteral("Documents PDF et images (%1)").arg(motifs.join(QLatin1Char(' ')));
}

QString demanderDocument(QWidget* parent)
{
    return FileHelpers::askOpenFileName(parent, QStringLiteral("Ajouter un bordereau"), QDir::homePath(),
                                        filtreDocuments());
}

} // namespace

QList<BonDePesee*> bonsParDate(const LocationDeBenne* location)
{
    if (!location)
        return {};
    QList<BonDePesee*> bons = location->bonsDePesee();
    std::stable_sort(bons.begin(), bons.end(),
                     [](const BonDePesee* a, const BonDePesee* b) { return a->dateMs() > b->dateMs(); });
    return bons;
}

BonDePesee* dernierBon(const LocationDeBenne* location)
{
    // The newest ticket is the first in ticket order: the first of the latest date.
    if (!location)
        return nullptr;
    BonDePesee* dernier = nullptr;
    for (BonDePesee* b : location->bonsDePesee())
        if (!dernier || b->dateMs() > dernier->dateMs())
            dernier = b;
    return dernier;
}

QString kilosEntiers(double poids)
{
    if (std::isnan(poids))
        return QStringLiteral("—");
    if (std::isinf(poids))
        return poids > 0 ? QStringLiteral("∞") : QStringLiteral("-∞");
    const double entier = std::trunc(poids);
    // Beyond 2^63 a cast is undefined: the double's own digits are written instead.
    if (entier >= 9.2233720368547758e18 || entier < -9.2233720368547758e18)
        return formatFixed(entier, 0);
    return QString::number(static_cast<qint64>(entier));
}

MiniBonDePeseeForm::MiniBonDePeseeForm(ModelContext* context, LocationDeBenne* location, Horloge horloge,
                                       DossierTickets dossier, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_location(location),
      m_horloge(std::move(horloge)),
      m_dossier(std::move(dossier)),
      m_picker(demanderDocument)
{
    setObjectName(QStringLiteral("MiniBonDePeseeForm"));
    construire();
    lierChamps();
    connect(m_context, &ModelContext::changed, this, &MiniBonDePeseeForm::contexteChange);
    m_bonsConnus = m_location ? m_location->bonsDePesee() : QList<BonDePesee*>();
    selectionnerBon(dernierBon(m_location));
}

MiniBonDePeseeForm::~MiniBonDePeseeForm()
{
    // Only the copy goes: the records may already be gone, and no stored ticket names it.
    if (m_copie)
        m_dossier.retirer(*m_copie, nullptr);
    partGone(this);
}

QString MiniBonDePeseeForm::formatPoids(double poids)
{
    if (!std::isfinite(poids))
        return QString::number(poids);
    // Two decimals at most, ties to even as a number formatter rounds (the amounts' rule),
    // trailing zeros dropped, no grouping.
    QString texte = formatDecimalHalfEven(poids, 2);
    while (texte.endsWith(QLatin1Char('0')))
        texte.chop(1);
    if (texte.endsWith(QLatin1Char('.')))
        texte.chop(1);
    const QLocale locale;
    texte.replace(QLatin1Char('.'), locale.decimalPoint());
    if (texte.startsWith(QLatin1Char('-')))
        texte.replace(0, 1, locale.negativeSign());
    return texte;
}

QString MiniBonDePeseeForm::poidsNetKgStr() const
{
    return m_poids->text();
}

QString MiniBonDePeseeForm::titreFenetre() const
{
    const Client* client = m_location ? m_location->client() : nullptr;
    return QStringLiteral("Bon de pesée — ") + (client ? nomClientDistinct(client) : QString());
}

// ---------------------------------------------------------------------------------------------
// Layout

void MiniBonDePeseeForm::construire()
{
    m_racine = new QVBoxLayout(this);
    m_racine->setContentsMargins(16, 14, 16, 12);
    m_racine->setSpacing(8);

    m_sectionListe = new QWidget(this);
    auto* liste = new QVBoxLayout(m_sectionListe);
    liste->setContentsMargins(0, 0, 0, 0);
    liste->setSpacing(4);
    // The subtitle is a sentence: it wraps under the title rather than being cut.
    auto* enteteListe = new MacSectionHeader(QStringLiteral("Liste des bons de pesée"), std::nullopt,
                                             QStringLiteral("arrow.triangle.2.circlepath"), false, true, 0, 0, 0,
                                             nullptr, nullptr, m_sectionListe);
    ajouterSousTitreRepliable(enteteListe, QStringLiteral("Plusieurs bons signifient plusieurs rotations dans la journée"));
    liste->addWidget(enteteListe);
    // The tickets stand in the form, which scrolls as a whole: no scroll bar inside it.
    m_pileListe = liste;
    m_racine->addWidget(m_sectionListe);

    m_racine->addWidget(construireChamps());

    m_ajouter = new QPushButton(symbolIcon(QStringLiteral("paperclip")), QStringLiteral("Ajouter un bordereau"), this);
    m_ajouter->setObjectName(QStringLiteral("ajouterBordereau"));
    connect(m_ajouter, &QPushButton::clicked, this, &MiniBonDePeseeForm::ajouterBordereau);
    m_racine->addWidget(m_ajouter, 0, Qt::AlignLeft);

    m_ligneErreur = new QLabel(this);
    m_ligneErreur->setObjectName(QStringLiteral("ligneErreur"));
    m_ligneErreur->setWordWrap(true);
    m_ligneErreur->setTextFormat(Qt::PlainText); // it quotes what was typed
    m_ligneErreur->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette rouge = m_ligneErreur->palette();
    rouge.setColor(QPalette::WindowText, QColor(0xD7, 0x00, 0x15));
    m_ligneErreur->setPalette(rouge);
    m_ligneErreur->hide();
    m_racine->addWidget(m_ligneErreur);

    m_racine->addWidget(construireBoutons());
    m_racine->addWidget(construireLignePieceJointe());

    auto* trait = new QFrame(this);
    trait->setFrameShape(QFrame::HLine);
    trait->setFrameShadow(QFrame::Sunken);
    m_racine->addWidget(trait);

    m_apercu = new PieceJointePreview(this);
    m_apercu->setMinimumHeight(160);
    m_racine->addWidget(m_apercu, 1);

    // Ctrl+Return (or the keypad's Enter) saves from anywhere in the window, the list of
    // rentals beside the form included; Ctrl+S too, as in every editor.
    new forms::WindowKey(this, QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { enregistrerBon(); });
    forms::addSaveKeys(this, m_enregistrer);
    // Ctrl+Escape takes the typed work back (asking first); the rental stays chosen.
    new forms::WindowKey(this, QKeySequence(Qt::CTRL | Qt::Key_Escape), [this] { reprendre(); });
    for (QAbstractButton* b : findChildren<QAbstractButton*>())
        b->installEventFilter(this);
}

QWidget* MiniBonDePeseeForm::construireChamps()
{
    auto* champs = new TableChamps(this);

    m_dateEdit = new QDateTimeEdit(champs);
    m_dateEdit->setObjectName(QStringLiteral("champDate"));
    m_dateEdit->setCalendarPopup(true);
    m_dateEdit->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm"));
    connect(m_dateEdit, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& d) { m_date = d; });
    champs->ajouter(QStringLiteral("Date"), m_dateEdit, Qt::AlignLeft);

    m_centre = nomSecondaire(champs);
    m_centre->setObjectName(QStringLiteral("centreTraitement"));
    champs->ajouter(QStringLiteral("Centre traitement"), m_centre);

    auto* poids = new QWidget(champs);
    auto* lignePoids = new QHBoxLayout(poids);
    lignePoids->setContentsMargins(0, 0, 0, 0);
    m_poids = new QLineEdit(poids);
    m_poids->setObjectName(QStringLiteral("champPoids"));
    m_poids->setMaximumWidth(180);
    connect(m_poids, &QLineEdit::textChanged, this, &MiniBonDePeseeForm::rafraichirBadgePoids);
    lignePoids->addWidget(m_poids);
    lignePoids->addStretch();
    champs->ajouter(QStringLiteral("Poids net (kg)"), poids, {}, m_poids);

    // The waste type's name, then its price: the price goes under the name when both do not fit.
    auto* dechet = new RangeePliable(champs);
    // It takes the whole field's width: given only its own, a row once folded would ask for its
    // folded width and stay folded however wide the pane grows.
    dechet->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    dechet->row()->setContentsMargins(0, 0, 0, 0);
    dechet->row()->setSpacing(6);
    m_dechetLibelle = nomSecondaire(dechet);
    m_dechetLibelle->setObjectName(QStringLiteral("dechetLibelle"));
    auto* prix = new QWidget(dechet);
    auto* lignePrix = new QHBoxLayout(prix);
    lignePrix->setContentsMargins(0, 0, 0, 0);
    lignePrix->setSpacing(6);
    // In the narrowest pane the words give way with « … », whole in their tool tip.
    lignePrix->addWidget(new ElidedLabel(QStringLiteral("Prix par tonne"), prix));
    m_prix = texteSecondaire(QString(), prix);
    m_prix->setObjectName(QStringLiteral("prixParTonne"));
    lignePrix->addWidget(m_prix);
    dechet->row()->addWidget(m_dechetLibelle);
    dechet->row()->addSpacing(8); // 20 points before the price, with the two spacings
    dechet->row()->addWidget(prix);
    dechet->row()->addStretch();
    champs->ajouter(QStringLiteral("Déchet : "), dechet);

    m_pose = texteSecondaire(QString(), champs);
    m_pose->setObjectName(QStringLiteral("datePose"));
    champs->ajouter(QStringLiteral("Pose le : "), m_pose);
    return champs;
}

QWidget* MiniBonDePeseeForm::construireBoutons()
{
    // At the trailing edge; one under the other when the pane is too narrow for both.
    auto* boutons = new RangeePliable(this);
    boutons->row()->setContentsMargins(0, 4, 0, 4);
    boutons->row()->addStretch();
    auto* nouveau = new QPushButton(symbolIcon(QStringLiteral("plus")), QStringLiteral("Nouveau bon"), boutons);
    m_nouveau = nouveau;
    nouveau->setObjectName(QStringLiteral("nouveauBon"));
    connect(nouveau, &QPushButton::clicked, this, &MiniBonDePeseeForm::nouveauBon);
    auto* enregistrer = new QPushButton(symbolIcon(QStringLiteral("tray.and.arrow.down")),
                                        QStringLiteral("Enregistrer"), boutons);
    enregistrer->setObjectName(QStringLiteral("enregistrer"));
    enregistrer->setToolTip(QStringLiteral("Enregistrer (Ctrl+S ou Ctrl+Entrée)"));
    connect(enregistrer, &QPushButton::clicked, this, [this] { enregistrerBon(); });
    m_enregistrer = enregistrer;
    boutons->row()->addWidget(nouveau);
    boutons->row()->addWidget(enregistrer);
    return boutons;
}

QWidget* MiniBonDePeseeForm::construireLignePieceJointe()
{
    // The text, or the three buttons at the trailing edge; they go one under the other when
    // the pane is narrow, the longest text cut with "…".
    auto* rangee = new RangeePliable(this);
    rangee->row()->setContentsMargins(0, 0, 0, 0);
    m_aucunePiece = texteSecondaire(QStringLiteral("Aucune pièce jointe"), rangee);
    m_aucunePiece->setObjectName(QStringLiteral("aucunePiece"));
    rangee->row()->addWidget(m_aucunePiece);
    rangee->row()->addStretch();
    auto bouton = [this, rangee](QPushButton* b, const char* nom, void (MiniBonDePeseeForm::*action)()) {
        b->setObjectName(QLatin1String(nom));
        connect(b, &QPushButton::clicked, this, action);
        rangee->row()->addWidget(b);
        m_boutonsPiece.append(b);
        return b;
    };
    m_ouvrir = bouton(new QPushButton(symbolIcon(QStringLiteral("doc.text.magnifyingglass")), DesktopOpener::openLabel(), rangee),
                      "ouvrirDansApercu", &MiniBonDePeseeForm::ouvrirDansApercu);
    m_reveler = bouton(new QPushButton(symbolIcon(QStringLiteral("folder")), DesktopOpener::revealLabel(), rangee),
                       "revelerDansFinder", &MiniBonDePeseeForm::revelerDansFinder);
    m_dissocier = new BoutonAbrege(symbolIcon(QStringLiteral("xmark.circle")),
                                   QStringLiteral("Supprimer l'association avec cette pièce"), rangee);
    bouton(m_dissocier, "supprimerFichier", &MiniBonDePeseeForm::supprimerFichier);
    return rangee;
}

// ---------------------------------------------------------------------------------------------
// What is shown

void MiniBonDePeseeForm::rafraichir()
{
    rafraichirEnTete();
    rafraichirListe();
    rafraichirChamps();
    rafraichirPieceJointe();
    appliquerTitre();
}

QStringList MiniBonDePeseeForm::tagsEnTete() const
{
    QStringList tags;
    tags << (m_cheminFichier && !m_cheminFichier->isEmpty() ? QStringLiteral("Pièce jointe")
                                                             : QStringLiteral("Sans document pour le moment"));
    // A weight only once the text reads as one that "Enregistrer" would keep.
    bool ok = false;
    const std::optional<double> poids = poidsSaisi(&ok);
    if (ok && poids && *poids > 0 && plages::poidsNetKg.contient(*poids))
        tags << kilosEntiers(*poids) + QStringLiteral(" kg");
    return tags;
}

void MiniBonDePeseeForm::rafraichirEnTete()
{
    // Side by side, or one under the other when the pane is narrow.
    auto* badges = new RangeePliable;
    QBoxLayout* ligne = badges->row();
    ligne->setContentsMargins(0, 0, 0, 0);
    ligne->setSpacing(6);
    const QStringList tags = tagsEnTete();
    // A sentence rather than a name: it wraps in a narrow pane.
    auto* etatPiece = new EtiquetteRepliable(tags.value(0), tags.value(0) == QStringLiteral("Pièce jointe")
                                                                ? QStringLiteral("paperclip")
                                                                : QStringLiteral("xmark.circle.fill"));
    etatPiece->setObjectName(QStringLiteral("etatPiece"));
    ligne->addWidget(etatPiece);
    // The weight's badge comes and goes as the user types: its room is kept, as wide as the
    // widest weight, and only the badge inside it changes, so that the header never folds or
    // unfolds under the pointer and the buttons below never move.
    auto* placePoids = new PlaceGardee;
    placePoids->setObjectName(QStringLiteral("placeBadgePoids"));
    auto* dansPlace = new QHBoxLayout(placePoids);
    dansPlace->setContentsMargins(0, 0, 0, 0);
    if (m_largeurBadgePoids == 0) {
        // The widest digit six times: no weight in the range is wider.
        MacTag mesure(QString(), QStringLiteral("scalemass.fill"));
        const QFontMetrics fm(mesure.font());
        QChar large = QLatin1Char('0');
        for (char c = '1'; c <= '9'; ++c)
            if (fm.horizontalAdvance(QLatin1Char(c)) > fm.horizontalAdvance(large))
                large = QLatin1Char(c);
        MacTag plusLarge(QString(6, large) + QStringLiteral(" kg"), QStringLiteral("scalemass.fill"));
        m_largeurBadgePoids = plusLarge.sizeHint().width();
        m_hauteurBadgePoids = plusLarge.sizeHint().height();
    }
    // It takes the room the header leaves beside the badge, cut with « … » rather than widen it.
    m_marqueSaisie = enSecondaire(new ElidedLabel(QStringLiteral("non enregistré"), placePoids));
    m_marqueSaisie->setObjectName(QStringLiteral("poidsNonEnregistre"));
    m_marqueSaisie->setFont(forms::fontFor(forms::TextStyle::Caption, font()));
    m_marqueSaisie->hide();
    m_marqueSaisie->setMinimumWidth(1); // the badge first, whole
    dansPlace->addWidget(m_marqueSaisie, 1);
    dansPlace->setSpacing(6);
    // It asks for the badge's room alone, and the mark's while it shows.
    placePoids->minimum = QSize(m_largeurBadgePoids, m_hauteurBadgePoids);
    placePoids->enPlus = m_marqueSaisie;
    placePoids->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    ligne->addWidget(placePoids);
    m_placePoids = placePoids;
    // The rental it weighs, corrected from here (its client, site or waste type may be wrong).
    if (m_location) {
        auto* modifier = new QToolButton;
        modifier->setObjectName(QStringLiteral("boutonModifierLocation"));
        modifier->setText(texteModifierLocation());
        modifier->setToolTip(raccourciModifierLocation().toString(QKeySequence::NativeText));
        modifier->setAutoRaise(true);
        // Like the help beside it, no Tab stop among the ticket's fields: its key works from any.
        modifier->setFocusPolicy(Qt::NoFocus);
        connect(modifier, &QToolButton::clicked, this, [this] {
            if (m_location)
                modifierLocation(this, m_context, m_location);
        });
        ligne->addWidget(modifier);
        if (!m_cleModifier) {
            m_cleModifier = new QShortcut(raccourciModifierLocation(), this, [this] {
                if (m_location)
                    modifierLocation(this, m_context, m_location);
            });
            m_cleModifier->setContext(Qt::WidgetWithChildrenShortcut);
        }
    }
    m_badgePoids = nullptr;
    rafraichirBadgePoids();

    // Reached by Tab as any button, its text said by a click or a key as by hovering it.
    auto* aide = new QToolButton;
    aide->setObjectName(QStringLiteral("aideBon"));
    aide->setAutoRaise(true);
    aide->setIcon(symbolIcon(QStringLiteral("questionmark.circle")));
    aide->setToolTip(QStringLiteral("Aide sur la saisie du bon de pesée"));
    aide->setAccessibleName(aide->toolTip());
    aide->setFocusPolicy(Qt::StrongFocus);
    aide->installEventFilter(this);
    connect(aide, &QToolButton::clicked, aide, [aide] {
        QToolTip::showText(aide->mapToGlobal(QPoint(0, aide->height())), aide->toolTip(), aide);
    });
    const bool aideAvaitLeFocus = m_entete && m_entete->isAncestorOf(QApplication::focusWidget());

    const Client* client = m_location ? m_location->client() : nullptr;
    auto* entete = new MacSectionHeader(QStringLiteral("Bon de pesée"),
                                        client ? std::optional<QString>(client->nom()) : std::nullopt,
                                        QStringLiteral("scalemass"), true, false, 0, 0, 0, badges, aide, this);
    entete->setObjectName(QStringLiteral("enteteBon"));
    if (auto* nom = entete->findChild<ElidedLabel*>(QStringLiteral("subtitle")); nom && client)
        nom->setText(nomClientDistinct(client), [client](const Tient& tient) { return nomClientDistinct(client, tient); });
    if (m_entete) {
        m_racine->replaceWidget(m_entete, entete);
        delete m_entete;
    } else {
        m_racine->insertWidget(0, entete);
        m_racine->insertSpacing(1, 2);
    }
    m_entete = entete;
    ordonnerTabulation(); // the new help button in its place
    if (aideAvaitLeFocus)
        aide->setFocus(Qt::OtherFocusReason);
}

void MiniBonDePeseeForm::rafraichirBadgePoids()
{
    if (!m_placePoids)
        return;
    const QStringList tags = tagsEnTete();
    const QString texte = tags.size() > 1 ? tags.value(1) : QString();
    // A weight typed and not stored says so beside its badge: another window may show the
    // stored one meanwhile.
    const bool saisi = !texte.isEmpty() && m_live && m_live->typed(kPoids);
    if (m_marqueSaisie->isHidden() == saisi) {
        m_marqueSaisie->setVisible(saisi);
        m_placePoids->updateGeometry();
    }
    if (m_badgePoids && m_badgePoids->text() == texte) {
        m_badgePoids->setAccessibleName(saisi ? texte + QStringLiteral(", ") + m_marqueSaisie->text() : texte);
        return;
    }
    delete m_badgePoids;
    m_badgePoids = nullptr;
    if (texte.isEmpty())
        return;
    m_badgePoids = new MacTag(texte, QStringLiteral("scalemass.fill"), nullptr, m_placePoids);
    m_badgePoids->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_badgePoids->setAccessibleName(saisi ? texte + QStringLiteral(", ") + m_marqueSaisie->text() : texte);
    static_cast<QBoxLayout*>(m_placePoids->layout())->insertWidget(0, m_badgePoids);
}

void MiniBonDePeseeForm::rafraichirListe()
{
    const QList<BonDePesee*> bons = bonsParDate(m_location);
    // Where the keyboard is in the rows, to put it back on the rebuilt ones.
    QWidget* focus = window()->focusWidget();
    qsizetype rangFocus = -1;
    for (qsizetype i = 0; i < m_lignes.size() && focus; ++i)
        if (m_lignes[i]->isAncestorOf(focus))
            rangFocus = i;
    BonDePesee* bonFocus = rangFocus >= 0 ? m_bonsListes.value(rangFocus) : nullptr;
    const bool surCorbeille = rangFocus >= 0 && focus->objectName() == QStringLiteral("supprimerBon");
    QList<QWidget*> lignes;
    m_sectionListe->setVisible(!bons.isEmpty());
    auto* liste = new QWidget;
    liste->setObjectName(QStringLiteral("listeBons"));
    auto* pile = new QVBoxLayout(liste);
    pile->setContentsMargins(0, 0, 4, 0);
    pile->setSpacing(8);
    const QFont base = font();
    for (BonDePesee* bon : bons) {
        auto* rangee = new QWidget(liste);
        rangee->setObjectName(QStringLiteral("ligneBon"));
        auto* ligne = new QHBoxLayout(rangee);
        ligne->setContentsMargins(0, 0, 0, 0);

        auto* choisir = new BoutonDeLigne(rangee);
        choisir->setObjectName(QStringLiteral("choisirBon"));
        choisir->setFlat(true);
        choisir->setCursor(Qt::PointingHandCursor);
        auto* contenu = new QHBoxLayout(choisir);
        contenu->setContentsMargins(4, 2, 4, 2);
        contenu->setSpacing(12);
        auto* date = new QLabel(texteDateCourte(bon->date()), choisir);
        date->setObjectName(QStringLiteral("dateBon"));
        QFont fd = forms::fontFor(forms::TextStyle::Callout, base);
        fd.setWeight(bon == m_bonCourant ? QFont::DemiBold : QFont::Normal);
        date->setFont(fd);
        // A stored weight may be any number: cut with "…" rather than widen the form.
        auto* poids = nomSecondaire(choisir);
        poids->setText(kilosEntiers(bon->poidsNetKg()) + QStringLiteral(" kg"));
        poids->setObjectName(QStringLiteral("poidsBon"));
        poids->setFont(forms::fontFor(forms::TextStyle::Callout, base));
        // A weight within the bounds a weight is typed in stays whole; only an absurd one gives way.
        if (plages::poidsNetKg.contient(bon->poidsNetKg()))
            poids->setMinimumWidth(poids->sizeHint().width());
        contenu->addWidget(date);
        contenu->addWidget(poids);
        if (bon->cheminFichierTicket() && !bon->cheminFichierTicket()->isEmpty()) {
            auto* trombone = new QLabel(choisir);
            trombone->setObjectName(QStringLiteral("tromboneBon"));
            trombone->setPixmap(symbolIcon(QStringLiteral("paperclip")).pixmap(14, 14));
            trombone->setToolTip(QStringLiteral("Bordereau joint"));
            contenu->addWidget(trombone);
        }
        contenu->addStretch();
        for (QLabel* l : choisir->findChildren<QLabel*>())
            if (l->toolTip().isEmpty())
                l->setAttribute(Qt::WA_TransparentForMouseEvents);
        choisir->setMinimumHeight(contenu->sizeHint().height());
        choisir->setAccessibleName(date->text() + QLatin1Char(' ') + poids->text());
        // The ticket loaded keeps what is typed; another one asks before it goes.
        connect(choisir, &QPushButton::clicked, this, [this, bon] {
            if (bon->isDeleted() || bon == m_bonCourant)
                return;
            apresQuestion([this, bon] {
                if (!bon->isDeleted())
                    selectionnerBon(bon);
            });
        });
        ligne->addWidget(choisir, 1);

        auto* corbeille = new QToolButton(rangee);
        corbeille->setObjectName(QStringLiteral("supprimerBon"));
        corbeille->setAutoRaise(true);
        corbeille->setIcon(symbolIcon(QStringLiteral("trash")));
        corbeille->setToolTip(QStringLiteral("Supprimer ce bon"));
        connect(corbeille, &QToolButton::clicked, this, [this, bon] { demanderSuppression(bon); });
        ligne->addWidget(corbeille);
        pile->addWidget(rangee);
        for (QAbstractButton* b : {static_cast<QAbstractButton*>(choisir), static_cast<QAbstractButton*>(corbeille)})
            b->installEventFilter(this);
        lignes.append(rangee);

        auto* trait = new QFrame(liste);
        trait->setFrameShape(QFrame::HLine);
        trait->setFrameShadow(QFrame::Sunken);
        pile->addWidget(trait);
    }
    pile->addStretch();
    m_pileListe->addWidget(liste);
    liste->show();
    m_lignes = lignes;
    m_bonsListes = bons;
    ordonnerTabulation();
    if (rangFocus >= 0) {
        // The same ticket's row; the one that took the place of a ticket gone (the one before
        // when it was the last); the form's first field once no ticket is left.
        qsizetype rang = bons.indexOf(bonFocus);
        const bool memeBon = rang >= 0;
        if (!memeBon)
            rang = std::min(rangFocus, bons.size() - 1);
        if (rang < 0)
            m_dateEdit->setFocus(Qt::OtherFocusReason);
        else
            lignes[rang]
                ->findChild<QAbstractButton*>(memeBon && surCorbeille ? QStringLiteral("supprimerBon")
                                                                        : QStringLiteral("choisirBon"))
                ->setFocus(Qt::OtherFocusReason);
    }
    // The former rows may hold the button being clicked: they go at the next turn.
    if (m_liste) {
        m_pileListe->removeWidget(m_liste);
        m_liste->hide();
        m_liste->setParent(nullptr);
        m_liste->deleteLater();
    }
    m_liste = liste;
}

void MiniBonDePeseeForm::ordonnerTabulation()
{
    // Rows made anew join the end of the window's Tab order: Tab is put back in reading order,
    // the rows first, then the fields and buttons under them, where the form's first stop was.
    QWidget* avant = nullptr;
    for (QWidget* w = m_dateEdit->previousInFocusChain(); w && w != m_dateEdit; w = w->previousInFocusChain())
        if (w != this && !isAncestorOf(w) && !w->isAncestorOf(this) && (w->focusPolicy() & Qt::TabFocus)) {
            avant = w;
            break;
        }
    QList<QWidget*> ordre;
    // The header's help first: it stands above the rows.
    if (auto* aide = m_entete ? m_entete->findChild<QToolButton*>(QStringLiteral("aideBon")) : nullptr)
        ordre << aide;
    for (QWidget* ligne : std::as_const(m_lignes))
        for (QAbstractButton* b : ligne->findChildren<QAbstractButton*>())
            ordre << b;
    ordre << m_dateEdit << m_poids << m_ajouter << m_nouveau << m_enregistrer << m_ouvrir << m_reveler << m_dissocier;
    for (QWidget* w : std::as_const(ordre)) {
        if (avant)
            setTabOrder(avant, w);
        avant = w;
    }
}

bool MiniBonDePeseeForm::eventFilter(QObject* objet, QEvent* event)
{
    // Return presses a focused button, as Space does.
    if (event->type() == QEvent::KeyPress) {
        auto* touche = static_cast<QKeyEvent*>(event);
        auto* bouton = qobject_cast<QAbstractButton*>(objet);
        if (bouton && bouton->isEnabled() && (touche->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
            && (touche->key() == Qt::Key_Return || touche->key() == Qt::Key_Enter)) {
            bouton->click();
            return true;
        }
    }
    return QWidget::eventFilter(objet, event);
}

std::optional<QString> MiniBonDePeseeForm::centreDuType() const
{
    const TypeDechet* type = m_location ? m_location->typeDechet() : nullptr;
    const CentreTraitement* centre = type ? type->centreFavori() : nullptr;
    return centre ? std::optional<QString>(centre->nom()) : std::nullopt;
}

QString MiniBonDePeseeForm::centreTexte() const
{
    // A stored ticket shows the centre it was taken to; a new one, where it will be taken.
    const std::optional<QString> centre = m_bonCourant ? m_bonCourant->centreTraitement() : centreDuType();
    return centre ? *centre : QStringLiteral("—");
}

QString MiniBonDePeseeForm::prixTexte() const
{
    const TypeDechet* type = m_location ? m_location->typeDechet() : nullptr;
    if (!type || !type->prixBaseParTonne())
        return QStringLiteral("—");
    return formatFixed(*type->prixBaseParTonne(), 2) + QStringLiteral(" €/t HT");
}

QString MiniBonDePeseeForm::dechetTexte() const
{
    const TypeDechet* type = m_location ? m_location->typeDechet() : nullptr;
    return type ? type->libelle() : QString();
}

QString MiniBonDePeseeForm::poseTexte() const
{
    return m_location ? QLocale().toString(m_location->datePose().toLocalTime().date(), QLocale::ShortFormat) : QString();
}

void MiniBonDePeseeForm::rafraichirChamps()
{
    m_centre->setText(centreTexte());
    m_dechetLibelle->setText(dechetTexte());
    m_dechetLibelle->setVisible(!dechetTexte().isEmpty());
    m_prix->setText(prixTexte());
    m_pose->setText(poseTexte());
}

void MiniBonDePeseeForm::rafraichirPieceJointe()
{
    const bool avecPiece = m_cheminFichier && !m_cheminFichier->isEmpty();
    m_ajouter->setVisible(!avecPiece);
    m_aucunePiece->setVisible(!avecPiece);
    for (QPushButton* b : std::as_const(m_boutonsPiece))
        b->setVisible(avecPiece);
    // Only a file of the tickets folder is opened, shown or previewed.
    const bool dansDossier = avecPiece && m_dossier.contient(*m_cheminFichier);
    m_ouvrir->setEnabled(dansDossier);
    m_reveler->setEnabled(dansDossier);
    if (!avecPiece)
        m_apercu->setChemin(std::nullopt);
    else if (!dansDossier && QFileInfo::exists(*m_cheminFichier))
        m_apercu->setHorsDossier(*m_cheminFichier);
    else
        m_apercu->setChemin(m_cheminFichier);
    if (avecPiece && !dansDossier)
        m_dissocier->setBulle(QStringLiteral("Le fichier est hors du dossier des tickets : il reste sur le disque."));
    else
        m_dissocier->setBulle(QString());
}

void MiniBonDePeseeForm::setErreur(const QString& erreur)
{
    m_erreur = erreur;
    m_ligneErreur->setText(coupableNimporteOu(erreur));
    m_ligneErreur->setVisible(!erreur.isEmpty());
    if (erreur.isEmpty())
        return;
    // The red line may stand below the part of the form in view: it is brought there once the
    // form is laid out with it, or the refusal would look like nothing happened.
    QTimer::singleShot(0, m_ligneErreur, [this] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (QWidget* w = parentWidget(); w; w = w->parentWidget())
            if (auto* defilement = qobject_cast<QScrollArea*>(w)) {
                defilement->ensureWidgetVisible(m_ligneErreur, 0, 8);
                break;
            }
    });
}

void MiniBonDePeseeForm::appliquerTitre()
{
    // The window decides its title: the form's while it is shown, its screen's otherwise.
    setPartTitle(this, titreFenetre());
}

void MiniBonDePeseeForm::focusFirstField()
{
    m_dateEdit->setFocus(Qt::TabFocusReason);
}

QSize MiniBonDePeseeForm::minimumSizeHint() const
{
    // As high as the wrapped lines need at the form's width: the panes above know nothing of
    // heights that follow widths.
    QSize taille = QWidget::minimumSizeHint();
    if (width() > 0 && m_racine->hasHeightForWidth())
        taille.setHeight(std::max(taille.height(), m_racine->totalMinimumHeightForWidth(width())));
    return taille;
}

void MiniBonDePeseeForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (event->oldSize().width() != event->size().width())
        updateGeometry();
}

void MiniBonDePeseeForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Placed in its window now: its stops go where its first one stands.
    ordonnerTabulation();
    appliquerTitre();
}

void MiniBonDePeseeForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    appliquerTitre();
}

// ---------------------------------------------------------------------------------------------
// Loading

void MiniBonDePeseeForm::setLocation(LocationDeBenne* location)
{
    m_location = location;
    m_bonsConnus = m_location ? m_location->bonsDePesee() : QList<BonDePesee*>();
    // Whatever the two rentals' tickets, nothing typed for the former goes to the new one.
    selectionnerBon(dernierBon(m_location));
}

void MiniBonDePeseeForm::lierChamps()
{
    m_live = new forms::LiveForm(m_context, [this]() -> Record* { return m_bonCourant; }, this);
    // Shown and stored alike: the date as its instant, the weight as the field shows it, the
    // document as its path (none and an empty path both show « Aucune pièce jointe »).
    const auto poidsStocke = [this] {
        const std::optional<double> kg = m_bonCourant->poidsDechetsKg();
        return kg ? formatPoids(*kg) : QString();
    };
    QList<forms::LiveField> champs(3);
    champs[kDate] = {QStringLiteral("Date"), [this] { return QString::number(m_date.toMSecsSinceEpoch()); },
                     [this] { return QString::number(m_bonCourant->dateMs()); },
                     [this] { montrerDate(m_bonCourant->date()); }, [this] { m_bonCourant->setDate(m_date); }};
    champs[kPoids] = {QStringLiteral("Poids net (kg)"), [this] { return poidsTape(); }, poidsStocke,
                      [this, poidsStocke] { m_poids->setText(poidsStocke()); },
                      [this] {
                          bool ok = false; // read as the save checked it
                          m_bonCourant->setPoidsDechetsKg(poidsSaisi(&ok));
                      }};
    champs[kPiece] = {QStringLiteral("Pièce jointe"), [this] { return m_cheminFichier.value_or(QString()); },
                      [this] { return m_bonCourant->cheminFichierTicket().value_or(QString()); },
                      [this] {
                          m_cheminFichier = m_bonCourant->cheminFichierTicket();
                          // A copy attached here and not kept goes.
                          if (m_copie && m_copie != m_cheminFichier)
                              abandonnerCopie();
                      },
                      [this] { m_bonCourant->setCheminFichierTicket(m_cheminFichier); }};
    m_live->setFields(champs);
    connect(m_live, &forms::LiveForm::followed, this, [this] {
        rafraichirEnTete();
        rafraichirPieceJointe();
    });
}

void MiniBonDePeseeForm::montrerDate(const QDateTime& date)
{
    m_date = date;
    const QSignalBlocker bloque(m_dateEdit);
    m_dateEdit->setDateTime(date.toLocalTime());
}

void MiniBonDePeseeForm::selectionnerBon(BonDePesee* bon)
{
    abandonnerCopie();
    m_bonCourant = bon;
    if (!bon) {
        // A new ticket's defaults: now, no weight, no document.
        montrerDate(m_horloge.maintenantLocal());
        m_poids->setText(QString());
        m_cheminFichier.reset();
    }
    m_live->loadAll();
    setErreur(QString());
    rafraichir();
}

void MiniBonDePeseeForm::reprendre()
{
    if (!hasUnsavedChanges())
        return;
    QPointer<MiniBonDePeseeForm> moi(this);
    forms::askToSaveChanges(
        this, [moi] { return moi && moi->enregistrerBon(); },
        [moi] {
            // The ticket shown again as stored (a new one's defaults when it has none yet).
            if (moi)
                moi->selectionnerBon(moi->m_bonCourant);
        },
        forms::Leaving::takingBack);
}

void MiniBonDePeseeForm::reinitialiserFormulaire()
{
    selectionnerBon(nullptr);
}

void MiniBonDePeseeForm::nouveauBon()
{
    apresQuestion([this] {
        reinitialiserFormulaire();
        m_dateEdit->setFocus();
    });
}

bool MiniBonDePeseeForm::hasUnsavedChanges() const
{
    return m_location && m_live->typed();
}

bool MiniBonDePeseeForm::canSaveChanges() const
{
    std::optional<double> poids;
    return m_location && refusDuPoids(&poids).isEmpty();
}

void MiniBonDePeseeForm::apresQuestion(std::function<void()> suite)
{
    if (!hasUnsavedChanges()) {
        suite();
        return;
    }
    QPointer<MiniBonDePeseeForm> moi(this);
    forms::askToSaveChanges(
        this, [moi] { return moi && moi->enregistrerBon(); },
        [moi, suite = std::move(suite)] {
            if (moi)
                suite();
        });
}

void MiniBonDePeseeForm::contexteChange(const ModelChanges& changes)
{
    constexpr EntityTypeMask lus = entityBit(EntityType::LocationDeBenne) | entityBit(EntityType::BonDePesee)
        | entityBit(EntityType::Client) | entityBit(EntityType::TypeDechet)
        | entityBit(EntityType::CentreTraitement);
    if (!m_location || !changes.touchesAny(lus))
        return;
    if (m_location->isDeleted()) {
        m_location = nullptr;
        m_bonsConnus.clear();
        selectionnerBon(nullptr);
        return;
    }
    const QList<BonDePesee*>& bons = m_location->bonsDePesee();
    if (bons != m_bonsConnus) {
        m_bonsConnus = bons;
        // A ticket still listed stays loaded with what is typed, and so does a new ticket being
        // typed; otherwise the newest comes.
        const bool perdu = m_bonCourant ? m_bonCourant->isDeleted() || !bons.contains(m_bonCourant)
                                        : !hasUnsavedChanges();
        if (perdu) {
            selectionnerBon(dernierBon(m_location));
            return;
        }
    }
    rafraichirEnTete();
    rafraichirListe();
    rafraichirChamps();
    appliquerTitre();
}

// ---------------------------------------------------------------------------------------------
// Saving and deleting

QString MiniBonDePeseeForm::poidsTape() const
{
    // A pasted weight often brings a line end: line ends and blanks around the number go.
    return m_poids->text().trimmed();
}

std::optional<double> MiniBonDePeseeForm::poidsSaisi(bool* ok) const
{
    return lirePoids(poidsTape(), ok);
}

std::optional<double> MiniBonDePeseeForm::lirePoids(const QString& texte, bool* ok)
{
    // Read as every number a user types is, grouping and decimal comma included.
    return lireNombre(texte, ok);
}

QString MiniBonDePeseeForm::refusDuPoids(std::optional<double>* poids) const
{
    bool ok = false;
    *poids = poidsSaisi(&ok);
    const QString tape = poidsTape();
    // Quoted by its beginning, so that the red line never grows with what was typed or pasted.
    const QString cite = quotedBeginning(tape, 32);
    if (!ok)
        return QStringLiteral("Le poids net « %1 » n'est pas un nombre : rien n'a été enregistré.").arg(cite);
    if (*poids && **poids < 0)
        return QStringLiteral("Le poids net « %1 » est négatif : rien n'a été enregistré.").arg(cite);
    // Only a typed weight is bound: a stored one outside the range stays as it is.
    if (m_live->typed(kPoids) && *poids && !plages::poidsNetKg.contient(**poids))
        return QStringLiteral("Le poids net « %1 » n'est pas %2 : rien n'a été enregistré.")
            .arg(cite, textePlage(plages::poidsNetKg));
    return QString();
}

bool MiniBonDePeseeForm::enregistrerBon()
{
    // Nothing is stored while the date typed stands refused.
    if (!m_location || stopForRefusedDate(this))
        return false;
    std::optional<double> poids;
    if (const QString refus = refusDuPoids(&poids); !refus.isEmpty()) {
        setErreur(refus);
        m_poids->setFocus();
        return false;
    }
    // A date refused as typed leaves the former one in the field: nothing is stored meanwhile.
    if (const QVariant refusee = m_dateEdit->property(kDateRefused); refusee.isValid()) {
        setErreur(QStringLiteral("La date « %1 » n'est pas valide : rien n'a été enregistré.")
                      .arg(quotedBeginning(refusee.toString().trimmed(), 32)));
        m_dateEdit->setFocus();
        return false;
    }
    if (demanderDateAvantPose())
        return false;
    QString erreur;
    if (m_bonCourant) {
        // Only the fields typed in are written: what another window stored in the others stays;
        // a field typed here and stored there meanwhile is asked about first.
        QPointer<MiniBonDePeseeForm> moi(this);
        if (m_live->askAboutConflicts(QStringLiteral("Ce bon de pesée a été modifié dans une autre fenêtre"), [moi] {
                if (moi)
                    moi->enregistrerBon();
            }))
            return false;
        BonDePesee* bon = m_bonCourant;
        const QDateTime ancienneDate = bon->date();
        const std::optional<double> ancienPoids = bon->poidsDechetsKg();
        const std::optional<QString> ancienChemin = bon->cheminFichierTicket();
        m_live->writeTyped();
        if (!m_context->save(&erreur)) {
            // Taken back: the store keeps the saved values, the form keeps what was typed.
            bon->setDate(ancienneDate);
            bon->setPoidsDechetsKg(ancienPoids);
            bon->setCheminFichierTicket(ancienChemin);
            setErreur(forms::saveFailedText(erreur));
            return false;
        }
    } else {
        BonDePesee* bon = m_location->ajouterBonDePesee(m_date, std::nullopt, std::nullopt, std::nullopt, poids,
                                                        m_cheminFichier);
        bon->setCentreTraitement(centreDuType());
        if (!m_context->save(&erreur)) {
            // A retry must not store two tickets.
            m_context->discardInsertion(bon);
            m_bonsConnus = m_location->bonsDePesee();
            setErreur(forms::saveFailedText(erreur));
            rafraichirListe();
            return false;
        }
        m_bonCourant = bon;
    }
    m_live->markAllLoaded();
    rafraichirBadgePoids();
    if (m_copie && m_cheminFichier == m_copie)
        m_copie.reset(); // the ticket holds it now
    setErreur(QString());
    announceOutcome(this, QStringLiteral("Bon de pesée du %1 enregistré.").arg(texteDateCourte(m_bonCourant->date())));
    emit saved(m_location);
    return true;
}

bool MiniBonDePeseeForm::demanderDateAvantPose()
{
    // Only a date the user gave: a stored ticket's own date is his business already.
    const bool dateDonnee = !m_bonCourant || m_live->typed(kDate);
    if (std::exchange(m_avantPoseConfirme, false) || !dateDonnee || !m_location
        || m_date.toMSecsSinceEpoch() >= m_location->datePoseMs() || forms::quitsWithoutQuestions())
        return false;
    const Client* client = m_location->client();
    const QString message =
        QStringLiteral("Le bon est daté du %1, avant la pose de la benne le %2%3. Enregistrer quand même ?")
            .arg(texteDateCourte(m_date), texteDateCourte(m_location->datePose()),
                 client ? QStringLiteral(" chez ") + client->nom() : QString());
    QPointer<MiniBonDePeseeForm> moi(this);
    QMessageBox* box = forms::askConfirmation(this, QStringLiteral("Bon daté avant la pose ?"), message,
                                              QStringLiteral("Enregistrer quand même"),
                                              QStringLiteral("Corriger la date"), [moi] {
                                                  if (!moi)
                                                      return;
                                                  moi->m_avantPoseConfirme = true;
                                                  moi->enregistrerBon();
                                              });
    box->setObjectName(QStringLiteral("bonAvantPose"));
    // Back to the date to mend it.
    connect(box, &QMessageBox::buttonClicked, m_dateEdit, [box, moi](QAbstractButton* b) {
        if (moi && box->buttonRole(b) == QMessageBox::RejectRole)
            moi->m_dateEdit->setFocus(Qt::OtherFocusReason);
    });
    return true;
}

void MiniBonDePeseeForm::demanderSuppression(BonDePesee* bon)
{
    if (!bon || bon->isDeleted())
        return;
    QPointer<MiniBonDePeseeForm> moi(this);
    // The ticket is named as its row shows it: several may share a day.
    const QString lequel = QStringLiteral("Supprimer le bon du %1 (%2 kg) ?")
                               .arg(texteDateCourte(bon->date()), kilosEntiers(bon->poidsNetKg()));
    forms::askConfirmation(this, lequel,
                           QStringLiteral("Cette action retirera aussi le bordereau associé s’il existe."),
                           QStringLiteral("Supprimer"), QStringLiteral("Annuler"), [moi, bon] {
                               if (moi && !bon->isDeleted())
                                   moi->supprimerBon(bon);
                           });
}

void MiniBonDePeseeForm::supprimerBon(BonDePesee* bon)
{
    if (!bon || bon->isDeleted())
        return;
    // The file goes only once the deletion is stored, and only from the tickets folder.
    const std::optional<QString> chemin = bon->cheminFichierTicket();
    QString erreur;
    if (!m_context->remove(bon, &erreur)) {
        setErreur(forms::deleteFailedText(erreur));
        return;
    }
    if (!m_context->save(&erreur)) {
        m_context->rollback();
        m_bonsConnus = m_location ? m_location->bonsDePesee() : QList<BonDePesee*>();
        setErreur(forms::deleteFailedText(erreur));
        rafraichirListe();
        return;
    }
    if (chemin && !chemin->isEmpty() && !autreBonPointeVers(*chemin))
        m_dossier.retirer(*chemin, nullptr); // a failure leaves the file; the ticket is gone
    const QString dit = QStringLiteral("Bon de pesée du %1 supprimé.").arg(texteDateCourte(bon->date()));
    if (bon == m_bonCourant)
        reinitialiserFormulaire();
    announceOutcome(this, dit);
    emit saved(m_location);
}

// ---------------------------------------------------------------------------------------------
// Attachments

bool MiniBonDePeseeForm::autreBonPointeVers(const QString& chemin) const
{
    // A file still named by a ticket of this rental stays on disk.
    if (!m_location)
        return false;
    for (const BonDePesee* b : m_location->bonsDePesee())
        if (!b->isDeleted() && b->cheminFichierTicket() == chemin)
            return true;
    return false;
}

void MiniBonDePeseeForm::abandonnerCopie()
{
    if (!m_copie)
        return;
    const QString copie = *m_copie;
    m_copie.reset();
    if (!autreBonPointeVers(copie))
        m_dossier.retirer(copie, nullptr); // a failure leaves the file, as when a ticket is deleted
}

void MiniBonDePeseeForm::ajouterBordereau()
{
    if (!m_picker)
        return;
    const QString source = m_picker(this);
    if (!source.isEmpty())
        importerFichierChoisi(source);
}

void MiniBonDePeseeForm::importerFichierChoisi(const QString& source)
{
    QString copie;
    QString erreur;
    if (!m_dossier.importer(source, &copie, &erreur)) {
        setErreur(erreur);
        return;
    }
    // Written into the ticket by "Enregistrer" only.
    abandonnerCopie();
    m_cheminFichier = copie;
    m_copie = copie;
    setErreur(QString());
    rafraichirEnTete();
    rafraichirPieceJointe();
}

void MiniBonDePeseeForm::ouvrirDansApercu()
{
    confierAuBureau(&DesktopOpener::openFile, &DesktopOpener::openFailedText);
}

void MiniBonDePeseeForm::revelerDansFinder()
{
    confierAuBureau(&DesktopOpener::reveal, &DesktopOpener::revealFailedText);
}

void MiniBonDePeseeForm::confierAuBureau(bool (*action)(const QString&), QString (*echec)(const QString&))
{
    if (!m_cheminFichier || !m_dossier.contient(*m_cheminFichier))
        return;
    // A desktop with nothing to carry it out: the red line says so, with the path.
    setErreur(action(*m_cheminFichier) ? QString() : echec(*m_cheminFichier));
}

void MiniBonDePeseeForm::supprimerFichier()
{
    if (!m_cheminFichier || m_cheminFichier->isEmpty())
        return;
    // Without the tickets folder nothing tells whether the file is ours: nothing changes.
    if (const QString introuvable = m_dossier.introuvablePour(*m_cheminFichier); !introuvable.isEmpty()) {
        setErreur(QStringLiteral("Impossible de supprimer la pièce : ") + introuvable);
        return;
    }
    const QString chemin = *m_cheminFichier;
    if (m_bonCourant) {
        // The association goes first; the file only once that is stored.
        const std::optional<QString> ancien = m_bonCourant->cheminFichierTicket();
        m_bonCourant->setCheminFichierTicket(std::nullopt);
        QString erreur;
        if (!m_context->save(&erreur)) {
            m_bonCourant->setCheminFichierTicket(ancien);
            setErreur(forms::saveFailedText(erreur));
            return;
        }
    }
    m_cheminFichier.reset();
    // Stored as shown: the document is no typed work any more.
    m_live->follow();
    if (m_copie == chemin)
        m_copie.reset();
    QString erreur;
    if (!autreBonPointeVers(chemin) && !m_dossier.retirer(chemin, &erreur))
        setErreur(QStringLiteral("Impossible de supprimer la pièce : ") + erreur);
    else if (m_bonCourant)
        setErreur(QString());
    rafraichirEnTete();
    rafraichirListe();
    rafraichirPieceJointe();
}

} // namespace kv
