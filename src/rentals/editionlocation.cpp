#include "editionlocation.h"

#include "chevauchementlocations.h"
#include "coordonnees.h"
#include "formulairelocationview.h"
#include "geocodageapresenregistrement.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "model/records.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/liveform.h"
#include "widgets/forms/numberfield.h"
#include "widgets/searchablepicker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

template <class T>
QString texteId(const T* record)
{
    return record ? record->id().toString(QUuid::WithoutBraces) : QString();
}

QString texteMs(const std::optional<qint64>& ms)
{
    return ms ? QString::number(*ms) : QString();
}

QString texteChauffeur(const Chauffeur* c)
{
    return c->prenom() + QLatin1Char(' ') + c->nom();
}

QString montant(double valeur)
{
    return QLocale().toString(valeur, 'f', 2) + QStringLiteral("\u00A0€");
}

QString lignesPrix(const QString& titre, const DetailPrix& d)
{
    return titre + QLatin1Char('\n') + QStringLiteral("Base\u00A0: ") + montant(d.base) + QLatin1Char('\n')
           + QStringLiteral("Supplément tonnage\u00A0: ") + montant(d.supplementTonnage) + QLatin1Char('\n')
           + QStringLiteral("Supplément jours\u00A0: ") + montant(d.supplementJours) + QLatin1Char('\n')
           + QStringLiteral("Total HT\u00A0: ") + montant(d.total);
}

void choisirDonnee(QComboBox* choix, const void* donnee)
{
    choix->setCurrentIndex(std::max(0, choix->findData(QVariant::fromValue(const_cast<void*>(donnee)))));
}

// Which field of the live form each index names.
enum Champ { client, benne, pose, enlevement, adresse, latitude, longitude, type, tarifPose, tarifEnlevement,
             tarifJournalier, chauffeurPose, chauffeurEnlevement };

} // namespace

QString EditionLocation::messageSupprimee()
{
    return QStringLiteral("Cette location a été supprimée dans une autre fenêtre\u00A0: rien n’y sera enregistré.");
}

QString EditionLocation::messageEnlevementAvantPose()
{
    return QStringLiteral("Date d’enlèvement\u00A0: elle précède la date de pose. Choisissez-la à partir du jour de "
                          "pose, ou retirez-la.");
}

EditionLocation::EditionLocation(FormulaireLocationView* form, LocationDeBenne* location)
    : QObject(form), m_form(form), m_location(location)
{
    // The form is in its editing mode from here: what loads below is no new booking.
    form->m_edition = this;
    construire();
    lierChamps();
    connect(form->m_context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        if (changes.touches(EntityType::Benne) || changes.touches(EntityType::Chauffeur))
            actualiserListes();
        if (changes.touches(EntityType::LocationDeBenne) || changes.touches(EntityType::BonDePesee)
            || changes.touches(EntityType::TypeDechet))
            actualiserPrix();
        surSuppression();
    });
    connect(m_live, &forms::LiveForm::followed, this, &EditionLocation::actualiserPrix);
    connect(form, &FormulaireLocationView::datesModifiees, this, &EditionLocation::actualiserPrix);
    connect(form->m_choixType, &QComboBox::activated, this, &EditionLocation::actualiserPrix);
    for (forms::NumberField* f : {form->m_tarifPose, form->m_tarifEnlevement, form->m_tarifJournalier})
        connect(f, &forms::NumberField::committed, this, &EditionLocation::actualiserPrix);
    actualiserPrix();
}

