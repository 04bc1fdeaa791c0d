#include "vueclients.h"

#include "model/helpers.h"
#include "widgets/focusguard.h"

#include "widgets/forms/contextmenu.h"
#include "widgets/macsectionheader.h"

#include <QLocale>
#include <QMenu>
#include <QVBoxLayout>

namespace kv {

using forms::RowContent;
using forms::RowLine;
using forms::RowPart;

namespace {


} // namespace

VueClients::VueClients(ModelContext* context, QWidget* parent) : QWidget(parent)
{
    auto* layout = layoutUnderHeader(this, QStringLiteral("Clients"),
                                     QStringLiteral("Prospects et comptes actifs"),
                                     QStringLiteral("person.2"));

    forms::ListDetail<Client, ClientEditorView>::Setup setup;
    setup.row = [this](const Client* c) { return ligneClient(c, distinction(c)); };
    setup.lessThan = [this](const Client* a, const Client* b) { return avantParNom(a, b); };
    setup.matches = [](const Client* c, const forms::SearchText& search) { return clientCorrespond(c, search.words); };
    setup.makeEditor = [context](Client* c) { return new ClientEditorView(context, c); };
    setup.rebind = [](ClientEditorView* editor, Client* c) {
        editor->setClient(c);
        return true;
    };
    setup.placeholder = new forms::EmptyState(QStringLiteral("person.2"), QStringLiteral("Sélectionnez un client"),
                                              QStringLiteral("Ou cliquez sur “Ajouter”."));
    // 450 wide when the window has the room; down to the usual floor rather than pushing the
    // editor out of sight (the rows cut their texts with "…").
    setup.sidebarIdeal = 450;
    setup.sidebarMax = 600;
    m_ecran = new forms::ListDetail<Client, ClientEditorView>(context, std::move(setup), this);
    layout->addWidget(m_ecran->splitView(), 1);

    auto* liste = m_ecran->list();
    liste->setSpokenNames(QStringLiteral("Clients"), QStringLiteral("Rechercher un client"));
    // A large office's thousands of rows are measured as the list shows: by their lines alone.
    liste->setRowMeasure([](Record* r) { return formeLigne(static_cast<const Client*>(r)); });
    liste->setCountText([](int n) { return QStringLiteral("Nombre de clients : %1").arg(QLocale().toString(n)); });
    liste->setContextMenu([this](QMenu* menu, Client* client) {
        QAction* supprimer = menu->addAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this,
                                             [this, client] { m_ecran->askToRemove({client}); });
        forms::markDestructive(supprimer);
    });
    m_ecran->deleteAsking(&ClientEditorView::questionSuppression);
    m_ecran->announceRemovals(&ClientEditorView::annonceSuppression);
    connect(context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        if (changes.touches(EntityType::Client))
            m_distinctionsAJour = false;
    });
}

bool VueClients::avantParNom(const Client* a, const Client* b) const
{
    // compareNames' order, each name collated once rather than at each comparison.
    const auto cle = [this](const Client* c) -> const QCollatorSortKey& {
        auto it = m_cles.find(c);
        if (it == m_cles.end() || it->second.nom != c->nom())
            it = m_cles.insert_or_assign(c, CleDeTri{c->nom(), nameSortKey(c->nom())}).first;
        return it->second.cle;
    };
    if (const int c = cle(a).compare(cle(b)))
        return c < 0;
    return a->nom().compare(b->nom()) < 0;
}

QString VueClients::distinction(const Client* client) const
{
    if (!m_distinctionsAJour) {
        // Grouped once per change of the clients, as the pickers group them, rather than for
        // each row painted.
        m_distinctions.clear();
        QHash<QString, QList<Client*>> parNom;
        for (Client* c : m_ecran->context()->all<Client>())
            if (!c->isDeleted())
                parNom[trimBlanks(c->nom()).simplified()].append(c);
        for (const QList<Client*>& memes : std::as_const(parNom)) {
            if (memes.size() < 2)
                continue;
            const QStringList textes = clientDistinctions(memes);
            for (qsizetype i = 0; i < memes.size(); ++i)
                m_distinctions.insert(memes.at(i), textes.value(i));
        }
        m_distinctionsAJour = true;
    }
    return m_distinctions.value(client);
}

bool VueClients::clientCorrespond(const Client* client, const QStringList& mots)
{
    return forms::oneFieldHoldsAllWords({client->nom(), client->ville(), client->codePostal(),
                                         client->telephone(), client->email().value_or(QString()),
                                         client->numeroTVA().value_or(QString()), client->adresse()},
                                        mots);
}

