#pragma once

// The monthly activity report of one client: pick a client and a month, look at the rentals,
// then preview the PDF, send it (PDF in the temporary folder, a prepared e-mail, an entry in the
// history of reports sent), print it, or export CSV files. Below, the history of reports sent.

#include "model/horloge.h"

#include <QByteArray>
#include <QWidget>

#include <functional>

class QDateEdit;
class QGroupBox;
class QLabel;
class QListView;
class QPrinter;
class QPushButton;
class QStackedWidget;

namespace kv {

class Client;
class ConfirmationFichier;
class SearchablePicker;
class HistoriqueEnvoiRapport;
class LocationDeBenne;
class ModelContext;
class PDFPreview;
class RapportMensuelApercuView;
template <class T>
class Query;
template <class T>
class RecordListModel;

class RapportMensuelView : public QWidget {
    Q_OBJECT
public:
    explicit RapportMensuelView(ModelContext* context, QWidget* parent = nullptr);
    RapportMensuelView(ModelContext* context, Horloge horloge, QWidget* parent = nullptr);
    ~RapportMensuelView() override;

    // Asks which printer to use and how; false when the user cancels. A print dialog by default.
    using DemandeImpression = std::function<bool(QPrinter& printer, QWidget* parent)>;
    void setDemandeImpression(DemandeImpression demande) { m_demandeImpression = std::move(demande); }

    Client* selectedClient() const { return m_client; }
    void setSelectedClient(Client* client);
    // Any moment of the report's month, as picked.
    qint64 selectedMonthMs() const { return m_moisMs; }
    void setSelectedMonth(const QDate& jour);

    // The client's rentals placed in the chosen month, latest first; empty without a client.
    QList<LocationDeBenne*> locationsDuMois() const;
    // The PDF shown in the preview pane; empty while none is shown.
    QByteArray apercuPDF() const { return m_apercuPDF; }

    // The screen's title, at its top.
    QLabel* titre() const { return m_titre; }
    SearchablePicker* choixClient() const { return m_choixClient; }
    QDateEdit* choixMois() const { return m_choixMois; }
    QPushButton* boutonApercu() const { return m_boutonApercu; }
    QPushButton* boutonEnvoyer() const { return m_boutonEnvoyer; }
    QPushButton* boutonExporterTous() const { return m_boutonExporterTous; }
    QPushButton* boutonFermerApercu() const { return m_boutonFermer; }
    QPushButton* boutonExporterCSV() const { return m_boutonCSV; }
    QPushButton* boutonImprimer() const { return m_boutonImprimer; }
    QPushButton* boutonEnregistrerPDF() const { return m_boutonEnregistrerPDF; }
    // What the last file written holds and where it is, with a way to show it in its folder.
    ConfirmationFichier* confirmation() const { return m_confirmation; }
    QLabel* compteHistorique() const { return m_compteHistorique; }
    QListView* listeHistorique() const { return m_listeHistorique; }
    RapportMensuelApercuView* apercu() const { return m_apercu; }
    PDFPreview* previewPDF() const { return m_preview; }
    // The widget shown in the report area: the PDF pane, the hint, or the preview.
    QWidget* zoneAffichee() const;

public slots:
    void genererApercuPDF();
    void fermerApercuPDF();
    // Asks where to keep the PDF shown in the preview and writes it there.
    void enregistrerApercuPDF();
    void envoyerRapport();
    void imprimerRapport();
    void exporterCSVClient();
    void exporterTousLesRapportsCSV();

private:
    QWidget* construireEntete();
    QWidget* construireBoutonsPDF();
    QWidget* construireZoneRapport();
    QWidget* construireHistorique();
    void remplirClients();
    void actualiser();
    void actualiserHistorique();
    // Opens the prepared e-mail. When it was not opened the user is told why; when no mail
    // program took it, they are offered to keep `pdf`, the report, where they choose.
    enum class EnvoiEmail { ouvert, adresseRefusee, sansMessagerie };
    EnvoiEmail ouvrirEmail(const Client* client, const QByteArray& pdf);
    // Asks where to keep a copy of the report's PDF, writes it and says where it went.
    void enregistrerPDF(const QByteArray& pdf);
    bool dejaEnvoye(const Client* client) const;
    void enregistrerEnvoi(Client* client);

    ModelContext* m_context;
    Horloge m_horloge;
    Query<Client>* m_clients;
    Query<HistoriqueEnvoiRapport>* m_historique;
    RecordListModel<HistoriqueEnvoiRapport>* m_modeleHistorique;
    QList<Client*> m_clientsAffiches;
    QStringList m_nomsAffiches;
    QStringList m_detailsAffiches;

    Client* m_client = nullptr;
    qint64 m_moisMs = 0;
    QByteArray m_apercuPDF;
    DemandeImpression m_demandeImpression;

    QPushButton* m_boutonExporterTous = nullptr;
    QLabel* m_compteHistorique = nullptr;
    QLabel* m_titre = nullptr;
    SearchablePicker* m_choixClient = nullptr;
    QDateEdit* m_choixMois = nullptr;
    QPushButton* m_boutonApercu = nullptr;
    QPushButton* m_boutonEnvoyer = nullptr;
    QStackedWidget* m_zone = nullptr;
    QWidget* m_panneauPDF = nullptr;
    QWidget* m_boutonsPDF = nullptr;
    QLabel* m_invite = nullptr;
    PDFPreview* m_preview = nullptr;
    QPushButton* m_boutonFermer = nullptr;
    QPushButton* m_boutonCSV = nullptr;
    QPushButton* m_boutonImprimer = nullptr;
    QPushButton* m_boutonEnregistrerPDF = nullptr;
    ConfirmationFichier* m_confirmation = nullptr;
    RapportMensuelApercuView* m_apercu = nullptr;
    QLabel* m_historiqueVide = nullptr;
    QListView* m_listeHistorique = nullptr;
};

} // namespace kv
