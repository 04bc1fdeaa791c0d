#pragma once

// The clients screen: every client sorted by name, narrowed by a folded word search, and the
// client editor of the selected or new client in the detail pane.

#include "clienteditorview.h"

#include "widgets/forms/listdetail.h"

#include <QCollatorSortKey>
#include <QHash>

#include <unordered_map>
#include <QStringList>
#include <QWidget>

namespace kv {

class VueClients : public QWidget {
    Q_OBJECT
public:
    explicit VueClients(ModelContext* context, QWidget* parent = nullptr);
    ~VueClients() override;

    // The clients that the search lets through, in name order.
    QList<Client*> clientsFiltres() const { return m_ecran->shown(); }
    // True when one field of the client holds every folded word.
    static bool clientCorrespond(const Client* client, const QStringList& mots);
    // What a row of the list shows for a client; `distinction`, for a client whose name others
    // bear too, is what tells it from them (distinctionParmiHomonymes).
    static forms::RowContent ligneClient(const Client* client, const QString& distinction = QString());
    // The lines of that row and their styles, without their texts: what gives it its height.
    static forms::RowContent formeLigne(const Client* client);

    void supprimerClient(Client* client) { m_ecran->remove({client}); }
    // Deletes the clients at these positions of the filtered list; positions out of range are
    // ignored, and all positions are read before anything is deleted.
    void supprimerClients(const QList<int>& positions) { m_ecran->remove(m_ecran->recordsAtRows(positions)); }
    void reinitialiserEdition(bool creation) { m_ecran->resetEditing(creation); }
    void clientEnregistre(Client* client) { m_ecran->showSaved(client); }

    Client* selection() const { return m_ecran->selection(); }
    Client* clientEdite() const { return m_ecran->edited(); }
    bool isCreating() const { return m_ecran->isCreating(); }

    forms::ListPanel* liste() const { return m_ecran->list(); }
    forms::DetailPane* panneauDetail() const { return m_ecran->pane(); }
    // The editor shown in the detail pane, or null.
    ClientEditorView* editeur() const { return m_ecran->editor(); }

private:
    // What tells the client from its namesakes, from one grouping of all clients kept until
    // the clients change.
    QString distinction(const Client* client) const;
    // Name order (compareNames), from sort keys kept while the names stay.
    bool avantParNom(const Client* a, const Client* b) const;

    forms::ListDetail<Client, ClientEditorView>* m_ecran = nullptr;
    mutable QHash<const Client*, QString> m_distinctions;
    mutable bool m_distinctionsAJour = false;
    struct CleDeTri {
        QString nom;
        QCollatorSortKey cle;
    };
    mutable std::unordered_map<const Client*, CleDeTri> m_cles;
};

} // namespace kv
