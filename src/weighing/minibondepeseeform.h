#pragma once

// The ticket form of one rental: its weighbridge tickets (newest first), the loaded ticket's
// date, net waste weight and attached document, saved on "Enregistrer", deleted after a
// question together with its document when that lies in the tickets folder.
//
// It keeps typed work as the record editors do, through the same list/detail glue and the same
// live form: what differs from the loaded ticket is unsaved (hasUnsavedChanges), leaving it asks
// « Enregistrer les modifications ? », quitting keeps what can be saved, Ctrl+S and Ctrl+Return
// save, Ctrl+Escape takes back what was typed. A ticket changed elsewhere shows the new values of the
// fields not typed in, a save writes only the fields typed in, and a field typed here that was
// stored elsewhere meanwhile is asked about before the save.

#include "dossiertickets.h"

#include "model/horloge.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QShortcut;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace kv {

namespace forms {
class LiveForm;
}

class BonDePesee;
class BoutonAbrege;
class ElidedLabel;
class LocationDeBenne;
class MacSectionHeader;
class MacTag;
class ModelChanges;
class ModelContext;
class PieceJointePreview;

// A rental's tickets, newest `date` first; tickets of the same date keep the rental's order.
QList<BonDePesee*> bonsParDate(const LocationDeBenne* location);
// The newest ticket, or null.
BonDePesee* dernierBon(const LocationDeBenne* location);
// The whole kilos of a weight ("850" for 850.9, "-3" for -3.7); any double, finite or not.
QString kilosEntiers(double poids);

class MiniBonDePeseeForm : public QWidget {
    Q_OBJECT
public:
    // Asks which document to attach; an empty text when the user cancelled.
    using FilePicker = std::function<QString(QWidget* parent)>;

    MiniBonDePeseeForm(ModelContext* context, LocationDeBenne* location, Horloge horloge,
                       DossierTickets dossier, QWidget* parent = nullptr);
    ~MiniBonDePeseeForm() override;

    // Hands the form another rental: its newest ticket is loaded, or the form is cleared.
    void setLocation(LocationDeBenne* location);
    LocationDeBenne* location() const { return m_location; }

    // "850,46" for 850.456 in French: at most two decimals, no grouping.
    static QString formatPoids(double poids);

    BonDePesee* bonCourant() const { return m_bonCourant; }
    QDateTime date() const { return m_date; }
    QString poidsNetKgStr() const;
    std::optional<QString> cheminFichier() const { return m_cheminFichier; }
    QString importerError() const { return m_erreur; }
    QString titreFenetre() const;

    void selectionnerBon(BonDePesee* bon);
    void reinitialiserFormulaire();
    // Ctrl+Escape: asks, then shows the ticket again as stored; the rental stays chosen.
    void reprendre();
    // "Enregistrer": writes the loaded ticket, or creates one. False, with the red line saying
    // why, when nothing was stored.
    bool enregistrerBon();
    // "Nouveau bon": clears the form so that "Enregistrer" creates a ticket (typed work asks first).
    void nouveauBon();

    // Typed work: the date, the weight or the document differ from the loaded ticket's (or, on a
    // new ticket, from an empty form).
    bool hasUnsavedChanges() const;
    // The typed weight reads as one "Enregistrer" keeps.
    bool canSaveChanges() const;
    // "Enregistrer"; true once stored.
    bool saveChanges() { return enregistrerBon(); }
    // The trash button: asks, then deletes.
    void demanderSuppression(BonDePesee* bon);
    void supprimerBon(BonDePesee* bon);

    // Attachments.
    void setFilePicker(FilePicker picker) { m_picker = std::move(picker); }
    void ajouterBordereau();
    void importerFichierChoisi(const QString& source);
    void ouvrirDansApercu();
    void revelerDansFinder();
    void supprimerFichier();
    const DossierTickets& dossier() const { return m_dossier; }

    // What is shown (tests and assistive tools).
    QStringList tagsEnTete() const;
    QString centreTexte() const;
    QString prixTexte() const;
    QString dechetTexte() const;
    QString poseTexte() const;
    QLineEdit* champPoids() const { return m_poids; }
    QDateTimeEdit* champDate() const { return m_dateEdit; }
    PieceJointePreview* apercu() const { return m_apercu; }
    QPushButton* boutonEnregistrer() const { return m_enregistrer; }

    // The focus in the form's first field (the date).
    void focusFirstField();

