#pragma once

// The clients the new-rental form offers: every client sorted by name, each with what tells
// look-alike names apart, made ready for the picker's search. One list per store, shared by
// every form opened on it: it is sorted and told apart again only after a client changed, not
// at each opening of the form (five thousand clients take tens of milliseconds to sort by name
// as people read them, tell apart and fold for the search). The main window has it made on a
// thread of its own as it opens, from a copy of the clients' texts, so that even the first form
// finds it ready.

#include "model/helpers.h"
#include "widgets/searchablepicker.h"

#include <QList>
#include <QObject>
#include <QThreadPool>

#include <utility>

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
    ~ClientsDuFormulaire() override;

    // Sorted by name.
    QList<Client*> clients() const;
    bool estVide() const;
    // The picker's rows, in the clients' order: name, the client, what tells it apart.
    const SearchablePicker::PreparedEntries& entrees() const;

    // Has the list made on a thread of its own; nothing to do when it is ready or on its way.
    // A form that opens before it is ready makes it itself; a client changed meanwhile makes
    // that work's list stale, and it is dropped.
    void preparer();
    // Being made aside, its answer not yet received.
    bool enRoute() const { return m_enRoute; }

signals:
    // A client was added, removed or changed: read the list again.
    void changed();

private:
    explicit ClientsDuFormulaire(ModelContext* context);

    using Fiches = QList<std::pair<Client*, FicheClient>>;
    struct Liste {
        QList<Client*> clients;
        SearchablePicker::PreparedEntries entrees;
    };
    // The clients' texts, read on the records' thread.
    Fiches copier() const;
    // The list from those texts alone: runs on any thread.
    static Liste construire(Fiches fiches, const SearchablePicker::PreparedEntries& avant);
    void recevoir(quint64 generation, Liste liste);

    Query<Client>* m_query;
    mutable Liste m_liste;
    mutable bool m_aJour = false;
    quint64 m_generation = 0; // counts the changes of the clients
    bool m_enRoute = false;
    QThreadPool m_travail;
};

} // namespace kv