void EditionLocation::construire()
{
    FormulaireLocationView* f = m_form;
    f->m_titre->setText(QStringLiteral("Modifier la location"));
    f->m_valider->setText(QStringLiteral("Enregistrer"));
    f->m_valider->setToolTip(QStringLiteral("Enregistrer (Ctrl+S)"));
    // The skip is a choice of its own here, in place of the line naming it.
    if (f->m_texteBenne)
        f->m_texteBenne->hide();
    if (auto* pastille = f->findChild<QLabel*>(QStringLiteral("pastilleBenne")))
        pastille->hide();
    auto* colonne = static_cast<QVBoxLayout*>(f->m_champs->layout());

    m_avisSupprimee = new QLabel(messageSupprimee(), f->m_champs);
    m_avisSupprimee->setObjectName(QStringLiteral("avisLocationSupprimee"));
    m_avisSupprimee->setWordWrap(true);
    m_avisSupprimee->setStyleSheet(f->m_erreur->styleSheet());
    m_avisSupprimee->hide();
    colonne->insertWidget(1, m_avisSupprimee);

    auto nouveauChoix = [f](const QString& nom) {
        auto* c = new QComboBox(f->m_champs);
        c->setObjectName(nom);
        c->setMinimumWidth(240);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(18);
        return c;
    };
    auto nouvelleEtiquette = [f](const QString& texte, QWidget* champ) {
        auto* l = new QLabel(texte, f->m_champs);
        l->setBuddy(champ);
        champ->setAccessibleName(texte);
        return l;
    };
    auto* rangeeBenne = new QHBoxLayout;
    m_choixBenne = nouveauChoix(QStringLiteral("choixBenne"));
    rangeeBenne->addWidget(nouvelleEtiquette(QStringLiteral("Benne"), m_choixBenne));
    rangeeBenne->addWidget(m_choixBenne, 1);
    // After the client's row.
    int apresClient = colonne->count();
    for (int i = 0; i < colonne->count(); ++i)
        if (QLayout* rangee = colonne->itemAt(i)->layout(); rangee && rangee->indexOf(f->m_choixClient) >= 0)
            apresClient = i + 1;
    colonne->insertLayout(apresClient, rangeeBenne);

    // The drivers, under the dates they serve.
    auto* chauffeurs = new QWidget(f->m_champs);
    auto* grille = new QGridLayout(chauffeurs);
    grille->setContentsMargins(0, 10, 0, 0);
    grille->setHorizontalSpacing(12);
    m_choixPose = nouveauChoix(QStringLiteral("choixChauffeurPose"));
    m_choixEnlevement = nouveauChoix(QStringLiteral("choixChauffeurEnlevement"));
    grille->addWidget(nouvelleEtiquette(QStringLiteral("Chauffeur de la pose"), m_choixPose), 0, 0);
    grille->addWidget(m_choixPose, 0, 1, Qt::AlignLeft);
    grille->addWidget(nouvelleEtiquette(QStringLiteral("Chauffeur de l’enlèvement"), m_choixEnlevement), 1, 0);
    grille->addWidget(m_choixEnlevement, 1, 1, Qt::AlignLeft);
    grille->setColumnStretch(2, 1);
    colonne->insertWidget(colonne->indexOf(f->m_champPose->parentWidget()) + 1, chauffeurs);

    // The bill as stored and as it will be, side by side.
    auto* prix = new QWidget(f->m_champs);
    prix->setObjectName(QStringLiteral("comparaisonPrix"));
    auto* h = new QHBoxLayout(prix);
    h->setContentsMargins(0, 10, 0, 0);
    h->setSpacing(24);
    m_avant = new QLabel(prix);
    m_avant->setObjectName(QStringLiteral("prixAvant"));
    m_apres = new QLabel(prix);
    m_apres->setObjectName(QStringLiteral("prixApres"));
    for (QLabel* l : {m_avant, m_apres}) {
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        h->addWidget(l);
    }
    h->addStretch(1);
    colonne->addWidget(prix);
    actualiserListes();
    for (QComboBox* c : {m_choixBenne, m_choixPose, m_choixEnlevement})
        connect(c, &QComboBox::activated, this, [this] {
            m_form->m_benne = benneChoisie();
            m_form->actualiserChevauchement();
        });
}

