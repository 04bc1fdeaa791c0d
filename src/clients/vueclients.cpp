#include "vueclients.h"

#include "widgets/focusguard.h"

#include "clienteditorview.h"
#include "model/query.h"
#include "widgets/forms/contextmenu.h"
#include "widgets/forms/detailpane.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/listpanel.h"
#include "widgets/forms/search.h"
#include "widgets/macsectionheader.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

namespace kv {

using forms::RowContent;
using forms::RowLine;
using forms::RowPart;

namespace {

// Blanks (any space character, no-break spaces included) and tabs trimmed at both ends; line
// ends are kept.
QString trimBlanksAndTabs(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; };
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

} // namespace

VueClients::VueClients(ModelContext* context, QWidget* parent) : QWidget(parent), m_context(context)
{
    m_clientsFiltres = new Query<Client>(
        context, [this](const Client* c) { return clientCorrespond(c, m_mots); },
        [](const Client* a, const Client* b) { return QString::localeAwareCompare(a->nom(), b->nom()) < 0; },
        this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 10, 0, 0);
    layout->setSpacing(6);
    auto* headerRow = new QHBoxLayout;
    headerRow->addStretch(1);
    headerRow->addWidget(new MacSectionHeader(QStringLiteral("Clients"),
                                              QStringLiteral("Prospects et comptes actifs"),
                                              QStringLiteral("person.2"), true, false, 0, 0, 0,
                                              nullptr, nullptr, this));
    headerRow->addStretch(1);
    layout->addLayout(headerRow);

    m_liste = new forms::RecordListPanel<Client>(m_clientsFiltres, &VueClients::ligneClient);
    m_liste->setCountText([](int n) { return QStringLiteral("Nombre de clients : %1").arg(n); });
    m_liste->setContextMenu([this](QMenu* menu, Client* client) {
        QAction* supprimer = menu->addAction(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this,
                        [this, client] { supprimerClient(client); });
        forms::markDestructive(supprimer);
    });
    m_panneau = new forms::DetailPane(new forms::EmptyState(QStringLiteral("person.2"),
                                                            QStringLiteral("Sélectionnez un client"),
                                                            QStringLiteral("Ou cliquez sur “Ajouter”.")));
    layout->addWidget(forms::makeSplitView(m_liste, m_panneau, 450, 450, 600, this), 1);

    connect(m_liste, &forms::ListPanel::searchTextChanged, this, [this](const QString& text) {
        m_mots = forms::searchWords(text);
        m_clientsFiltres->invalidate();
    });
    connect(m_liste, &forms::ListPanel::addRequested, this, [this] { reinitialiserEdition(true); });
    m_liste->onSelectionChanged(this, [this](Client* client) { selectionChangee(client); });
    m_liste->setDeleteQuestion([](const QList<Record*>&) { return ClientEditorView::questionSuppression(); });
    connect(m_liste, &forms::ListPanel::deleteRequested, this, &VueClients::supprimerClients);
}

QList<Client*> VueClients::clientsFiltres() const
{
    return m_clientsFiltres->results();
}

bool VueClients::clientCorrespond(const Client* client, const QStringList& mots)
{
    return forms::oneFieldHoldsAllWords({client->nom(), client->ville(), client->codePostal(),
                                         client->telephone(), client->email().value_or(QString()),
                                         client->numeroTVA().value_or(QString()), client->adresse()},
                                        mots);
}

RowContent VueClients::ligneClient(const Client* client)
{
    RowContent row;
    row.leadingDot = colorFromHex(client->couleur());
    row.lines.append(RowLine{{RowPart::label(client->nom(), forms::TextStyle::Headline)}, 8, forms::TextStyle::Headline});
    RowLine details{{}, 12, forms::TextStyle::Callout};
    if (!client->ville().isEmpty() || !client->codePostal().isEmpty())
        details.parts.append(RowPart::symbolLabel(
            QStringLiteral("mappin.and.ellipse"),
            trimBlanksAndTabs(client->codePostal() + QLatin1Char(' ') + client->ville()),
            forms::TextStyle::Callout, forms::Tone::Secondary));
    if (!client->telephone().isEmpty())
        details.parts.append(RowPart::symbolLabel(QStringLiteral("phone"), client->telephone(),
                                                  forms::TextStyle::Callout, forms::Tone::Secondary));
    if (client->email() && !client->email()->isEmpty())
        details.parts.append(RowPart::symbolLabel(QStringLiteral("envelope"), *client->email(),
                                                  forms::TextStyle::Callout, forms::Tone::Secondary));
    if (!client->contacts().isEmpty())
        details.parts.append(RowPart::symbolLabel(
            QStringLiteral("person.crop.rectangle.stack"),
            QStringLiteral("%1 contact(s)").arg(client->contacts().size()), forms::TextStyle::Callout,
            forms::Tone::Tertiary));
    row.lines.append(details);
    QStringList texts{client->nom()};
    for (const RowPart& p : details.parts)
        texts.append(p.text);
    row.accessibleText = texts.join(QStringLiteral(" · "));
    return row;
}

void VueClients::supprimerClient(Client* client)
{
    if (selection() == client)
        m_liste->setSelectedRecord(nullptr);
    if (m_clientEdite == client)
        m_clientEdite = nullptr;
    QString error;
    if (!m_context->remove(client, &error) || !m_context->save(&error))
        forms::showError(this, forms::deleteFailedText(error));
    majPanneau();
}

void VueClients::supprimerClients(const QList<int>& positions)
{
    const QList<Client*> filtres = clientsFiltres();
    QList<Client*> cibles;
    QList<int> triees = positions;
    std::sort(triees.begin(), triees.end());
    for (int p : triees)
        if (p >= 0 && p < filtres.size() && !cibles.contains(filtres[p]))
            cibles.append(filtres[p]);
    for (Client* c : cibles)
        supprimerClient(c);
}

void VueClients::reinitialiserEdition(bool creation)
{
    m_isCreating = creation;
    m_clientEdite = nullptr;
    m_liste->setSelectedRecord(nullptr);
    majPanneau();
}

void VueClients::clientEnregistre(Client* client)
{
    m_isCreating = false;
    m_liste->setSelectedRecord(client);
    m_clientEdite = client;
    majPanneau();
}

Client* VueClients::selection() const
{
    return m_liste->selected();
}

ClientEditorView* VueClients::editeur() const
{
    return qobject_cast<ClientEditorView*>(m_panneau->editor());
}

void VueClients::selectionChangee(Client* client)
{
    if (client) {
        m_isCreating = false;
        m_clientEdite = client;
    } else if (!m_isCreating) {
        m_clientEdite = nullptr;
    }
    majPanneau();
}

void VueClients::majPanneau()
{
    if (!m_isCreating && !m_clientEdite) {
        m_panneau->showPlaceholder();
        return;
    }
    if (ClientEditorView* editor = editeur()) {
        editor->setClient(m_clientEdite);
        return;
    }
    m_panneau->setEditor(new ClientEditorView(
        m_context, m_clientEdite, [this] { reinitialiserEdition(false); },
        [this](Client* c) { clientEnregistre(c); }));
}

VueClients::~VueClients()
{
    releaseFocusWithin(this);
}

} // namespace kv