    QSize minimumSizeHint() const override;

signals:
    // A ticket of `location` was created, changed or deleted and the store saved.
    void saved(kv::LocationDeBenne* location);

protected:
    // Return on a focused button of the form presses it.
    bool eventFilter(QObject* objet, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Hands the attached file to the desktop (open it, show it in its folder).
    void confierAuBureau(bool (*action)(const QString&), QString (*echec)(const QString&));
    void construire();
    QWidget* construireChamps();
    QWidget* construireBoutons();
    QWidget* construireLignePieceJointe();
    void rafraichir();
    void rafraichirEnTete();
    // The weight's badge alone, in the room the header keeps for it.
    void rafraichirBadgePoids();
    void rafraichirListe();
    // Tab in reading order: the ticket rows, then the fields and buttons under them.
    void ordonnerTabulation();
    void rafraichirChamps();
    // The centre of the rental's waste type, which a new ticket records.
    std::optional<QString> centreDuType() const;
    void rafraichirPieceJointe();
    void setErreur(const QString& erreur);
    void contexteChange(const ModelChanges& changes);
    // The window is named by the form while it is shown (see windowtitle.h).
    void appliquerTitre();
    // The weight field's text without the line ends and blanks around it.
    QString poidsTape() const;
    std::optional<double> poidsSaisi(bool* ok) const;
    // A weight text as "Enregistrer" reads it: as the shared reader of typed numbers does.
    static std::optional<double> lirePoids(const QString& texte, bool* ok);
    // Why the typed weight cannot be stored (empty when it can); `poids` gets what it reads as.
    QString refusDuPoids(std::optional<double>* poids) const;
    // Runs `suite` at once without typed work; otherwise asks first, as leaving an editor does.
    void apresQuestion(std::function<void()> suite);
    // The form's fields bound to the loaded ticket's, for following and saving.
    void lierChamps();
    void montrerDate(const QDateTime& date);
    // A date given before the rental's placement asks first; true while the question is open.
    bool demanderDateAvantPose();
    // Removes the copy made for the loaded ticket while no stored ticket holds it.
    void abandonnerCopie();
    bool autreBonPointeVers(const QString& chemin) const;

    ModelContext* m_context;
    LocationDeBenne* m_location = nullptr;
    QShortcut* m_cleModifier = nullptr;
    Horloge m_horloge;
    DossierTickets m_dossier;
    FilePicker m_picker;

    BonDePesee* m_bonCourant = nullptr;
    QDateTime m_date;
    std::optional<QString> m_cheminFichier;
    // The date, the weight and the document, in this order, bound to the loaded ticket.
    enum Champ { kDate, kPoids, kPiece };
    forms::LiveForm* m_live = nullptr;
    // The document copied into the tickets folder for the loaded ticket and not stored yet.
    std::optional<QString> m_copie;
    QString m_erreur;
    QList<BonDePesee*> m_bonsConnus;

    QVBoxLayout* m_racine = nullptr;
    MacSectionHeader* m_entete = nullptr;
    QWidget* m_sectionListe = nullptr;
    QVBoxLayout* m_pileListe = nullptr;
    QWidget* m_liste = nullptr;
    // The rows of the ticket list and their tickets, in the order shown.
    QList<QWidget*> m_lignes;
    QList<BonDePesee*> m_bonsListes;
    QDateTimeEdit* m_dateEdit = nullptr;
    ElidedLabel* m_centre = nullptr;
    QLineEdit* m_poids = nullptr;
    ElidedLabel* m_dechetLibelle = nullptr;
    QLabel* m_prix = nullptr;
    QLabel* m_pose = nullptr;
    QPushButton* m_ajouter = nullptr;
    QPushButton* m_nouveau = nullptr;
    QPushButton* m_enregistrer = nullptr;
    // The room kept for the weight's badge.
    int m_largeurBadgePoids = 0;
    int m_hauteurBadgePoids = 0;
    QWidget* m_placePoids = nullptr;
    MacTag* m_badgePoids = nullptr;
    // Beside the badge while the weight shown is typed and not stored.
    ElidedLabel* m_marqueSaisie = nullptr;
    QLabel* m_ligneErreur = nullptr;
    QList<QPushButton*> m_boutonsPiece;
    QLabel* m_aucunePiece = nullptr;
    QPushButton* m_ouvrir = nullptr;
    QPushButton* m_reveler = nullptr;
    BoutonAbrege* m_dissocier = nullptr;
    PieceJointePreview* m_apercu = nullptr;
    bool m_avantPoseConfirme = false;
};

} // namespace kv