void EditionLocation::actualiserListes()
{
    ModelContext* ctx = m_form->m_context;
    const Benne* benneAvant = benneChoisie() ? benneChoisie() : m_location->benne();
    const Chauffeur* poseAvant = chauffeurChoisi(m_choixPose);
    const Chauffeur* enlevementAvant = chauffeurChoisi(m_choixEnlevement);
    QList<Benne*> bennes = ctx->fetch<Benne>();
    // By volume, then by colour: as the grid's rows go. An unusable skip is offered only as the
    // one the rental already holds.
    std::stable_sort(bennes.begin(), bennes.end(), [](const Benne* a, const Benne* b) { return a->volume() < b->volume(); });
    m_choixBenne->clear();
    // Look-alike skips named as every screen names them; those that nothing tells apart, by
    // their rank.
    QHash<QString, int> rangs;
    for (Benne* b : std::as_const(bennes)) {
        if (b->etat() == EtatBenne::inutilisable && b != m_location->benne())
            continue;
        QString texte = QStringLiteral("Benne ") + nomBenneDistinct(b);
        if (const int rang = ++rangs[texte]; rang > 1)
            texte += QStringLiteral(" (n°\u00A0%1)").arg(rang);
        m_choixBenne->addItem(texte, QVariant::fromValue<void*>(b));
    }
    choisirDonnee(m_choixBenne, benneAvant);
    QList<Chauffeur*> liste = ctx->fetch<Chauffeur>();
    std::stable_sort(liste.begin(), liste.end(),
                     [](const Chauffeur* a, const Chauffeur* b) { return nameLessThan(texteChauffeur(a), texteChauffeur(b)); });
    for (auto [choix, avant] : {std::pair(m_choixPose, poseAvant), std::pair(m_choixEnlevement, enlevementAvant)}) {
        choix->clear();
        choix->addItem(QStringLiteral("— Aucun —"), QVariant::fromValue<void*>(nullptr));
        for (Chauffeur* c : std::as_const(liste))
            choix->addItem(texteChauffeur(c), QVariant::fromValue<void*>(c));
        choisirDonnee(choix, avant);
    }
}

Benne* EditionLocation::benneChoisie() const
{
    return m_choixBenne ? static_cast<Benne*>(m_choixBenne->currentData().value<void*>()) : nullptr;
}

Chauffeur* EditionLocation::chauffeurChoisi(const QComboBox* choix) const
{
    return choix ? static_cast<Chauffeur*>(choix->currentData().value<void*>()) : nullptr;
}

