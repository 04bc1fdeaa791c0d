#pragma once

// The clients the new-rental form offers: every client sorted by name, each with what tells
// look-alike names apart. One list per store, shared by every form opened on it: it is sorted
// and told apart again only after a client changed, not at each opening of the form (five
// thousand clients take milliseconds to sort by name as people read them).

#include "widgets/searchablepicker.h"

#include <QList>
#include <QObject>

namespace kv {

class Client;
class ModelContext;
template <class T>
class Query;

class ClientsDuFormulaire : public QObject {
    Q_OBJECT
public:
    // The list of `context`'s clients; it lives as long as the context.
    static ClientsDuFormulaire* pour(ModelContext* context);

    // Sorted by name.
    QList<Client*> clients() const;
    bool estVide() const;
    // The picker's rows, in the clients' order: name, the client, what tells it apart.
    const QList<SearchablePicker::Entry>& entrees() const;

signals:
    // A client was added, removed or changed: read the list again.
    void changed();

private:
    explicit ClientsDuFormulaire(ModelContext* context);

    Query<Client>* m_query;
    mutable QList<Client*> m_clients;
    mutable QList<SearchablePicker::Entry> m_entrees;
    mutable bool m_aJour = false;
};

} // namespace kv
