#pragma once

// The form in which the office books one skip for a client: client, site address (with
// completion suggestions, a city search and a map), dates, contact, waste type and optional
// prices for this rental alone. "Valider" stores the rental (validerEtEnregistrer); when the
// store holds no client or no waste type, a configuration card stands in its place. It opens
// with no client chosen: the user picks one before "Valider" stores anything.
// It keeps the editors' rules: Ctrl+S, Ctrl+Return and Ctrl+Enter press "Valider"; "Annuler"
// and Ctrl+Escape leave, asking « Enregistrer les modifications ? » when something was typed.
// The removal date is none (« Non prévue ») until the user sets one, and can be taken back to
// none. While the skip is already booked on the chosen days, a line says by whom, and "Valider"
// asks before storing a second booking over the first.
// Built for a stored rental, the same form corrects it (« Modifier la location »): the editing
// piece (EditionLocation) holds what that mode adds.

#include "platform/adresseservice.h"

#include "model/horloge.h"
#include "widgets/forms/dialogs.h"

#include <QDateTime>
#include <QList>
#include <QTimeZone>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QMessageBox;
class QStackedWidget;
class QToolButton;

namespace kv {

class AdresseAutoCompleteur;
class Benne;
class CarteAvecRepere;
class CitySearchPopup;
class Client;
class ClientsDuFormulaire;
class Contact;
class EditionLocation;
class FlipView;
class LocalisationManager;
class LocationDeBenne;
class SearchablePicker;
class ModelContext;
class TypeDechet;
class VueSuggestionsAdresse;
template <class T>
class Query;
namespace forms {
class NumberField;
}

class FormulaireLocationView : public QWidget {
    Q_OBJECT
public:
    static QString messageChampsObligatoires() { return QStringLiteral("Merci de remplir tous les champs obligatoires."); }
    // The red line of a coordinate typed without the other one.
    // The line under the title naming the skip booked (volume and colour), when it is known.
    QLabel* texteBenne() const { return m_texteBenne; }
    static QString messageLatitudeManquante()
    {
        return QStringLiteral("La latitude manque\u00A0: saisissez-la avec la longitude, ou effacez la longitude.");
    }
    static QString messageLongitudeManquante()
    {
        return QStringLiteral("La longitude manque\u00A0: saisissez-la avec la latitude, ou effacez la latitude.");
    }

    // `service` answers the address questions; without one the form makes its own, at the
    // address of the settings. The placement date starts a day after the clock's now.
    FormulaireLocationView(ModelContext* context, const QUuid& benneId, std::function<void()> onDismiss,
                           AdresseService* service = nullptr, QWidget* parent = nullptr,
                           const Horloge& horloge = Horloge::systeme());
    // The form correcting `location`: its stored values shown, « Enregistrer » writing what was
    // changed (see EditionLocation).
    FormulaireLocationView(ModelContext* context, LocationDeBenne* location, std::function<void()> onDismiss,
                           AdresseService* service = nullptr, QWidget* parent = nullptr,
                           const Horloge& horloge = Horloge::systeme());
    ~FormulaireLocationView() override;

