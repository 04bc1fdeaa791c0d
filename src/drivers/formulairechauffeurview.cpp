#include "formulairechauffeurview.h"
#include "widgets/dateentry.h"

#include "widgets/forms/liveform.h"

#include "formulaireajoutdisponibilite.h"
#include "formulaireajoutformationchauffeur.h"
#include "formulaireajoutqualification.h"
#include "formulaireajoutspecialisation.h"
#include "texteschauffeur.h"

#include "widgets/accessiblenames.h"
#include "widgets/elidedlabel.h"
#include "widgets/focusguard.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/fittingcombobox.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/singleline.h"
#include "widgets/forms/windowkey.h"
#include "widgets/icons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QKeyEvent>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

namespace kv {

namespace {

constexpr int kPasDistance = 5;
constexpr int kDistanceMaxCurseur = 200;

std::optional<QString> videVeutDireAbsent(const QString& texte)
{
    if (texte.isEmpty())
        return std::nullopt;
    return texte;
}

// Removes every child widget and sub-layout of a list container.
void vider(QWidget* conteneur)
{
    QLayout* layout = conteneur->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            // Out of the container at once (its rows are looked up by their parent), freed later
            // in case the row's own button is being handled.
            w->hide();
            w->setParent(nullptr);
            w->deleteLater();
        }
        delete item;
    }
}

QLabel* ligneTexte(const QString& texte, forms::TextStyle style, forms::Tone ton, QWidget* parent)
{
    auto* label = new QLabel(texte, parent);
    label->setFont(forms::fontFor(style, parent->font()));
    if (ton != forms::Tone::Primary) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, forms::toneColor(ton, p.color(QPalette::WindowText)));
        label->setPalette(p);
    }
    return label;
}

// Rows made anew join the Tab order where they stand: after `avant`, the last stop above the
// list, then the section's add button under it (new widgets would otherwise be visited last).
// Rows made while the form shows are not shown yet (their layout shows them a moment later):
// only a widget hidden on purpose stays out.
void placerEntre(QWidget* avant, QWidget* lignes, QWidget* bouton)
{
    for (QWidget* w : lignes->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && !(w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide))) {
            QWidget::setTabOrder(avant, w);
            avant = w;
        }
    QWidget::setTabOrder(avant, bouton);
}