RowContent VueClients::formeLigne(const Client* client)
{
    // The name's line, and the details' line when it says anything (as ligneClient builds it).
    RowContent row;
    row.lines.append(RowLine{{RowPart::label(QString(), forms::TextStyle::Headline)}, 8, forms::TextStyle::Headline});
    RowLine details{{}, 12, forms::TextStyle::Callout};
    if (!client->ville().isEmpty() || !client->codePostal().isEmpty() || !client->telephone().isEmpty()
        || (client->email() && !client->email()->isEmpty()) || !client->contacts().isEmpty())
        details.parts.append(RowPart::label(QString(), forms::TextStyle::Callout));
    row.lines.append(details);
    return row;
}

RowContent VueClients::ligneClient(const Client* client, const QString& distinction)
{
    RowContent row;
    row.leadingDot = colorFromHex(client->couleur());
    row.lines.append(RowLine{{RowPart::label(client->nom(), forms::TextStyle::Headline)}, 8, forms::TextStyle::Headline});
    RowLine details{{}, 12, forms::TextStyle::Callout};
    if (!distinction.isEmpty()) {
        // A client of a shared name: what tells it from the others (its town, with its street
        // or phone where the town is shared too) stays whole before anything else of the line
        // is kept; what follows gives way first.
        const QString cp = trimBlanks(client->codePostal());
        RowPart apart = RowPart::symbolLabel(QStringLiteral("mappin.and.ellipse"),
                                             cp.isEmpty() ? distinction : cp + QLatin1Char(' ') + distinction,
                                             forms::TextStyle::Callout, forms::Tone::Secondary);
        apart.shortText = distinction;
        apart.elide = true;
        // Short of room, the postcode goes, then what namesakes share, before what tells them apart.
        apart.fit = [client, whole = distinction](const std::function<bool(const QString&)>& tient) {
            return tient(whole) ? whole : distinctionAffichee(client, tient);
        };
        details.parts.append(apart);
        if (!client->telephone().isEmpty() && !distinction.contains(client->telephone()))
            details.parts.append(RowPart::symbolLabel(QStringLiteral("phone"), client->telephone(),
                                                      forms::TextStyle::Callout, forms::Tone::Secondary));
    } else if (!client->ville().isEmpty() || !client->codePostal().isEmpty()) {
        RowPart place = RowPart::symbolLabel(QStringLiteral("mappin.and.ellipse"),
                                             trimBlanks(client->codePostal() + QLatin1Char(' ') + client->ville()),
                                             forms::TextStyle::Callout, forms::Tone::Secondary);
        // The town tells clients apart at a glance: on a narrow list the postcode gives way
        // first, then the town is cut with "…".
        const QString town = trimBlanks(client->ville());
        if (!town.isEmpty() && town != place.text) {
            place.shortText = town;
            place.elide = true;
        }
        details.parts.append(place);
    }
    if (distinction.isEmpty() && !client->telephone().isEmpty()) {
        RowPart phone = RowPart::symbolLabel(QStringLiteral("phone"), client->telephone(), forms::TextStyle::Callout,
                                             forms::Tone::Secondary);
        // The phone is what reaches the client: a long town gives way to it, cut first.
        phone.shortText = phone.text;
        details.parts.append(phone);
    }
    if (client->email() && !client->email()->isEmpty())
        details.parts.append(RowPart::symbolLabel(QStringLiteral("envelope"), *client->email(),
                                                  forms::TextStyle::Callout, forms::Tone::Secondary));
    if (!client->contacts().isEmpty()) {
        RowPart contacts = RowPart::symbolLabel(QStringLiteral("person.crop.rectangle.stack"),
                                                QStringLiteral("%1\u00A0contact(s)").arg(QLocale().toString(client->contacts().size())),
                                                forms::TextStyle::Callout, forms::Tone::Tertiary);
        // On a narrow list the number stays, beside its symbol (but for a look-alike, whose
        // distinction comes first).
        if (distinction.isEmpty())
            contacts.shortText = QLocale().toString(client->contacts().size());
        details.parts.append(contacts);
    }
    row.lines.append(details);
    QStringList texts{client->nom()};
    for (const RowPart& p : details.parts)
        texts.append(p.text);
    row.accessibleText = texts.join(QStringLiteral(" · "));
    return row;
}

VueClients::~VueClients()
{
    releaseFocusWithin(this);
}

} // namespace kv
