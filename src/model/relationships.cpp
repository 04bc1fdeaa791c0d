#include "relationships.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kv {

// Builds the table; a friend of every record, so that it reaches their stored ends and lists.
struct Relationships {
    static std::vector<Relationship> build();

private:
    template <class X>
    static QList<Record*> erase(const QList<X*>& list)
    {
        QList<Record*> out;
        out.reserve(list.size());
        for (X* x : list)
            out.append(x);
        return out;
    }

    // A to-one end on S paired with a list on T kept in the order the sources were linked.
    template <class S, class T>
    static Relationship pairedToOne(const char* name, const char* inverse, DeleteRule rule, bool required,
                                    T*& (*slot)(S*), qint64& (*ord)(S*), QList<S*>& (*list)(T*),
                                    void (S::*setter)(T*))
    {
        Relationship r = toOne<S, T>(name, rule, required, slot, setter);
        r.inverse = inverse;
        r.order = [ord](Record* s) -> qint64& { return ord(static_cast<S*>(s)); };
        r.inverseOf = [list](const Record* t) { return erase(list(const_cast<T*>(static_cast<const T*>(t)))); };
        r.appendInverseRaw = [list](Record* t, Record* s) { list(static_cast<T*>(t)).append(static_cast<S*>(s)); };
        r.removeInverseRaw = [list](Record* t, Record* s) {
            return list(static_cast<T*>(t)).removeOne(static_cast<S*>(s));
        };
        r.clearInverseRaw = [list](Record* t) { list(static_cast<T*>(t)).clear(); };
        r.sortInverseRaw = [list, ord](Record* t) {
            QList<S*>& l = list(static_cast<T*>(t));
            auto before = [ord](S* a, S* b) { return ord(a) < ord(b); };
            if (!std::is_sorted(l.begin(), l.end(), before))
                std::stable_sort(l.begin(), l.end(), before);
        };
        return r;
    }

    // A to-one end on S with nothing on T.
    template <class S, class T>
    static Relationship toOne(const char* name, DeleteRule rule, bool required, T*& (*slot)(S*),
                              void (S::*setter)(T*))
    {
        Relationship r;
        r.name = name;
        r.source = S::kType;
        r.target = T::kType;
        r.onTargetDeleted = rule;
        r.required = required;
        r.targetOf = [slot](const Record* s) -> Record* { return slot(const_cast<S*>(static_cast<const S*>(s))); };
        r.setTarget = [setter](Record* s, Record* t) { (static_cast<S*>(s)->*setter)(static_cast<T*>(t)); };
        return r;
    }

    // A list end on S, stored in a join table, with nothing on T.
    template <class S, class T>
    static Relationship oneWayToMany(const char* name, const JoinTable& join, QList<T*>& (*list)(S*),
                                     void (S::*setter)(const QList<T*>&))
    {
        Relationship r;
        r.name = name;
        r.source = S::kType;
        r.target = T::kType;
        r.toMany = true;
        r.join = join;
        r.targetsOf = [list](const Record* s) { return erase(list(const_cast<S*>(static_cast<const S*>(s)))); };
        r.removeTarget = [list, setter](Record* s, Record* t) {
            QList<T*> l = list(static_cast<S*>(s));
            l.removeAll(static_cast<T*>(t));
            (static_cast<S*>(s)->*setter)(l);
        };
        r.appendTargetRaw = [list](Record* s, Record* t) { list(static_cast<S*>(s)).append(static_cast<T*>(t)); };
        r.removeTargetRaw = [list](Record* s, Record* t) { list(static_cast<S*>(s)).removeAll(static_cast<T*>(t)); };
        r.purgeDeletedRaw = [list](Record* s) {
            list(static_cast<S*>(s)).removeIf([](const T* t) { return t->isDeleted(); });
        };
        return r;
    }