QLabel* ligneGras(const QString& texte, QWidget* parent)
{
    auto* label = new QLabel(texte, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

} // namespace

FormulaireChauffeurView::FormulaireChauffeurView(ModelContext* context, Chauffeur* chauffeur,
                                                 std::function<void()> onChauffeurCree, Horloge horloge,
                                                 QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_chauffeur(chauffeur),
      m_onChauffeurCree(std::move(onChauffeurCree)),
      m_horloge(std::move(horloge)),
      m_qualifications(new Query<Qualification>(context, {}, {}, this)),
      m_formationsDisponibles(new Query<Formation>(context, {}, {}, this)),
      m_specialisationsDisponibles(new Query<Specialisation>(context, {}, {}, this))
{
    setObjectName(QStringLiteral("FormulaireChauffeurView"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // Scrolls up and down only: the list beside the form gives way first.
    auto* defilement = new forms::VerticalScrollArea(this);
    defilement->setAccessibleName(QStringLiteral("Fiche du chauffeur"));
    defilement->setWidgetResizable(true);
    defilement->setFrameShape(QFrame::NoFrame);
    outer->addWidget(defilement);

    auto* page = new QWidget(defilement);
    auto* centrage = new QHBoxLayout(page);
    centrage->setContentsMargins(20, 20, 20, 20);
    auto* contenu = new QWidget(page);
    contenu->setMaximumWidth(600);
    centrage->addStretch(1);
    centrage->addWidget(contenu, 100);
    centrage->addStretch(1);
    auto* colonne = new QVBoxLayout(contenu);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(20);

    m_titre = new QLabel(m_chauffeur ? QStringLiteral("Modifier le chauffeur") : QStringLiteral("Nouveau chauffeur"),
                         contenu);
    m_titre->setObjectName(QStringLiteral("titreFormulaire"));
    QFont ft = font();
    ft.setPointSizeF(ft.pointSizeF() * 22.0 / 13.0);
    ft.setWeight(QFont::Light);
    m_titre->setFont(ft);
    // On two lines rather than cut in a narrow pane.
    m_titre->setWordWrap(true);
    colonne->addWidget(m_titre);

    construireIdentite(colonne);
    construireQualification(colonne);
    construireListes(colonne);
    construireParametres(colonne);

    auto* ligneEnregistrer = new QHBoxLayout;
    // A greyed « Enregistrer » says why.
    m_manquants = ligneTexte(QString(), forms::TextStyle::Callout, forms::Tone::Secondary, contenu);
    m_manquants->setObjectName(QStringLiteral("champsManquants"));
    m_manquants->setWordWrap(true);
    m_manquants->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ligneEnregistrer->addWidget(m_manquants, 1);
    m_enregistrer = new QPushButton(QStringLiteral("Enregistrer"), contenu);
    m_enregistrer->setObjectName(QStringLiteral("enregistrer"));
    m_enregistrer->setDefault(true);
    ligneEnregistrer->addWidget(m_enregistrer);
    colonne->addLayout(ligneEnregistrer);
    colonne->addStretch(1);
    defilement->setWidget(page);

    connect(m_enregistrer, &QPushButton::clicked, this, &FormulaireChauffeurView::actionEnregistrer);
    // The keys of the other editors: Ctrl+Return or Ctrl+S saves, Ctrl+Escape takes back what
    // was typed (asking first, as leaving the form does).
    forms::addSaveKeys(this, m_enregistrer);
    new forms::WindowKey(this, QKeySequence(Qt::CTRL | Qt::Key_Escape), [this] { annulerModifications(); });
    for (QLineEdit* champ : {m_prenom, m_nom, m_telephone})
        connect(champ, &QLineEdit::textChanged, this, &FormulaireChauffeurView::majEnregistrer);

    connect(m_qualifications, &QueryBase::resultsChanged, this, &FormulaireChauffeurView::afficherQualifications);
    connect(m_specialisationsDisponibles, &QueryBase::resultsChanged, this,
            &FormulaireChauffeurView::afficherSpecialisations);
    // A course renamed or deleted elsewhere shows in the training rows.
    connect(m_formationsDisponibles, &QueryBase::resultsChanged, this, &FormulaireChauffeurView::afficherFormations);

    setTabOrder(m_prenom, m_nom);
    setTabOrder(m_nom, m_telephone);
    setTabOrder(m_telephone, m_email);
    setTabOrder(m_email, m_qualification);
    lierChamps();
    chargerChauffeur();
}

namespace {

QString adresse(const void* p)
{
    return QString::number(quintptr(p));
}

QString formationsTexte(const QList<FormulaireChauffeurView::PaireFormation>& paires)
{
    QStringList t;
    for (const auto& p : paires)
        t.append(QStringLiteral("%1/%2/%3").arg(adresse(p.formation),
                                                 QString::number(p.dateExpiration.toMSecsSinceEpoch()),
                                                 adresse(p.record)));
    return t.join(QLatin1Char(' '));
}

template <class T>
QString adresses(const QList<T*>& records)
{
    QStringList t;
    for (const T* r : records)
        t.append(adresse(r));
    return t.join(QLatin1Char(' '));
}

} // namespace

void FormulaireChauffeurView::lierChamps()
{
    m_live = new forms::LiveForm(m_context, [this]() -> Record* { return m_chauffeur; }, this);
    const auto texte = [this](const QString& nom, QLineEdit* champ, std::function<QString()> stocke,
                              std::function<void()> ecrire) {
        return forms::LiveField{nom, [champ] { return champ->text(); }, stocke,
                                [this, champ, stocke] {
                                    m_affichage = true;
                                    champ->setText(stocke());
                                    m_affichage = false;
                                    majEnregistrer();
                                },
                                std::move(ecrire)};
    };
    m_live->setFields({
        texte(QStringLiteral("Prénom"), m_prenom, [this] { return m_chauffeur->prenom(); },
              [this] { m_chauffeur->setPrenom(prenom()); }),
        texte(QStringLiteral("Nom"), m_nom, [this] { return m_chauffeur->nom(); },
              [this] { m_chauffeur->setNom(nom()); }),
        texte(QStringLiteral("Téléphone"), m_telephone, [this] { return m_chauffeur->telephone().value_or(QString()); },
              [this] { m_chauffeur->setTelephone(videVeutDireAbsent(telephone())); }),
        texte(QStringLiteral("Email"), m_email, [this] { return m_chauffeur->email().value_or(QString()); },
              [this] { m_chauffeur->setEmail(videVeutDireAbsent(email())); }),
        forms::LiveField{QStringLiteral("Distance max"), [this] { return QString::number(m_distanceMax, 'g', 17); },
                         [this] { return QString::number(m_chauffeur->distanceMax(), 'g', 17); },
                         [this] {
                             m_distanceMax = m_chauffeur->distanceMax();
                             afficherDistance();
                         },
                         [this] { m_chauffeur->setDistanceMax(m_distanceMax); }},
        forms::LiveField{QStringLiteral("Qualification"), [this] { return adresse(m_qualificationSelectionnee); },
                         [this] { return adresse(m_chauffeur->qualification()); },
                         [this] {
                             m_qualificationSelectionnee = m_chauffeur->qualification();
                             afficherQualifications();
                         },
                         [this] { m_chauffeur->setQualification(m_qualificationSelectionnee); }},
        forms::LiveField{QStringLiteral("Spécialisations"), [this] { return adresses(specialisationsDansLOrdre()); },
                         [this] { return adresses(m_chauffeur->specialisations()); },
                         [this] {
                             m_specialisationsSelectionnees.clear();
                             for (Specialisation* sp : m_chauffeur->specialisations())
                                 m_specialisationsSelectionnees.insert(sp);
                             afficherSpecialisations();
                         },
                         [this] { m_chauffeur->setSpecialisations(specialisationsDansLOrdre()); }},
        forms::LiveField{QStringLiteral("Formations"), [this] { return formationsTexte(m_formationsSuivies); },
                         [this] { return formationsTexte(formationsDuChauffeur(m_chauffeur->formationsSuivies())); },
                         [this] {
                             m_formationsSuivies = formationsDuChauffeur(m_chauffeur->formationsSuivies());
                             m_formationsChargees = m_chauffeur->formationsSuivies();
                             afficherFormations();
                         },
                         [this] { ecrireFormations(m_chauffeur); }},
        forms::LiveField{QStringLiteral("Disponibilités"), [this] { return adresses(m_disponibilites); },
                         [this] { return adresses(m_chauffeur->disponibilites()); },
                         [this] {
                             oublierPeriodesLibres();
                             m_disponibilites = m_chauffeur->disponibilites();
                             afficherDisponibilites();
                         },
                         [this] { ecrireDisponibilites(m_chauffeur); }},
    });
}

FormulaireChauffeurView::~FormulaireChauffeurView()
{
    releaseFocusWithin(this);
    oublierPeriodesLibres();
}

forms::FormSection* FormulaireChauffeurView::section(QVBoxLayout* colonne, const QString& titre,
                                                     const QString& symbole)
{
    auto* s = new forms::FormSection(titre, symbole, colonne->parentWidget());
    s->content()->setContentsMargins(20, 20, 20, 20);
    colonne->addWidget(s);
    return s;
}

QPushButton* FormulaireChauffeurView::boutonAjout(const QString& texte, QWidget* parent)
{
    auto* bouton = new QPushButton(texte, parent);
    bouton->setAutoDefault(false);
    return bouton;
}

void FormulaireChauffeurView::construireIdentite(QVBoxLayout* colonne)
{
    auto champ = [this](forms::FormSection* s, const QString& indication, const char* nom, const QString& dit) {
        auto* c = forms::keepOnOneLine(new QLineEdit(s));
        c->setObjectName(QString::fromLatin1(nom));
        c->setPlaceholderText(indication);
        // No label stands beside it: spoken by what it holds and whose, filled or not (the
        // placeholder goes once something is typed).
        c->setAccessibleName(dit);
        s->content()->addWidget(c);
        return c;
    };
    forms::FormSection* identite = section(colonne, QStringLiteral("Identité"), QStringLiteral("person"));
    m_prenom = champ(identite, QStringLiteral("Prénom"), "prenom", QStringLiteral("Prénom du chauffeur"));
    m_nom = champ(identite, QStringLiteral("Nom"), "nom", QStringLiteral("Nom du chauffeur"));
    forms::FormSection* contact = section(colonne, QStringLiteral("Contact"), QStringLiteral("person.crop.circle"));
    m_telephone = champ(contact, QStringLiteral("Téléphone"), "telephone", QStringLiteral("Téléphone du chauffeur"));
    m_email = champ(contact, QStringLiteral("Email"), "email", QStringLiteral("E-mail du chauffeur"));
}

void FormulaireChauffeurView::construireQualification(QVBoxLayout* colonne)
{
    forms::FormSection* s = section(colonne, QStringLiteral("Qualification"), QStringLiteral("checkmark.seal"));
    // As wide as the longest qualification, within the form.
    m_qualification = new forms::FittingComboBox(s);
    m_qualification->setObjectName(QStringLiteral("qualification"));
    s->addRow(QStringLiteral("Qualification"), m_qualification);
    auto* ligne = new QHBoxLayout;
    ligne->addStretch(1);
    m_ajoutQualification = boutonAjout(QStringLiteral("Ajouter une qualification…"), s);
    m_ajoutQualification->setFont(forms::fontFor(forms::TextStyle::Caption, font()));
    ligne->addWidget(m_ajoutQualification);
    s->content()->addLayout(ligne);

    connect(m_qualification, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_affichage)
            return;
        m_qualificationSelectionnee =
            index > 0 ? static_cast<Qualification*>(m_qualification->itemData(index).value<void*>()) : nullptr;
    });
    connect(m_ajoutQualification, &QPushButton::clicked, this, &FormulaireChauffeurView::ouvrirAjoutQualification);
}

void FormulaireChauffeurView::construireListes(QVBoxLayout* colonne)
{
    auto liste = [](forms::FormSection* s, const char* nom) {
        auto* w = new QWidget(s);
        w->setObjectName(QString::fromLatin1(nom));
        auto* l = new QVBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(8);
        s->content()->addWidget(w);
        return w;
    };
    auto bouton = [this](forms::FormSection* s, const QString& texte) {
        auto* ligne = new QHBoxLayout;
        QPushButton* b = boutonAjout(texte, s);
        ligne->addWidget(b);
        ligne->addStretch(1);
        s->content()->addLayout(ligne);
        return b;
    };
    forms::FormSection* formations = section(colonne, QStringLiteral("Formations suivies"), QStringLiteral("graduationcap"));
    m_lignesFormations = liste(formations, "lignesFormations");
    m_ajoutFormation = bouton(formations, QStringLiteral("Ajouter une formation suivie…"));
    forms::FormSection* specialisations = section(colonne, QStringLiteral("Spécialisations"), QStringLiteral("puzzlepiece"));
    m_lignesSpecialisations = liste(specialisations, "lignesSpecialisations");
    m_ajoutSpecialisation = bouton(specialisations, QStringLiteral("Ajouter une spécialisation…"));
    forms::FormSection* periodes = section(colonne, QStringLiteral("Disponibilités"), QStringLiteral("calendar"));
    m_lignesDisponibilites = liste(periodes, "lignesDisponibilites");
    m_ajoutDisponibilite = bouton(periodes, QStringLiteral("Ajouter une disponibilité…"));

    connect(m_ajoutFormation, &QPushButton::clicked, this, &FormulaireChauffeurView::ouvrirAjoutFormation);
    connect(m_ajoutSpecialisation, &QPushButton::clicked, this, &FormulaireChauffeurView::ouvrirAjoutSpecialisation);
    connect(m_ajoutDisponibilite, &QPushButton::clicked, this, &FormulaireChauffeurView::ouvrirAjoutDisponibilite);
}

void FormulaireChauffeurView::construireParametres(QVBoxLayout* colonne)
{
    forms::FormSection* s = section(colonne, QStringLiteral("Paramètres"), QStringLiteral("gearshape"));
    // The label, then the slider with its value (under the label when the form is narrow).
    auto* ligne = new forms::TrailingWrapLayout;
    ligne->setLead(new QLabel(QStringLiteral("Distance max (km)"), s));
    auto* curseur = new QHBoxLayout;
    m_distance = new QSlider(Qt::Horizontal, s);
    // A reader hears the distance shown beside it, not the step.
    readSliderInUnits(m_distance, kPasDistance);
    m_distance->setObjectName(QStringLiteral("distanceMax"));
    m_distance->setRange(0, kDistanceMaxCurseur / kPasDistance);
    m_distance->setSingleStep(1);
    m_distance->setPageStep(2);
    m_distance->setMinimumWidth(100);
    m_distance->setAccessibleName(QStringLiteral("Distance max (km)"));
    curseur->addWidget(m_distance, 1);
    m_texteDistance = new QLabel(s);
    m_texteDistance->setObjectName(QStringLiteral("texteDistance"));
    m_texteDistance->setMinimumWidth(m_texteDistance->fontMetrics().horizontalAdvance(QStringLiteral("200 km")));
    m_texteDistance->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    curseur->addWidget(m_texteDistance);
    auto* volant = new QLabel(s);
    volant->setPixmap(symbolIcon(QStringLiteral("steeringwheel")).pixmap(QSize(16, 16), devicePixelRatioF()));
    curseur->addWidget(volant);
    ligne->setTrail(curseur);
    s->content()->addLayout(ligne);

    connect(m_distance, &QSlider::valueChanged, this, [this](int pas) {
        if (m_affichage)
            return;
        // Only a move of the slider replaces the distance: a loaded value off its steps stays.
        m_distanceMax = double(pas * kPasDistance);
        m_texteDistance->setText(kv::texteDistance(m_distanceMax));
        setSliderShownValue(m_distance, m_distanceMax, m_texteDistance->text());
    });
}

// --- State ------------------------------------------------------------------------------------

QString FormulaireChauffeurView::prenom() const { return m_prenom->text(); }
QString FormulaireChauffeurView::nom() const { return m_nom->text(); }
QString FormulaireChauffeurView::telephone() const { return m_telephone->text(); }
QString FormulaireChauffeurView::email() const { return m_email->text(); }

QList<FormulaireChauffeurView::PaireFormation>
FormulaireChauffeurView::formationsDuChauffeur(const QList<FormationChauffeur*>& suivies)
{
    QList<PaireFormation> paires;
    paires.reserve(suivies.size());
    for (FormationChauffeur* fc : suivies)
        paires.append({fc->formation(), fc->dateExpiration(), fc});
    return paires;
}

void FormulaireChauffeurView::oublierPeriodesLibres()
{
    for (Disponibilite* d : std::as_const(m_disponibilites))
        Record::disposeIfFree(d);
    m_disponibilites.clear();
}

void FormulaireChauffeurView::chargerChauffeur()
{
    Chauffeur* c = m_chauffeur;
    m_affichage = true;
    m_prenom->setText(c ? c->prenom() : QString());
    m_nom->setText(c ? c->nom() : QString());
    m_telephone->setText(c ? c->telephone().value_or(QString()) : QString());
    m_email->setText(c ? c->email().value_or(QString()) : QString());
    m_affichage = false;
    m_distanceMax = c ? c->distanceMax() : kDistanceParDefaut;
    m_qualificationSelectionnee = c ? c->qualification() : nullptr;
    m_specialisationsSelectionnees.clear();
    if (c)
        for (Specialisation* s : c->specialisations())
            m_specialisationsSelectionnees.insert(s);
    oublierPeriodesLibres();
    if (c)
        m_disponibilites = c->disponibilites();
    m_formationsSuivies = c ? formationsDuChauffeur(c->formationsSuivies()) : QList<PaireFormation>();

    afficherQualifications();
    afficherFormations();
    afficherSpecialisations();
    afficherDisponibilites();
    m_formationsChargees = c ? c->formationsSuivies() : QList<FormationChauffeur*>();
    afficherDistance();
    majEnregistrer();
    m_live->markAllLoaded();
}

bool FormulaireChauffeurView::hasUnsavedChanges() const
{
    return m_live->typed();
}

bool FormulaireChauffeurView::saveChanges()
{
    if (feuilleOuverte() || showAlert())
        return false;
    if (!formulaireValide()) {
        montrerAlerte();
        return false;
    }
    // After a failed save the form keeps what was typed, so the user can try again.
    QPointer<FormulaireChauffeurView> self(this);
    if (!enregistrer())
        return false;
    if (self)
        chargerChauffeur();
    return true;
}

void FormulaireChauffeurView::annulerModifications()
{
    if (feuilleOuverte() || showAlert() || !hasUnsavedChanges())
        return;
    QPointer<FormulaireChauffeurView> self(this);
    forms::askToSaveChanges(
        this, [self] { return self && self->saveChanges(); },
        [self] {
            if (self)
                self->chargerChauffeur();
        },
        forms::Leaving::takingBack);
}

void FormulaireChauffeurView::focusFirstField()
{
    m_prenom->setFocus(Qt::ShortcutFocusReason);
}

bool FormulaireChauffeurView::formulaireValide() const
{
    for (const QLineEdit* champ : {m_prenom, m_nom, m_telephone})
        if (sansEspacesNiTabulations(champ->text()).isEmpty())
            return false;
    return true;
}

void FormulaireChauffeurView::retirerFormation(int position)
{
    if (position < 0 || position >= m_formationsSuivies.size())
        return;
    m_formationsSuivies.removeAt(position);
    afficherFormations();
}

void FormulaireChauffeurView::basculerSpecialisation(Specialisation* s, bool choisie)
{
    if (choisie)
        m_specialisationsSelectionnees.insert(s);
    else
        m_specialisationsSelectionnees.remove(s);
}

QList<Specialisation*> FormulaireChauffeurView::specialisationsDansLOrdre() const
{
    // The chosen ones in the store's order, so that a save always writes the same list.
    QList<Specialisation*> liste;
    for (Specialisation* s : m_specialisationsDisponibles->results())
        if (m_specialisationsSelectionnees.contains(s))
            liste.append(s);
    return liste;
}

QList<QCheckBox*> FormulaireChauffeurView::casesSpecialisations() const
{
    return m_lignesSpecialisations->findChildren<QCheckBox*>(QString(), Qt::FindDirectChildrenOnly);
}

bool FormulaireChauffeurView::showAlert() const
{
    return ouverte(m_alerte);
}

QMessageBox* FormulaireChauffeurView::alerte() const
{
    return m_alerte;
}

QDialog* FormulaireChauffeurView::feuilleOuverte() const
{
    for (const QPointer<QDialog>& f : {m_feuilleQualification, m_feuilleSpecialisation, m_feuilleDisponibilite,
                                       m_feuilleFormation})
        if (ouverte(f))
            return f;
    return nullptr;
}

// --- Sections -----------------------------------------------------------------------------------

void FormulaireChauffeurView::afficherQualifications()
{
    if (m_qualificationSelectionnee && m_qualificationSelectionnee->isDeleted())
        m_qualificationSelectionnee = nullptr;
    m_affichage = true;
    m_qualification->clear();
    m_qualification->addItem(QStringLiteral("Aucune"));
    int choisie = 0;
    for (Qualification* q : m_qualifications->results()) {
        m_qualification->addItem(q->nom(), QVariant::fromValue(static_cast<void*>(q)));
        if (q == m_qualificationSelectionnee)
            choisie = m_qualification->count() - 1;
    }
    m_qualification->setCurrentIndex(choisie);
    m_affichage = false;
}

void FormulaireChauffeurView::afficherFormations()
{
    vider(m_lignesFormations);
    auto* layout = static_cast<QVBoxLayout*>(m_lignesFormations->layout());
    for (int position = 0; position < m_formationsSuivies.size(); ++position) {
        const PaireFormation& paire = m_formationsSuivies.at(position);
        auto* ligne = new QWidget(m_lignesFormations);
        ligne->setObjectName(QStringLiteral("ligneFormation"));
        auto* h = new QHBoxLayout(ligne);
        h->setContentsMargins(0, 0, 0, 0);
        auto* textes = new QVBoxLayout;
        textes->setSpacing(2);
        const QString nomFormation = paire.formation && !paire.formation->isDeleted() ? paire.formation->nom() : QString();
        auto* nom = new ElidedLabel(nomFormation, ligne);
        QFont gras = nom->font();
        gras.setBold(true);
        nom->setFont(gras);
        textes->addWidget(nom);
        textes->addWidget(ligneTexte(kv::texteExpiration(paire.dateExpiration), forms::TextStyle::Caption,
                                     forms::Tone::Secondary, ligne));
        h->addLayout(textes);
        h->addStretch(1);
        auto* corbeille = new QToolButton(ligne);
        corbeille->setObjectName(QStringLiteral("retirerFormation"));
        corbeille->setIcon(symbolIcon(QStringLiteral("trash")));
        corbeille->setAutoRaise(true);
        corbeille->setToolTip(QStringLiteral("Retirer cette formation"));
        corbeille->setAccessibleName(QStringLiteral("Retirer %1").arg(nomFormation));
        corbeille->setStyleSheet(QStringLiteral("QToolButton { color: %1; }")
                                     .arg(forms::dangerTextColor(palette().color(QPalette::Window)).name()));
        h->addWidget(corbeille);
        connect(corbeille, &QToolButton::clicked, this, [this, position] { retirerFormation(position); });
        layout->addWidget(ligne);
    }
    placerEntre(m_ajoutQualification, m_lignesFormations, m_ajoutFormation);
}

void FormulaireChauffeurView::afficherSpecialisations()
{
    vider(m_lignesSpecialisations);
    auto* layout = static_cast<QVBoxLayout*>(m_lignesSpecialisations->layout());
    const QList<Specialisation*> toutes = m_specialisationsDisponibles->results();
    // A specialisation deleted elsewhere is no longer a choice.
    for (auto it = m_specialisationsSelectionnees.begin(); it != m_specialisationsSelectionnees.end();)
        it = (*it)->isDeleted() ? m_specialisationsSelectionnees.erase(it) : std::next(it);
    if (toutes.isEmpty()) {
        auto* aucune = ligneTexte(QStringLiteral("Aucune spécialisation définie."), forms::TextStyle::Body,
                                  forms::Tone::Secondary, m_lignesSpecialisations);
        aucune->setObjectName(QStringLiteral("aucuneSpecialisation"));
        aucune->setWordWrap(true);
        layout->addWidget(aucune);
        return;
    }
    for (Specialisation* s : toutes) {
        auto* bascule = new QCheckBox(s->nom(), m_lignesSpecialisations);
        bascule->setMaximumWidth(250);
        bascule->setChecked(estSpecialisationSelectionnee(s));
        connect(bascule, &QCheckBox::toggled, this, [this, s](bool on) { basculerSpecialisation(s, on); });
        layout->addWidget(bascule, 0, Qt::AlignLeft);
    }
    placerEntre(m_ajoutFormation, m_lignesSpecialisations, m_ajoutSpecialisation);
}

void FormulaireChauffeurView::afficherDisponibilites()
{
    vider(m_lignesDisponibilites);
    auto* layout = static_cast<QVBoxLayout*>(m_lignesDisponibilites->layout());
    for (Disponibilite* d : std::as_const(m_disponibilites)) {
        auto* ligne = new QWidget(m_lignesDisponibilites);
        ligne->setObjectName(QStringLiteral("ligneDisponibilite"));
        auto* v = new QVBoxLayout(ligne);
        v->setContentsMargins(0, 4, 0, 4);
        v->setSpacing(2);
        v->addWidget(ligneGras(texteDisponible(d->disponible()), ligne));
        v->addWidget(ligneTexte(textePeriode(d->dateDebut(), d->dateFin()), forms::TextStyle::Caption,
                                forms::Tone::Primary, ligne));
        layout->addWidget(ligne);
    }
    placerEntre(m_ajoutSpecialisation, m_lignesDisponibilites, m_ajoutDisponibilite);
}

void FormulaireChauffeurView::afficherDistance()
{
    m_affichage = true;
    // The slider shows the nearest step within its range; the distance itself is kept as loaded.
    const double pas = std::isfinite(m_distanceMax) ? std::round(m_distanceMax / kPasDistance) : 0.0;
    m_distance->setValue(int(std::clamp(pas, 0.0, double(kDistanceMaxCurseur / kPasDistance))));
    m_affichage = false;
    m_texteDistance->setText(kv::texteDistance(m_distanceMax));
    setSliderShownValue(m_distance, m_distanceMax, m_texteDistance->text());
}

void FormulaireChauffeurView::majEnregistrer()
{
    m_enregistrer->setEnabled(formulaireValide());
    QStringList manquants;
    const QList<std::pair<const QLineEdit*, QString>> requis{
        {m_prenom, QStringLiteral("prénom")}, {m_nom, QStringLiteral("nom")}, {m_telephone, QStringLiteral("téléphone")}};
    for (const auto& [champ, nom] : requis)
        if (sansEspacesNiTabulations(champ->text()).isEmpty())
            manquants.append(nom);
    QString texte;
    if (!manquants.isEmpty()) {
        const QString derniers = manquants.size() > 1 ? manquants.takeLast() : QString();
        texte = QStringLiteral("Pour enregistrer, remplissez : ") + manquants.join(QStringLiteral(", "))
                + (derniers.isEmpty() ? QString() : QStringLiteral(" et ") + derniers) + QLatin1Char('.');
    }
    m_manquants->setText(texte);
    m_manquants->setVisible(!texte.isEmpty());
}

// --- Sheets and alert ---------------------------------------------------------------------------

void FormulaireChauffeurView::ouvrirAjoutQualification()
{
    if (feuilleOuverte())
        return;
    auto* f = new FormulaireAjoutQualification(m_context, [] {}, this);
    // The qualification just created is the one the user means for this driver.
    f->setOnCreated([this](Qualification* q) {
        m_qualificationSelectionnee = q;
        afficherQualifications();
    });
    m_feuilleQualification = f;
    ouvrirPar(f);
}

void FormulaireChauffeurView::ouvrirAjoutSpecialisation()
{
    if (feuilleOuverte())
        return;
    auto* f = new FormulaireAjoutSpecialisation(m_context, [] {}, this);
    m_feuilleSpecialisation = f;
    ouvrirPar(f);
}

void FormulaireChauffeurView::ouvrirAjoutDisponibilite()
{
    if (feuilleOuverte())
        return;
    QPointer<FormulaireChauffeurView> self(this);
    auto* f = new FormulaireAjoutDisponibilite(
        m_horloge.maintenantLocal(),
        [self](Disponibilite* periode) {
            if (!self) {
                Record::disposeIfFree(periode);
                return;
            }
            self->m_disponibilites.append(periode);
            self->afficherDisponibilites();
        },
        this);
    m_feuilleDisponibilite = f;
    ouvrirPar(f);
}

void FormulaireChauffeurView::ouvrirAjoutFormation()
{
    if (feuilleOuverte())
        return;
    auto* f = new FormulaireAjoutFormationChauffeur(
        m_context, m_formationsDisponibles, m_horloge.maintenantLocal(),
        [this](Formation* formation, const QDateTime& expiration) {
            m_formationsSuivies.append({formation, expiration, nullptr});
            afficherFormations();
        },
        this);
    m_feuilleFormation = f;
    ouvrirPar(f);
}

void FormulaireChauffeurView::ouvrirPar(QDialog* d)
{
    d->open();
}

void FormulaireChauffeurView::keyPressEvent(QKeyEvent* event)
{
    // Return is the form's default action wherever the focus is in the form, when the field
    // leaves the key alone. Keys typed in a list, menu, sheet or alert opened from the form stay
    // in that window: choosing an entry with Return does not save.
    const bool retour = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (retour && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        actionEnregistrer();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FormulaireChauffeurView::montrerAlerte()
{
    if (ouverte(m_alerte))
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Kestrovan"),
                                QStringLiteral("Veuillez remplir prénom, nom et téléphone."), QMessageBox::NoButton,
                                window());
    box->setObjectName(QStringLiteral("alerteChampsRequis"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPushButton* ok = box->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    m_alerte = box;
    ouvrirPar(box);
}

// --- Save ---------------------------------------------------------------------------------------

void FormulaireChauffeurView::actionEnregistrer()
{
    saveChanges();
}

void FormulaireChauffeurView::ecrireFormations(Chauffeur* c)
{
    // Trainings: a stored training the form showed and no longer lists is deleted (so that its
    // course can be deleted later); one added elsewhere meanwhile stays; a pair added in the
    // form becomes a training of the driver.
    QSet<FormationChauffeur*> gardees;
    for (const PaireFormation& p : std::as_const(m_formationsSuivies))
        if (p.record)
            gardees.insert(p.record);
    for (FormationChauffeur* fc : std::as_const(m_formationsChargees))
        if (!gardees.contains(fc) && !fc->isDeleted())
            m_context->remove(fc);
    for (const PaireFormation& p : std::as_const(m_formationsSuivies))
        if (!p.record && p.formation && !p.formation->isDeleted())
            m_context->insert(new FormationChauffeur(c, p.formation, p.dateExpiration));
}

void FormulaireChauffeurView::ecrireDisponibilites(Chauffeur* c)
{
    // Periods: those added in the form join the driver's, after his own.
    QList<Disponibilite*> periodes = c->disponibilites();
    bool ajout = false;
    for (Disponibilite* d : std::as_const(m_disponibilites)) {
        if (!d->modelContext()) {
            periodes.append(new Disponibilite(d->disponible(), d->dateDebut(), d->dateFin()));
            ajout = true;
        }
    }
    if (ajout)
        c->setDisponibilites(periodes);
}

Chauffeur* FormulaireChauffeurView::creerChauffeur(QList<Record*>& crees)
{
    auto* c = new Chauffeur(nom(), prenom(), m_qualificationSelectionnee, specialisationsDansLOrdre(), {}, {},
                            m_distanceMax, videVeutDireAbsent(telephone()), videVeutDireAbsent(email()),
                            std::nullopt, true);
    m_context->insert(c);
    // Each pair gives its own training record, even for a course listed twice.
    for (const PaireFormation& p : std::as_const(m_formationsSuivies)) {
        if (!p.formation || p.formation->isDeleted())
            continue;
        auto* fc = new FormationChauffeur(c, p.formation, p.dateExpiration);
        m_context->insert(fc);
        crees.append(fc);
    }
    // The periods the form holds are not stored: the driver gets copies of them.
    QList<Disponibilite*> periodes;
    for (Disponibilite* d : std::as_const(m_disponibilites)) {
        auto* copie = new Disponibilite(d->disponible(), d->dateDebut(), d->dateFin());
        periodes.append(copie);
        crees.append(copie);
    }
    if (!periodes.isEmpty())
        c->setDisponibilites(periodes);
    return c;
}

bool FormulaireChauffeurView::enregistrer()
{
    if (stopForRefusedDate(this))
        return false;
    Chauffeur* nouveau = nullptr;
    QList<Record*> crees;
    if (m_chauffeur) {
        // Only what was typed here is written: a field changed in another window meanwhile
        // keeps that change; one changed on both sides is asked about first.
        QPointer<FormulaireChauffeurView> self(this);
        if (m_live->askAboutConflicts(QStringLiteral("Ce chauffeur a été modifié dans une autre fenêtre"), [self] {
                if (self)
                    self->saveChanges();
            }))
            return false;
        m_live->writeTyped();
    } else {
        nouveau = creerChauffeur(crees);
    }

    QString erreur;
    if (!m_context->save(&erreur)) {
        std::printf("Erreur : %s\n", erreur.toUtf8().constData());
        std::fflush(stdout);
        // Nothing stays pending: a retry stores one driver, and an edited driver shows what
        // is stored again.
        if (nouveau) {
            for (Record* r : std::as_const(crees))
                m_context->discardInsertion(r);
            m_context->discardInsertion(nouveau);
        } else {
            m_context->rollback();
        }
        forms::showError(this, forms::saveFailedText(erreur));
        return false;
    }
    QPointer<FormulaireChauffeurView> self(this);
    emit saved(nouveau ? nouveau : m_chauffeur);
    if (self && m_onChauffeurCree)
        m_onChauffeurCree();
    return true;
}

} // namespace kv