    // The editing mode's piece; none for a new rental.
    EditionLocation* edition() const { return m_edition; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The action of "Valider" (and of Return, Ctrl+S, Ctrl+Return). True when the rental was
    // stored (the sheet is then dismissed); false when it was refused, its red line shown, or
    // when the skip is already booked on those days: the question « Benne déjà louée » is then
    // open, and `apresConfirmation` runs once the rental is stored from it.
    bool validerEtEnregistrer(std::function<void()> apresConfirmation = {});

    // Leaves the form: at once when nothing was typed; otherwise after « Enregistrer les
    // modifications ? » answered "Enregistrer" (the rental stored) or "Ne pas enregistrer".
    // `ensuite` runs once the form was dismissed; "Annuler", or a refused save, keeps the form
    // and runs nothing. The action of "Annuler" and Ctrl+Escape.
    void quitterEnDemandant(std::function<void()> ensuite = {}, forms::Leaving pourquoi = forms::Leaving::elsewhere);

    // Whether the user typed or chose anything since the form appeared: an address, coordinates,
    // dates, a contact, another client or waste type, prices.
    bool hasUnsavedChanges() const;

    // --- State, for the sheet and the tests
    bool afficheFormulaire() const;
    Client* clientSelectionne() const { return m_client; }
    Contact* contactSelectionne() const { return m_contact; }
    TypeDechet* typeDechetSelectionne() const { return m_typeDechet; }
    QString adresse() const;
    QString latitude() const;
    QString longitude() const;
    QDateTime datePose() const { return m_datePose; }
    std::optional<QDateTime> dateEnlevement() const { return m_dateEnlevement; }
    bool isSaving() const { return m_isSaving; }
    bool showError() const { return m_showError; }
    QString texteErreur() const;
    // What a reader hears once the rental is stored (« Location enregistrée pour … »), said by
    // the sheet once the keys are back where the work came from; empty before.
    QString issueEnregistrement() const { return m_issueEnregistrement; }
    // The rentals of the skip that already hold it on the chosen days, earliest first.
    const QList<LocationDeBenne*>& chevauchements() const { return m_chevauchements; }
    // The line naming them, empty when there are none.
    QString texteChevauchement() const;

    // --- Parts, for the sheet and the tests
    SearchablePicker* choixClient() const { return m_choixClient; }
    QComboBox* choixContact() const { return m_choixContact; }
    QComboBox* choixTypeDechet() const { return m_choixType; }
    QLineEdit* champAdresse() const { return m_champAdresse; }
    QLineEdit* champLatitude() const { return m_champLatitude; }
    QLineEdit* champLongitude() const { return m_champLongitude; }
    QToolButton* boutonVille() const { return m_boutonVille; }
    QDateEdit* champDatePose() const { return m_champPose; }
    QDateEdit* champDateEnlevement() const { return m_champEnlevement; }
    // « Non prévue » while the rental has no removal date, with the button that sets one; the
    // button beside the date that takes it back to none.
    QLabel* etiquetteSansEnlevement() const { return m_sansEnlevement; }
    QPushButton* boutonFixerEnlevement() const { return m_fixerEnlevement; }
    QToolButton* boutonRetirerEnlevement() const { return m_retirerEnlevement; }
    QLabel* avisChevauchement() const { return m_avisChevauchement; }
    // The question asked before storing a booking over another, while it is open.
    QMessageBox* questionChevauchement() const;
    QCheckBox* interrupteurTarifs() const { return m_interrupteurTarifs; }
    FlipView* carteTarifs() const { return m_flip; }
    forms::NumberField* champTarifPose() const { return m_tarifPose; }
    forms::NumberField* champTarifEnlevement() const { return m_tarifEnlevement; }
    forms::NumberField* champTarifJournalier() const { return m_tarifJournalier; }
    QPushButton* boutonValider() const { return m_valider; }
    QPushButton* boutonAnnuler() const { return m_annuler; }
    QPushButton* boutonFermer() const { return m_fermer; }
    VueSuggestionsAdresse* suggestions() const { return m_suggestions; }
    CarteAvecRepere* carte() const { return m_carte; }
    AdresseAutoCompleteur* autoCompleteur() const { return m_autoCompleteur; }
    LocalisationManager* localisationManager() const { return m_localisation; }
    // The city search popup while it is open.
    CitySearchPopup* popupVille() const;
    void ouvrirRechercheVille();

    // Sets the removal date (as picking one does), or takes it back to none.
    void setDateEnlevement(const QDateTime& date);
    void retirerDateEnlevement();
    void setDatePose(const QDateTime& date);

signals:
    // The dates shown changed (typed, picked, or loaded).
    void datesModifiees();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* construireCarteConfiguration();
    QWidget* construireFormulaire();
    QWidget* sectionAdresse();
    QWidget* sectionDates();
    QWidget* construireRangeeEnlevement(QWidget* parent, QDateEdit* champ);
    QWidget* sectionTarifs();
    QWidget* rangeeBoutons();

    void appliquerEncres();
    void actualiserClients();
    void actualiserTypes();
    void actualiserContacts();
    void choisirEcran();
    void surAdresseModifiee(const QString& texte);
    void surSuggestionsModifiees();
    void selectionnerSuggestion(const Lieu& lieu);
    void formaterCoordonnee();
    void surCoordonneesModifiees();
    void corrigerEnlevement();
    // Shows the red line; `cause` (when given) tells whether its cause still stands: the line
    // goes as soon as it no longer does.
    // The red line; `champ`, the field at fault, is outlined and takes the keys until the cause
    // is mended.
    void afficherEchec(const QString& texte, std::function<bool()> cause = {}, QWidget* champ = nullptr);
    void revoirEchec();
    void montrerDates();
    void fixerDateEnlevement();
    void actualiserChevauchement();
    void reserverPlaceAvis();
    bool enregistrer(bool chevauchementConfirme, std::function<void()> apresConfirmation);
    // What both modes refuse before anything is stored: a price that does not read, no client,
    // half a coordinate, a coordinate out of its range (the red line shown). The coordinates read.
    bool champsAcceptes(std::optional<double>& latitude, std::optional<double>& longitude);
    friend class EditionLocation;
    void demanderConfirmationChevauchement(std::function<void()> apresConfirmation);

    ModelContext* m_context;
    QUuid m_benneId;
    // The skip to rent, as it was when the form opened (the save looks it up again).
    Benne* m_benne = nullptr;
    QTimeZone m_zone;
    std::function<void()> m_onDismiss;
    AdresseService* m_service;
    ClientsDuFormulaire* m_clients;
    Query<TypeDechet>* m_types;
    EditionLocation* m_edition = nullptr;
    AdresseAutoCompleteur* m_autoCompleteur;
    LocalisationManager* m_localisation;

    Client* m_client = nullptr;
    Contact* m_contact = nullptr;
    TypeDechet* m_typeDechet = nullptr;
    QDateTime m_datePose;
    std::optional<QDateTime> m_dateEnlevement;
    bool m_isSaving = false;
    bool m_showError = false;
    QString m_issueEnregistrement;
    QString m_erreurServiceDite; // the address service's error last said to a reader
    QLabel* m_texteBenne = nullptr;
    std::function<bool()> m_causeEchec;
    QPointer<QWidget> m_champEchec;
    QScrollArea* m_defilement = nullptr;
    bool m_apparu = false;
    // The coordinate texts were typed, or filled by a suggestion or a city: until then the
    // starting position shows only as the fields' placeholders.
    bool m_coordonneesChoisies = false;
    bool m_majInterne = false;
    // The chosen waste type was deleted: no other one is chosen in its place.
    bool m_typeDechetPerdu = false;
    // What the form showed when it appeared, to tell typed work from its own defaults (it
    // chooses no client).
    TypeDechet* m_typeDechetInitial = nullptr;
    QDateTime m_datePoseInitiale;

    QStackedWidget* m_pile = nullptr;
    QWidget* m_champs = nullptr;
    QLabel* m_titre = nullptr;
    QWidget* m_boutons = nullptr;
    SearchablePicker* m_choixClient = nullptr;
    QComboBox* m_choixContact = nullptr;
    QLabel* m_etiquetteContact = nullptr;
    QComboBox* m_choixType = nullptr;
    QLineEdit* m_champAdresse = nullptr;
    QStackedWidget* m_emplacement = nullptr;
    VueSuggestionsAdresse* m_suggestions = nullptr;
    CarteAvecRepere* m_carte = nullptr;
    QLabel* m_messageService = nullptr;
    QLineEdit* m_champLatitude = nullptr;
    QLineEdit* m_champLongitude = nullptr;
    QToolButton* m_boutonVille = nullptr;
    QDateEdit* m_champPose = nullptr;
    QStackedWidget* m_pileEnlevement = nullptr;
    QLabel* m_sansEnlevement = nullptr;
    QPushButton* m_fixerEnlevement = nullptr;
    QDateEdit* m_champEnlevement = nullptr;
    QToolButton* m_retirerEnlevement = nullptr;
    QLabel* m_avisChevauchement = nullptr;
    QWidget* m_placeAvis = nullptr;
    int m_reserveAvis = 0;
    QList<LocationDeBenne*> m_chevauchements;
    QPointer<QMessageBox> m_questionChevauchement;
    QCheckBox* m_interrupteurTarifs = nullptr;
    FlipView* m_flip = nullptr;
    forms::NumberField* m_tarifPose = nullptr;
    forms::NumberField* m_tarifEnlevement = nullptr;
    forms::NumberField* m_tarifJournalier = nullptr;
    QLabel* m_erreur = nullptr;
    QPushButton* m_valider = nullptr;
    QPushButton* m_annuler = nullptr;
    QPushButton* m_fermer = nullptr;
    QWidget* m_pageFormulaire = nullptr;
    QWidget* m_pageConfiguration = nullptr;
    QPointer<CitySearchPopup> m_popupVille;
};

} // namespace kv
