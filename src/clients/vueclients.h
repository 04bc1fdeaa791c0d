#pragma once

// The clients screen: every client sorted by name, narrowed by a folded word search, and the
// client editor of the selected or new client in the detail pane.

#include "widgets/forms/recordlistpanel.h"

#include <QStringList>
#include <QWidget>

namespace kv {

class Client;
class ClientEditorView;
class ModelContext;
namespace forms {
class DetailPane;
}

class VueClients : public QWidget {
    Q_OBJECT
public:
    explicit VueClients(ModelContext* context, QWidget* parent = nullptr);
    ~VueClients() override;

    // The clients that the search lets through, in name order.
    QList<Client*> clientsFiltres() const;
    // True when one field of the client holds every folded word.
    static bool clientCorrespond(const Client* client, const QStringList& mots);
    // What a row of the list shows for a client.
    static forms::RowContent ligneClient(const Client* client);

    void supprimerClient(Client* client);
    // Deletes the clients at these positions of the filtered list; positions out of range are
    // ignored, and all positions are read before anything is deleted.
    void supprimerClients(const QList<int>& positions);
    void reinitialiserEdition(bool creation);
    void clientEnregistre(Client* client);

    Client* selection() const;
    Client* clientEdite() const { return m_clientEdite; }
    bool isCreating() const { return m_isCreating; }

    forms::ListPanel* liste() const { return m_liste; }
    forms::DetailPane* panneauDetail() const { return m_panneau; }
    // The editor shown in the detail pane, or null.
    ClientEditorView* editeur() const;

private:
    void selectionChangee(Client* client);
    void majPanneau();

    ModelContext* m_context;
    Query<Client>* m_clientsFiltres = nullptr;
    QStringList m_mots;
    Client* m_clientEdite = nullptr;
    bool m_isCreating = false;
    forms::RecordListPanel<Client>* m_liste = nullptr;
    forms::DetailPane* m_panneau = nullptr;
};

} // namespace kv