void EditionLocation::lierChamps()
{
    FormulaireLocationView* f = m_form;
    LocationDeBenne* l = m_location;
    m_live = new forms::LiveForm(f->m_context, [l] { return static_cast<Record*>(l); }, f);
    const auto texteCoordonnee = [](const std::optional<double>& v) { return v ? texteCourt(*v) : QString(); };
    const auto lireCoordonnee = [](const QLineEdit* champ, const Plage& plage) -> std::optional<double> {
        return lireCoordonneeEnregistrement(champ->text(), plage.maximum);
    };
    const auto texteTarif = [](double v) { return QString::number(v, 'g', 17); };
    const auto chargerTexte = [f](QLineEdit* champ, const QString& texte) {
        f->m_majInterne = true;
        champ->setText(texte);
        f->m_majInterne = false;
    };
    QList<forms::LiveField> champs(chauffeurEnlevement + 1);
    champs[client] = {QStringLiteral("Client"), [f] { return texteId(f->m_client); }, [l] { return texteId(l->client()); },
                      [f, l] {
                          f->m_client = l->client();
                          choisirDonnee(f->m_choixClient, f->m_client);
                          f->actualiserContacts();
                      },
                      [f, l] { l->setClient(f->m_client); }};
    champs[benne] = {QStringLiteral("Benne"), [this] { return texteId(benneChoisie()); }, [l] { return texteId(l->benne()); },
                     [this, f, l] {
                         choisirDonnee(m_choixBenne, l->benne());
                         f->m_benne = l->benne();
                         f->actualiserChevauchement();
                     },
                     [this, l] { l->setBenne(benneChoisie()); }};
    champs[pose] = {QStringLiteral("Date de pose"), [f] { return QString::number(f->m_datePose.toMSecsSinceEpoch()); },
                    [l] { return QString::number(l->datePoseMs()); },
                    [f, l] {
                        f->m_datePose = QDateTime::fromMSecsSinceEpoch(l->datePoseMs(), f->m_zone);
                        f->montrerDates();
                    },
                    [f, l] { l->setDatePose(f->m_datePose); }};
    champs[enlevement] = {
        QStringLiteral("Date d’enlèvement"),
        [f] { return texteMs(f->m_dateEnlevement ? std::optional<qint64>(f->m_dateEnlevement->toMSecsSinceEpoch()) : std::nullopt); },
        [l] { return texteMs(l->dateEnlevementMs()); },
        [f, l] {
            f->m_dateEnlevement.reset();
            if (const auto ms = l->dateEnlevementMs())
                f->m_dateEnlevement = QDateTime::fromMSecsSinceEpoch(*ms, f->m_zone);
            f->montrerDates();
        },
        [f, l] { l->setDateEnlevement(f->m_dateEnlevement); }};
    champs[adresse] = {QStringLiteral("Adresse"), [f] { return f->m_champAdresse->text(); },
                       [l] { return l->adresse().value_or(QString()); },
                       [f, l, chargerTexte] { chargerTexte(f->m_champAdresse, l->adresse().value_or(QString())); },
                       [f, l] {
                           // One line, as every one-line field stores it.
                           QString texte = f->m_champAdresse->text();
                           texte.replace(QRegularExpression(QStringLiteral("[\\r\\n\\t]+")), QStringLiteral(" "));
                           texte = texte.trimmed();
                           l->setAdresse(texte.isEmpty() ? std::nullopt : std::optional<QString>(texte));
                       }};
    champs[latitude] = {QStringLiteral("Latitude"), [f] { return f->m_champLatitude->text(); },
                        [l, texteCoordonnee] { return texteCoordonnee(l->latitude()); },
                        [f, l, texteCoordonnee, chargerTexte] { chargerTexte(f->m_champLatitude, texteCoordonnee(l->latitude())); },
                        [f, l, lireCoordonnee] { l->setLatitude(lireCoordonnee(f->m_champLatitude, plageLatitude)); }};
    champs[longitude] = {QStringLiteral("Longitude"), [f] { return f->m_champLongitude->text(); },
                         [l, texteCoordonnee] { return texteCoordonnee(l->longitude()); },
                         [f, l, texteCoordonnee, chargerTexte] { chargerTexte(f->m_champLongitude, texteCoordonnee(l->longitude())); },
                         [f, l, lireCoordonnee] { l->setLongitude(lireCoordonnee(f->m_champLongitude, plageLongitude)); }};
    champs[type] = {QStringLiteral("Type de déchet"), [f] { return texteId(f->m_typeDechet); },
                    [l] { return texteId(l->typeDechet()); },
                    [f, l] {
                        f->m_typeDechet = l->typeDechet();
                        f->m_choixType->setCurrentIndex(f->m_choixType->findData(QVariant::fromValue<void*>(f->m_typeDechet)));
                    },
                    [f, l] { l->setTypeDechet(f->m_typeDechet); }};
    const auto tarif = [&](const QString& nom, forms::NumberField* champ, const double& (LocationDeBenne::*lire)() const,
                           void (LocationDeBenne::*ecrire)(const double&)) {
        return forms::LiveField{nom, [champ] { return champ->lineEdit()->text(); },
                                [l, lire, texteTarif] { return texteTarif((l->*lire)()); },
                                [champ, l, lire] { champ->setValue((l->*lire)()); },
                                [champ, l, ecrire] { (l->*ecrire)(champ->value().value_or(0)); }};
    };
    champs[tarifPose] = tarif(QStringLiteral("Tarif de pose"), f->m_tarifPose, &LocationDeBenne::tarifPose,
                              &LocationDeBenne::setTarifPose);
    champs[tarifEnlevement] = tarif(QStringLiteral("Tarif d’enlèvement"), f->m_tarifEnlevement,
                                    &LocationDeBenne::tarifEnlevement, &LocationDeBenne::setTarifEnlevement);
    champs[tarifJournalier] = tarif(QStringLiteral("Tarif journalier"), f->m_tarifJournalier,
                                    &LocationDeBenne::tarifJournalier, &LocationDeBenne::setTarifJournalier);
    const auto chauffeur = [&](const QString& nom, QComboBox* choix, Chauffeur* (LocationDeBenne::*lire)() const,
                               void (LocationDeBenne::*ecrire)(Chauffeur*)) {
        return forms::LiveField{nom, [this, choix] { return texteId(chauffeurChoisi(choix)); },
                                [l, lire] { return texteId((l->*lire)()); },
                                [choix, l, lire] { choisirDonnee(choix, (l->*lire)()); },
                                [this, choix, l, ecrire] { (l->*ecrire)(chauffeurChoisi(choix)); }};
    };
    champs[chauffeurPose] = chauffeur(QStringLiteral("Chauffeur de la pose"), m_choixPose,
                                      &LocationDeBenne::chauffeurPose, &LocationDeBenne::setChauffeurPose);
    champs[chauffeurEnlevement] = chauffeur(QStringLiteral("Chauffeur de l’enlèvement"), m_choixEnlevement,
                                            &LocationDeBenne::chauffeurEnlevement, &LocationDeBenne::setChauffeurEnlevement);
    m_live->setFields(std::move(champs));
    m_live->loadAll();
    // The prices card shows the rental's own prices when it has some.
    if (l->tarifPose() != 0 || l->tarifEnlevement() != 0 || l->tarifJournalier() != 0)
        f->m_interrupteurTarifs->setChecked(true);
}