    // Two stored lists, each the other's inverse.
    template <class S, class T>
    static Relationship manyToMany(const char* name, const char* inverse, const JoinTable& join,
                                   QList<T*>& (*list)(S*), QList<S*>& (*other)(T*))
    {
        Relationship r;
        r.name = name;
        r.inverse = inverse;
        r.source = S::kType;
        r.target = T::kType;
        r.toMany = true;
        r.join = join;
        r.targetsOf = [list](const Record* s) { return erase(list(const_cast<S*>(static_cast<const S*>(s)))); };
        r.inverseOf = [other](const Record* t) { return erase(other(const_cast<T*>(static_cast<const T*>(t)))); };
        // The list is stored with the record: a change is a change of the record.
        r.removeTarget = [list](Record* s, Record* t) {
            s->aboutToChange();
            list(static_cast<S*>(s)).removeAll(static_cast<T*>(t));
        };
        r.appendTargetRaw = [list](Record* s, Record* t) { list(static_cast<S*>(s)).append(static_cast<T*>(t)); };
        r.removeTargetRaw = [list](Record* s, Record* t) { list(static_cast<S*>(s)).removeAll(static_cast<T*>(t)); };
        r.appendInverseRaw = [other](Record* t, Record* s) { other(static_cast<T*>(t)).append(static_cast<S*>(s)); };
        r.removeInverseRaw = [other](Record* t, Record* s) {
            return other(static_cast<T*>(t)).removeAll(static_cast<S*>(s)) > 0;
        };
        r.purgeDeletedRaw = [list](Record* s) {
            list(static_cast<S*>(s)).removeIf([](const T* t) { return t->isDeleted(); });
        };
        return r;
    }
};

std::vector<Relationship> Relationships::build()
{
    using R = DeleteRule;
    std::vector<Relationship> t;
    // A client's contacts, rentals and report history go with it; so do a skip's rentals and a
    // rental's tickets. Cascades run in the order of this table.
    t.push_back(pairedToOne<Contact, Client>(
        "client", "contacts", R::Cascade, false, +[](Contact* c) -> Client*& { return c->d.client; },
        +[](Contact* c) -> qint64& { return c->d.clientOrd; },
        +[](Client* c) -> QList<Contact*>& { return c->m_contacts; }, &Contact::setClient));
    t.push_back(pairedToOne<LocationDeBenne, Client>(
        "client", "locations", R::Cascade, true, +[](LocationDeBenne* l) -> Client*& { return l->d.client; },
        +[](LocationDeBenne* l) -> qint64& { return l->d.clientOrd; },
        +[](Client* c) -> QList<LocationDeBenne*>& { return c->m_locations; }, &LocationDeBenne::setClient));
    t.push_back(pairedToOne<LocationDeBenne, Benne>(
        "benne", "locations", R::Cascade, true, +[](LocationDeBenne* l) -> Benne*& { return l->d.benne; },
        +[](LocationDeBenne* l) -> qint64& { return l->d.benneOrd; },
        +[](Benne* b) -> QList<LocationDeBenne*>& { return b->m_locations; }, &LocationDeBenne::setBenne));
    t.push_back(pairedToOne<LocationDeBenne, Chauffeur>(
        "chauffeurPose", "posesAssurees", R::Nullify, false,
        +[](LocationDeBenne* l) -> Chauffeur*& { return l->d.chauffeurPose; },
        +[](LocationDeBenne* l) -> qint64& { return l->d.chauffeurPoseOrd; },
        +[](Chauffeur* c) -> QList<LocationDeBenne*>& { return c->m_posesAssurees; },
        &LocationDeBenne::setChauffeurPose));
    t.push_back(pairedToOne<LocationDeBenne, Chauffeur>(
        "chauffeurEnlevement", "enlevementsAssures", R::Nullify, false,
        +[](LocationDeBenne* l) -> Chauffeur*& { return l->d.chauffeurEnlevement; },
        +[](LocationDeBenne* l) -> qint64& { return l->d.chauffeurEnlevementOrd; },
        +[](Chauffeur* c) -> QList<LocationDeBenne*>& { return c->m_enlevementsAssures; },
        &LocationDeBenne::setChauffeurEnlevement));
    t.push_back(pairedToOne<BonDePesee, LocationDeBenne>(
        "location", "bonsDePesee", R::Cascade, true, +[](BonDePesee* b) -> LocationDeBenne*& { return b->d.location; },
        +[](BonDePesee* b) -> qint64& { return b->d.locationOrd; },
        +[](LocationDeBenne* l) -> QList<BonDePesee*>& { return l->m_bonsDePesee; }, &BonDePesee::setLocation));
    t.push_back(pairedToOne<FormationChauffeur, Chauffeur>(
        "chauffeur", "formationsSuivies", R::Nullify, false,
        +[](FormationChauffeur* f) -> Chauffeur*& { return f->d.chauffeur; },
        +[](FormationChauffeur* f) -> qint64& { return f->d.chauffeurOrd; },
        +[](Chauffeur* c) -> QList<FormationChauffeur*>& { return c->m_formationsSuivies; },
        &FormationChauffeur::setChauffeur));
    {
        Relationship r = toOne<FormationChauffeur, Formation>(
            "formation", R::Deny, true, +[](FormationChauffeur* f) -> Formation*& { return f->d.formation; },
            &FormationChauffeur::setFormation);
        r.denyMessage = "Cette formation est suivie par %1\u00A0chauffeur(s) : elle ne peut pas être supprimée.";
        t.push_back(r);
    }
    t.push_back(toOne<Benne, DispositifSpecial>(
        "dispositifSpecial", R::Nullify, false, +[](Benne* b) -> DispositifSpecial*& { return b->d.dispositifSpecial; },
        &Benne::setDispositifSpecial));
    t.push_back(toOne<LocationDeBenne, TypeDechet>(
        "typeDechet", R::Nullify, false, +[](LocationDeBenne* l) -> TypeDechet*& { return l->d.typeDechet; },
        &LocationDeBenne::setTypeDechet));
    t.push_back(toOne<Chauffeur, Qualification>(
        "qualification", R::Nullify, false, +[](Chauffeur* c) -> Qualification*& { return c->d.qualification; },
        &Chauffeur::setQualification));
    t.push_back(oneWayToMany<Chauffeur, Specialisation>(
        "specialisations",
        {"ChauffeurSpecialisation", "chauffeur", "specialisation", "pos", nullptr,
         "ChauffeurSpecialisation_chauffeur", nullptr},
        +[](Chauffeur* c) -> QList<Specialisation*>& { return c->d.specialisations; }, &Chauffeur::setSpecialisations));
    t.push_back(oneWayToMany<Chauffeur, Disponibilite>(
        "disponibilites",
        {"ChauffeurDisponibilite", "chauffeur", "disponibilite", "pos", nullptr, "ChauffeurDisponibilite_chauffeur",
         nullptr},
        +[](Chauffeur* c) -> QList<Disponibilite*>& { return c->d.disponibilites; }, &Chauffeur::setDisponibilites));
    t.push_back(manyToMany<CentreTraitement, TypeDechet>(
        "typesAcceptes", "centres",
        {"CentreTypeDechet", "centre", "typeDechet", "centrePos", "typePos", "CentreTypeDechet_centre",
         "CentreTypeDechet_type"},
        +[](CentreTraitement* c) -> QList<TypeDechet*>& { return c->d.typesAcceptes; },
        +[](TypeDechet* t) -> QList<CentreTraitement*>& { return t->d.centres; }));
    t.push_back(toOne<HistoriqueEnvoiRapport, Client>(
        "client", R::Cascade, true, +[](HistoriqueEnvoiRapport* h) -> Client*& { return h->d.client; },
        &HistoriqueEnvoiRapport::setClient));
    return t;
}

