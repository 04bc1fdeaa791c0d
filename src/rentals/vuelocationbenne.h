#pragma once

// "Vue par client": the clients as animated cartouches, under a search field that narrows them
// as the pickers do (name, town, street, phone; case, accents and the separators of a phone
// ignored), each telling look-alikes apart as the pickers do; once one is chosen, its rented skips
// with an all / in-progress filter; once a rental is chosen, where it stands on a map with its
// address, prices, dates and waste type. The choices live in the main window (the observables
// handed in) and survive a change of command. The screen only reads records.
//
// The columns take their places from the screen's width alone. Where the row has no room for
// the details (a small window), they lie over the client column, as the available skips do;
// neither ever moves a column.

#include "listebennesview.h"

#include "widgets/observable.h"

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace kv {

class Benne;
class CarteAvecRepere;
class CartoucheAnime;
class Client;
class ElidedLabel;
class EtatCartouche;
class LocationDeBenne;
class ModelContext;
class VuePourLocationBenne;
template <class T>
class Query;

class VueLocationBenne : public QWidget {
    Q_OBJECT
public:
    struct Entrees {
        ModelContext* context = nullptr;
        Query<Client>* clients = nullptr;
        Query<Benne>* bennes = nullptr;
        Observable<std::optional<QUuid>> selectedClientID;
        Observable<std::optional<QUuid>> bennesReadyForClientID;
        Observable<LocationDeBenne*> selectedLocation;
        std::function<QString(double)> formatter;
        std::function<QString(const QDateTime&)> dateFormatter;
        Horloge horloge = Horloge::systeme();
    };

    explicit VueLocationBenne(const Entrees& entrees, QWidget* parent = nullptr);
    ~VueLocationBenne() override;

    // The handlers of the cartouches and of the rentals list.
    void selectionnerClient(const QUuid& clientId);
    void deselectionnerClient();
    void basculerSelectionLocation(LocationDeBenne* location);

    // --- What is shown, for the tests
    bool afficherInvitationACliquer() const { return m_afficherInvitation; }
    bool afficheCarteConfiguration() const;
    bool afficheInvitation() const;
    // The client whose rentals show: the one chosen, while the column's list holds it.
    Client* clientDeLaColonne() const;
    // The name heading the rentals, and what tells that client from others of its name (empty
    // when the name is its own).
    QString clientDuVolet() const;
    QString distinctionDuVolet() const;
    ListeBennesView* listeBennes() const { return m_liste; }
    QWidget* colonneDetails() const { return m_details; }
    CarteAvecRepere* carteDetails() const { return m_carte; }
    // What stands in the map's place for a rental without both coordinates.
    static QString messageSansCoordonnees()
    {
        return QStringLiteral("Coordonnées inconnues\u00A0: la benne ne peut pas être placée sur la carte.");
    }
    QLabel* sansCoordonnees() const { return m_sansCoordonnees; }
    QStringList lignesDetails() const;
    QString adresseDetails() const;
    // The cartouche of a client, when it is built (only those near the visible part are).
    CartoucheAnime* cartouche(const Client* client) const;
    int nombreCartouches() const { return int(m_cartouches.size()); }
    // The search field over the client column, and the clients it leaves, in the list's order.
    QLineEdit* champRecherche() const { return m_recherche; }
    const QList<Client*>& clientsAffiches() const { return m_clients; }
    // What stands in the column when the search leaves no client.
    QLabel* aucunClient() const { return m_aucunClient; }
    QScrollArea* colonneClients() const { return m_scrollClients; }
    QToolButton* boutonEnCours() const;
    QToolButton* boutonToutes() const;
    QToolButton* boutonBennesDisponibles() const { return m_boutonPanneau; }
    VuePourLocationBenne* panneau() const;
    void basculerPanneau();

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    QWidget* construireColonneClients();
    QWidget* construireInvitation();
    void construireCarteConfiguration();
    QWidget* construireColonneLocations();
    void placerCartouches();
    EtatCartouche* etatCartouche(const QUuid& clientId);
    void actualiserClients();
    // Narrows the column to the clients the search holds; the chosen client stays where it
    // stands on the screen when it is still there.
    void filtrer();
    // What tells a client from the others of its name (made once per name and store change).
    QString distinction(const Client* client);
    void preparerRecherche();
    void actualiserColonnes();
    void actualiserDetails();
    void fermerPanneau();
    // Places the columns by the screen's width alone: what shows beside them (the details, the
    // available skips) never moves them.
    void disposer();
    void placerInvitation(int largeur);
    // ↓ / ↑ on a cartouche: the keys to the next or previous client's, built and scrolled to;
    // ↑ from the first goes back to the search.
    void allerAuVoisin(const QUuid& clientId, int pas);
    // The screen's panes in F6's order (clients, rentals, details, available skips), those
    // shown; and where the keys land in one.
    QList<QWidget*> volets() const;
    QWidget* arretDansVolet(QWidget* volet) const;
    // The pane F6 (`pas` 1) or Shift+F6 (-1) goes to from the one holding the keys; none when
    // the window's cycle takes over (to the sidebar).
    QWidget* voletVoisin(int pas) const;
    // What a reader hears as a rental's details open.
    QString texteDetails() const;

    Entrees m_in;
    bool m_afficherInvitation = true;
    bool m_enCours = false;
    QPixmap m_papier;

    QScrollArea* m_scrollClients = nullptr;
    QWidget* m_contenuClients = nullptr;
    QHash<QUuid, CartoucheAnime*> m_cartouches;
    // The look and pending steps of each client's cartouche, built or not.
    QHash<QUuid, EtatCartouche*> m_etats;
    // Every client, and those the search leaves (the column's rows).
    QList<Client*> m_tous;
    QList<Client*> m_clients;
    // Per client: what tells it apart, and the text a search looks into with the raw text it
    // was made from (made again only when that changes).
    QHash<QUuid, QString> m_distinctions;
    QHash<QString, QList<Client*>> m_homonymes;
    QHash<QUuid, std::pair<QString, QString>> m_cherchables;
    bool m_cherchablesAJour = false;
    QLineEdit* m_recherche = nullptr;
    QLabel* m_aucunClient = nullptr;

    QStackedWidget* m_invitation = nullptr; // the configuration card or the invitation
    QWidget* m_pageConfiguration = nullptr;
    QWidget* m_pageInvitation = nullptr;
    QWidget* m_colonneLocations = nullptr;
    QVBoxLayout* m_emplacementListe = nullptr;
    QButtonGroup* m_filtre = nullptr;
    QToolButton* m_boutonPanneau = nullptr;
    ElidedLabel* m_nomClient = nullptr;
    QLabel* m_distinctionClient = nullptr;
    ListeBennesView* m_liste = nullptr;
    QUuid m_clientListe;
    QWidget* m_details = nullptr;
    QVBoxLayout* m_emplacementDetails = nullptr;
    CarteAvecRepere* m_carte = nullptr;
    QLabel* m_sansCoordonnees = nullptr;
    QUuid m_locationDetails;
    ElidedLabel* m_adresse = nullptr;
    QList<QLabel*> m_lignes;
    ElidedLabel* m_dechet = nullptr;
    QPointer<VuePourLocationBenne> m_panneau;
    QWidget* m_emplacementPanneau = nullptr;
    // How far the panel has come in from the trailing edge, 0 to 1.
    qreal m_entreePanneau = 1.0;
    QLabel* m_texteInvitation = nullptr;
    QPointer<QWidget> m_fermerDetails;
};

} // namespace kv