bool EditionLocation::aDesModifications() const
{
    return !m_location->isDeleted() && m_live->typed();
}

void EditionLocation::actualiserPrix()
{
    if (m_location->isDeleted())
        return;
    const QTimeZone& zone = m_form->m_zone;
    m_avant->setText(lignesPrix(QStringLiteral("Avant"), m_location->detailPrix(zone)));
    const FormulaireLocationView* f = m_form;
    const ElementsPrix apres{f->m_tarifPose->value().value_or(0),
                             f->m_tarifEnlevement->value().value_or(0),
                             f->m_tarifJournalier->value().value_or(0),
                             f->m_typeDechet,
                             m_location->poidsTotalKg(),
                             f->m_datePose.toMSecsSinceEpoch(),
                             f->m_dateEnlevement ? std::optional<qint64>(f->m_dateEnlevement->toMSecsSinceEpoch())
                                                 : std::nullopt};
    m_apres->setText(lignesPrix(QStringLiteral("Après"), detailPrix(apres, zone)));
}

void EditionLocation::surSuppression()
{
    if (!m_location->isDeleted() || m_avisSupprimee->isVisibleTo(m_form))
        return;
    m_avisSupprimee->show();
    m_form->m_valider->setEnabled(false);
}

bool EditionLocation::enregistrer(bool chevauchementConfirme, std::function<void()> apresConfirmation)
{
    FormulaireLocationView* f = m_form;
    const auto reprendre = [f] {
        f->m_isSaving = false;
        f->m_valider->setEnabled(true);
    };
    if (m_location->isDeleted()) {
        surSuppression();
        return false;
    }
    std::optional<double> lat;
    std::optional<double> lon;
    if (!f->champsAcceptes(lat, lon))
        return false;
    if (f->m_dateEnlevement && *f->m_dateEnlevement < f->m_datePose) {
        f->afficherEchec(messageEnlevementAvantPose(), [f] {
            return f->m_dateEnlevement && *f->m_dateEnlevement < f->m_datePose;
        }, f->m_champEnlevement);
        return false;
    }
    if (!benneChoisie()) {
        f->afficherEchec(FormulaireLocationView::messageChampsObligatoires(), {}, m_choixBenne);
        return false;
    }
    QPointer<FormulaireLocationView> moi(f);
    const auto reessayer = [moi, apresConfirmation](bool confirme) {
        // Posted: the question closes first, the sheet may then close with the rental stored.
        QTimer::singleShot(0, moi, [moi, apresConfirmation, confirme] {
            if (moi && moi->enregistrer(confirme, {}) && apresConfirmation)
                apresConfirmation();
        });
    };
    if (m_live->askAboutConflicts(QStringLiteral("Cette location a été modifiée dans une autre fenêtre"),
                                  [reessayer, chevauchementConfirme] { reessayer(chevauchementConfirme); })) {
        reprendre();
        return false;
    }
    const bool sansQuestion = forms::quitsWithoutQuestions();
    // Another client: both named, told apart as everywhere, before anything moves.
    if (m_live->typed(client) && !m_clientConfirme && !sansQuestion && f->m_client != m_location->client()) {
        reprendre();
        if (m_questionClient)
            return false;
        const int bons = int(m_location->bonsDePesee().size());
        const QString message =
            QStringLiteral("De\u00A0: ") + nomClientDistinct(m_location->client(), kLongueurNomDansUnePhrase) + QStringLiteral("\nÀ\u00A0: ")
            + nomClientDistinct(f->m_client, kLongueurNomDansUnePhrase) + QStringLiteral("\n\n")
            + (bons == 0 ? QStringLiteral("La location garde ses chauffeurs.")
                         : QStringLiteral("La location garde ses chauffeurs et ses %1 bon%2 de pesée.")
                               .arg(bons)
                               .arg(bons > 1 ? QStringLiteral("s") : QString()));
        QPointer<EditionLocation> garde(this);
        m_questionClient = forms::askConfirmation(f, QStringLiteral("Changer le client de la location\u00A0?"), message,
                                                  QStringLiteral("Changer le client"), QStringLiteral("Annuler"),
                                                  [garde, reessayer, chevauchementConfirme] {
                                                      if (!garde)
                                                          return;
                                                      garde->m_clientConfirme = true;
                                                      reessayer(chevauchementConfirme);
                                                  });
        m_questionClient->setObjectName(QStringLiteral("confirmationClient"));
        m_questionClient->setTextFormat(Qt::PlainText);
        return false;
    }
    // The skip or the days moved over another booking: asked as a new rental asks.
    f->actualiserChevauchement();
    const bool deplacee = m_live->typed(benne) || m_live->typed(pose) || m_live->typed(enlevement);
    if (deplacee && !f->m_chevauchements.isEmpty() && !chevauchementConfirme && !sansQuestion) {
        reprendre();
        f->demanderConfirmationChevauchement(std::move(apresConfirmation));
        return false;
    }
    return stocker();
}

bool EditionLocation::stocker()
{
    FormulaireLocationView* f = m_form;
    const bool relocaliser = m_live->typed(adresse) && !m_live->typed(latitude) && !m_live->typed(longitude);
    m_live->writeTyped();
    QString erreur;
    if (!f->m_context->save(&erreur)) {
        f->afficherEchec(forms::saveFailedText(erreur));
        return false;
    }
    m_live->markAllLoaded();
    m_clientConfirme = false;
    f->m_issueEnregistrement = QStringLiteral("Location modifiée pour %1.")
                                   .arg(nomClientDistinct(m_location->client(), kLongueurNomDansUnePhrase));
    f->m_isSaving = false;
    f->m_valider->setEnabled(true);
    // A new address is located again, as a new rental's is; coordinates typed with it stay.
    ModelContext* context = f->m_context;
    LocationDeBenne* location = m_location;
    const QString lieu = location->adresse().value_or(QString());
    if (f->m_onDismiss)
        f->m_onDismiss();
    if (relocaliser && !lieu.isEmpty())
        GeocodageApresEnregistrement::pour(context)->lancer(location, lieu);
    return true;
}

} // namespace kv