const std::vector<Relationship>& relationships()
{
    static const std::vector<Relationship> table = Relationships::build();
    return table;
}

namespace {

struct Index {
    std::array<std::vector<const Relationship*>, kEntityTypeCount> from, to;
};

const Index& index()
{
    static const Index i = [] {
        Index x;
        for (const Relationship& r : relationships()) {
            x.from[int(r.source)].push_back(&r);
            x.to[int(r.target)].push_back(&r);
        }
        return x;
    }();
    return i;
}

} // namespace

const std::vector<const Relationship*>& relationshipsFrom(EntityType type)
{
    return index().from[int(type)];
}

const std::vector<const Relationship*>& relationshipsTo(EntityType type)
{
    return index().to[int(type)];
}

const Relationship* relationshipNamed(EntityType source, const char* name)
{
    for (const Relationship* r : relationshipsFrom(source))
        if (std::strcmp(r->name, name) == 0)
            return r;
    return nullptr;
}

void forEachRelated(const Record* r, const std::function<void(Record*)>& f)
{
    for (const Relationship* rel : relationshipsFrom(r->entityType())) {
        if (rel->toMany) {
            for (Record* t : rel->targetsOf(r))
                f(t);
        } else if (Record* t = rel->targetOf(r)) {
            f(t);
        }
    }
    for (const Relationship* rel : relationshipsTo(r->entityType()))
        if (rel->inverse)
            for (Record* s : rel->inverseOf(r))
                f(s);
}

} // namespace kv
