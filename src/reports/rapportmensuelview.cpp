#include "rapportmensuelview.h"

#include "model/helpers.h"
#include "alertes.h"
#include "widgets/confirmationfichier.h"
#include "listeentiere.h"
#include "pdfpreview.h"
#include "rapportdonnees.h"
#include "rapportmensuelapercuview.h"
#include "rapportpdfview.h"
#include "rendurapport.h"
#include "textesexport.h"

#include "model/query.h"
#include "platform/desktopopener.h"
#include "platform/filehelpers.h"
#include "platform/maillink.h"
#include "widgets/colors.h"
#include "widgets/dateentry.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/editorframe.h"
#include "widgets/flowlayout.h"
#include "widgets/focusguard.h"
#include "widgets/icons.h"
#include "widgets/searchablepicker.h"
#include "widgets/textstyles.h"

#include "widgets/listkeys.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

namespace kv {

namespace {

enum RoleHistorique { roleNom = Qt::UserRole + 1, roleMois, roleEnvoi };

void ecrireConsole(const QString& ligne)
{
    std::fputs((ligne + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// The accent look of the main action of a group, as an editor's "Enregistrer".
void proeminent(QPushButton* bouton)
{
    bouton->setStyleSheet(forms::accentButtonStyle(bouton->palette().color(QPalette::Active, QPalette::Highlight)));
}

// A button whose text goes on two lines, broken at the blank nearest its middle, where the width
// left to it is short of one line (large text in a narrow window).
class BoutonSurDeuxLignes : public QPushButton {
public:
    BoutonSurDeuxLignes(const QIcon& icone, const QString& texte, QWidget* parent)
        : QPushButton(icone, texte, parent), m_texte(texte)
    {
        setAccessibleName(texte);
        // Narrower than one line where it must.
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override { return tailleAvec(m_texte); }
    QSize minimumSizeHint() const override { return tailleAvec(plie()); }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QPushButton::resizeEvent(event);
        const QString voulu = width() >= tailleAvec(m_texte).width() ? m_texte : plie();
        if (text() != voulu)
            setText(voulu);
    }

private:
    QString plie() const
    {
        const qsizetype milieu = m_texte.size() / 2;
        qsizetype blanc = -1;
        for (qsizetype i = 0; i < m_texte.size(); ++i)
            if (m_texte[i] == QLatin1Char(' ') && (blanc < 0 || std::abs(i - milieu) < std::abs(blanc - milieu)))
                blanc = i;
        QString texte = m_texte;
        if (blanc >= 0)
            texte[blanc] = QLatin1Char('\n');
        return texte;
    }
    QSize tailleAvec(const QString& texte) const
    {
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text = texte;
        QSize contenu = fontMetrics().size(Qt::TextShowMnemonic, texte);
        if (!icon().isNull())
            contenu = QSize(contenu.width() + iconSize().width() + 4, std::max(contenu.height(), iconSize().height()));
        return style()->sizeFromContents(QStyle::CT_PushButton, &option, contenu, this);
    }

    QString m_texte;
};

QFrame* separateur(QWidget* parent)
{
    auto* trait = new QFrame(parent);
    trait->setFrameShape(QFrame::HLine);
    trait->setFrameShadow(QFrame::Sunken);
    return trait;
}

// One report sent: the client, the month, then "Envoyé le …" in small secondary text.
class LigneHistoriqueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);

        const bool choisi = option.state & QStyle::State_Selected;
        const QColor encre = option.palette.color(choisi ? QPalette::HighlightedText : QPalette::Text);
        QColor discret = choisi ? encre : forms::toneColor(forms::Tone::Secondary, encre);
        QRect r = option.rect.adjusted(6, 0, -6, 0);
        p->save();
        p->setPen(encre);
        p->setFont(option.font);
        // Three columns: the client, the month, then when it was sent.
        const QString nom = index.data(roleNom).toString();
        const QString mois = index.data(roleMois).toString();
        const QFontMetrics fm(p->font());
        const int largeurNom = qMin(260, r.width() / 2);
        p->drawText(QRect(r.left(), r.top(), largeurNom, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                    fm.elidedText(nom, Qt::ElideRight, largeurNom));
        int x = r.left() + largeurNom + 12;
        const int largeurMois = fm.horizontalAdvance(QStringLiteral("sept. 0000")) + 4;
        p->drawText(QRect(x, r.top(), largeurMois, r.height()), Qt::AlignVCenter | Qt::AlignLeft, mois);
        x += largeurMois + 12;
        const QFont petite = fontForStyle(TextStyle::caption2, option.font);
        p->setFont(petite);
        p->setPen(discret);
        const int reste = qMax(0, r.right() - x);
        p->drawText(QRect(x, r.top(), reste, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                    QFontMetrics(petite).elidedText(index.data(roleEnvoi).toString(), Qt::ElideRight, reste));
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(qMax(s.height(), QFontMetrics(option.font).height() + 8));
        return s;
    }
};

} // namespace

RapportMensuelView::RapportMensuelView(ModelContext* context, QWidget* parent)
    : RapportMensuelView(context, Horloge::systeme(), parent)
{
}

RapportMensuelView::RapportMensuelView(ModelContext* context, Horloge horloge, QWidget* parent)
    : QWidget(parent), m_context(context), m_horloge(std::move(horloge))
{
    setWindowTitle(QStringLiteral("Rapport d’activité mensuel"));
    m_moisMs = m_horloge.maintenant();
    m_demandeImpression = [](QPrinter& printer, QWidget* over) {
        QPrintDialog dialogue(&printer, over);
        return dialogue.exec() == QDialog::Accepted;
    };

    m_clients = new Query<Client>(context, {}, [](const Client* a, const Client* b) {
        return nameLessThan(a->nom(), b->nom());
    }, this);
    m_historique = new Query<HistoriqueEnvoiRapport>(context, {}, [](const HistoriqueEnvoiRapport* a, const HistoriqueEnvoiRapport* b) {
        return a->dateEnvoiMs() > b->dateEnvoiMs();
    }, this);
    // History rows show their client's name.
    m_historique->dependOn(EntityType::Client);

    auto* colonne = new QVBoxLayout(this);
    colonne->setSpacing(18);
    m_titre = new QLabel(windowTitle(), this);
    m_titre->setObjectName(QStringLiteral("titreEcran"));
    m_titre->setFont(fontForStyle(TextStyle::title2, font()));
    m_titre->setWordWrap(true);
    colonne->addWidget(m_titre);
    colonne->addWidget(construireEntete());
    colonne->addWidget(separateur(this));
    auto* rapport = new QVBoxLayout;
    rapport->setSpacing(8);
    rapport->addWidget(construireBoutonsPDF());
    // What the last file written holds and where: under every button of the screen, so that
    // it pushes none of them away, and across the page, so that it reads at any width.
    m_confirmation = new ConfirmationFichier(this);
    rapport->addWidget(m_confirmation);
    rapport->addWidget(construireZoneRapport(), 1);
    colonne->addLayout(rapport, 1);
    colonne->addWidget(separateur(this));
    colonne->addWidget(construireHistorique());

    connect(m_clients, &QueryBase::resultsChanged, this, &RapportMensuelView::remplirClients);
    connect(m_historique, &QueryBase::resultsChanged, this, &RapportMensuelView::actualiserHistorique);
    // The preview shows rentals with their client, skip and waste type.
    connect(context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        constexpr EntityTypeMask lus = entityBit(EntityType::LocationDeBenne) | entityBit(EntityType::Client)
                                       | entityBit(EntityType::Benne) | entityBit(EntityType::TypeDechet);
        if (changes.touchesAny(lus))
            actualiser();
    });
    remplirClients();
    actualiserHistorique();
    actualiser();
}

RapportMensuelView::~RapportMensuelView()
{
    releaseFocusWithin(this);
}

QWidget* RapportMensuelView::construireEntete()
{
    auto* entete = new QWidget(this);
    auto* colonne = new QVBoxLayout(entete);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(18);

    m_boutonExporterTous = new BoutonSurDeuxLignes(symbolIcon(QStringLiteral("arrow.down.doc")),
                                                   QStringLiteral("Exporter tous les rapports du mois (.csv)"), entete);
    proeminent(m_boutonExporterTous);
    // On the leading side, as wide as its text, narrower (on two lines) where the window is.
    auto* rangeeExport = new QHBoxLayout;
    rangeeExport->addWidget(m_boutonExporterTous);
    rangeeExport->addStretch(1);
    colonne->addLayout(rangeeExport);
    connect(m_boutonExporterTous, &QPushButton::clicked, this, &RapportMensuelView::exporterTousLesRapportsCSV);

    m_compteHistorique = new QLabel(entete);
    m_compteHistorique->setWordWrap(true);
    colonne->addWidget(m_compteHistorique);

    // One row while the width allows; narrower, the buttons go on to the next line.
    auto* controles = new QWidget(entete);
    auto* ligne = new FlowLayout(controles, 12, 8);
    ligne->setContentsMargins(0, 6, 0, 6);
    m_choixClient = new SearchablePicker(controles);
    // 260 points, less when the window leaves less: it asks for more than 260 and is held to it.
    m_choixClient->setMinimumContentsLength(60);
    m_choixClient->setMinimumWidth(120);
    m_choixClient->setMaximumWidth(260);
    m_choixClient->setAccessibleName(QStringLiteral("Client"));
    m_choixClient->setToolTip(QStringLiteral("Client"));
    m_choixMois = new QDateEdit(jourDansZone(m_moisMs, m_horloge.zone), controles);
    m_choixMois->setCalendarPopup(true);
    m_choixMois->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    m_choixMois->setMinimumDate(QDate(1900, 1, 1));
    m_choixMois->setMaximumDate(QDate(9999, 12, 31));
    m_choixMois->setFixedWidth(150);
    m_choixMois->setAccessibleName(QStringLiteral("Mois"));
    m_boutonApercu = new QPushButton(QStringLiteral("Aperçu PDF"), controles);
    m_boutonEnvoyer = new QPushButton(QStringLiteral("Envoyer rapport au client"), controles);
    proeminent(m_boutonEnvoyer);
    ligne->addWidget(m_choixClient);
    ligne->addWidget(m_choixMois);
    ligne->addWidget(m_boutonApercu);
    ligne->addWidget(m_boutonEnvoyer);
    colonne->addWidget(controles);

    connect(m_choixClient, &QComboBox::currentIndexChanged, this, [this](int index) {
        setSelectedClient(index > 0 ? m_clientsAffiches.value(index - 1) : nullptr);
    });
    connect(m_choixMois, &QDateEdit::dateChanged, this, &RapportMensuelView::setSelectedMonth);
    connect(m_boutonApercu, &QPushButton::clicked, this, &RapportMensuelView::genererApercuPDF);
    connect(m_boutonEnvoyer, &QPushButton::clicked, this, &RapportMensuelView::envoyerRapport);
    return entete;
}

QWidget* RapportMensuelView::construireBoutonsPDF()
{
    // The PDF pane's buttons, on the trailing side, shown with the pane (see actualiser); they
    // stand above the file confirmation, which pushes the document down, never them.
    m_boutonsPDF = new QWidget(this);
    auto* boutons = new FlowLayout(m_boutonsPDF, 6, 6);
    boutons->setContentsMargins(0, 0, 0, 0);
    boutons->setTrailing(true);
    // Made in the order they stand, which is the order Tab visits them.
    m_boutonFermer = new QPushButton(QStringLiteral("Fermer l’aperçu PDF"), m_boutonsPDF);
    proeminent(m_boutonFermer);
    m_boutonEnregistrerPDF = new QPushButton(symbolIcon(QStringLiteral("arrow.down.doc")),
                                             QStringLiteral("Enregistrer le PDF…"), m_boutonsPDF);
    m_boutonCSV = new QPushButton(symbolIcon(QStringLiteral("tablecells")), QStringLiteral("Exporter CSV"), m_boutonsPDF);
    m_boutonImprimer = new QPushButton(symbolIcon(QStringLiteral("printer")), QStringLiteral("Imprimer"), m_boutonsPDF);
    proeminent(m_boutonImprimer);
    boutons->addWidget(m_boutonFermer);
    boutons->addWidget(m_boutonEnregistrerPDF);
    boutons->addWidget(m_boutonCSV);
    boutons->addWidget(m_boutonImprimer);
    m_boutonsPDF->hide();

    connect(m_boutonFermer, &QPushButton::clicked, this, &RapportMensuelView::fermerApercuPDF);
    connect(m_boutonEnregistrerPDF, &QPushButton::clicked, this, &RapportMensuelView::enregistrerApercuPDF);
    connect(m_boutonCSV, &QPushButton::clicked, this, &RapportMensuelView::exporterCSVClient);
    connect(m_boutonImprimer, &QPushButton::clicked, this, &RapportMensuelView::imprimerRapport);
    return m_boutonsPDF;
}

QWidget* RapportMensuelView::construireZoneRapport()
{
    m_zone = new QStackedWidget(this);

    // The PDF pane: the document, under the pane's buttons.
    m_panneauPDF = new QWidget(m_zone);
    auto* colonne = new QVBoxLayout(m_panneauPDF);
    colonne->setContentsMargins(0, 0, 0, 0);

    // The document scrolls inside its own view: one page at most 600 points wide and 800 high,
    // smaller with the window, down to 240 each way.
    auto* cadre = new QFrame(m_panneauPDF);
    cadre->setObjectName(QStringLiteral("cadreApercuPDF"));
    cadre->setMinimumSize(240, 240);
    cadre->setMaximumSize(600, 800);
    cadre->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    cadre->setStyleSheet(QStringLiteral("#cadreApercuPDF { border-radius: 8px; background: white; }"));
    auto* ombre = new QGraphicsDropShadowEffect(cadre);
    ombre->setColor(QColor(0, 0, 0, 84));
    ombre->setBlurRadius(8);
    ombre->setOffset(0, 0);
    cadre->setGraphicsEffect(ombre);
    auto* dansCadre = new QVBoxLayout(cadre);
    dansCadre->setContentsMargins(0, 0, 0, 0);
    m_preview = new PDFPreview({}, cadre);
    dansCadre->addWidget(m_preview);
    // Centred: the margins take only what the frame leaves beyond its 600 points.
    auto* centre = new QHBoxLayout;
    centre->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Preferred, QSizePolicy::Minimum));
    centre->addWidget(cadre);
    centre->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Preferred, QSizePolicy::Minimum));
    colonne->addLayout(centre, 1);
    colonne->addSpacing(8);
    m_zone->addWidget(m_panneauPDF);

    m_invite = new QLabel(QStringLiteral("Veuillez sélectionner un client et un mois."), m_zone);
    setSecondaryText(m_invite);
    m_invite->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_invite->setContentsMargins(12, 12, 12, 12);
    m_invite->setWordWrap(true);
    m_zone->addWidget(m_invite);

    m_apercu = new RapportMensuelApercuView(m_horloge.zone, m_zone);
    m_zone->addWidget(m_apercu);
    return m_zone;
}

QWidget* RapportMensuelView::construireHistorique()
{
    // Its title inside, on two lines where the window is narrow (a box's own title would
    // widen the screen).
    auto* boite = new QGroupBox(this);
    boite->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* colonne = new QVBoxLayout(boite);
    auto* titre = new QLabel(QStringLiteral("Historique des rapports envoyés"), boite);
    titre->setWordWrap(true);
    colonne->addWidget(titre);
    // Where the box's own title would stand: no higher than it was.
    const QMargins marges = colonne->contentsMargins();
    colonne->setContentsMargins(marges.left(), marges.top() / 2, marges.right(), marges.bottom());
    m_historiqueVide = new QLabel(QStringLiteral("Aucun rapport encore envoyé."), boite);
    m_historiqueVide->setFont(fontForStyle(TextStyle::caption, font()));
    setSecondaryText(m_historiqueVide);
    m_historiqueVide->setWordWrap(true);
    colonne->addWidget(m_historiqueVide);

    const QTimeZone zone = m_horloge.zone;
    m_modeleHistorique = new RecordListModel<HistoriqueEnvoiRapport>(m_historique, [zone](HistoriqueEnvoiRapport* h, int role) -> QVariant {
        const QString nom = h->client() ? h->client()->nom() : QStringLiteral("Client supprimé");
        const QString mois = libelleMois(h->moisMs(), zone);
        const QDateTime envoi = QDateTime::fromMSecsSinceEpoch(h->dateEnvoiMs(), zone);
        const QString quand = QStringLiteral("Envoyé le ") + QLocale().toString(envoi.date(), QStringLiteral("d MMM yyyy"))
                              + QStringLiteral(" à ") + QLocale().toString(envoi.time(), QStringLiteral("HH:mm"));
        switch (role) {
        case roleNom: return nom;
        case roleMois: return mois;
        case roleEnvoi: return quand;
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole: return nom + QStringLiteral(", ") + mois + QStringLiteral(", ") + quand;
        }
        return {};
    }, this);
    m_listeHistorique = new QListView(boite);
    m_listeHistorique->setModel(m_modeleHistorique);
    m_listeHistorique->setItemDelegate(new LigneHistoriqueDelegate(m_listeHistorique));
    m_listeHistorique->setUniformItemSizes(true);
    // The rows cut their texts to the list's width: nothing to scroll sideways, and every row
    // keeps the height given to it.
    m_listeHistorique->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    keysArriveInViewOnFocus(m_listeHistorique);
    colonne->addWidget(m_listeHistorique);
    return boite;
}

void RapportMensuelView::remplirClients()
{
    const QList<Client*> clients = m_clients->results();
    // Each name with what tells it from its look-alikes.
    QStringList noms;
    noms.reserve(clients.size());
    for (const Client* c : clients)
        noms << c->nom();
    const QStringList details = clientDistinctions(clients);
    if (m_choixClient->count() > 0 && clients == m_clientsAffiches && noms == m_nomsAffiches
        && details == m_detailsAffiches)
        return;
    m_clientsAffiches = clients;
    m_nomsAffiches = noms;
    m_detailsAffiches = details;
    const bool clientParti = m_client && !clients.contains(m_client);
    if (clientParti) {
        m_client = nullptr;
        m_apercuPDF.clear();
    }
    {
        const QSignalBlocker bloque(m_choixClient);
        // With no client in the store there is nothing to choose.
        m_choixClient->setEntries(clients.isEmpty() ? QStringLiteral("Aucun client") : QStringLiteral("Choisir un client"),
                                  SearchablePicker::clientEntries(clients, {}));
        m_choixClient->setCurrentIndex(m_client ? int(clients.indexOf(m_client)) + 1 : 0);
        m_choixClient->setEnabled(!clients.isEmpty());
    }
    if (clientParti)
        actualiser();
}

void RapportMensuelView::setSelectedClient(Client* client)
{
    if (client == m_client)
        return;
    m_client = client;
    {
        const QSignalBlocker bloque(m_choixClient);
        m_choixClient->setCurrentIndex(client ? int(m_clientsAffiches.indexOf(client)) + 1 : 0);
    }
    // The preview always shows the report the other actions act on.
    m_apercuPDF.clear();
    actualiser();
}

void RapportMensuelView::setSelectedMonth(const QDate& jour)
{
    if (!jour.isValid())
        return;
    const QTime heure = QDateTime::fromMSecsSinceEpoch(m_moisMs, m_horloge.zone).time();
    const qint64 ms = QDateTime(jour, heure, m_horloge.zone).toMSecsSinceEpoch();
    if (ms == m_moisMs)
        return;
    const bool autreMois = !fenetreMois(m_moisMs, m_horloge.zone).contains(ms);
    m_moisMs = ms;
    {
        const QSignalBlocker bloque(m_choixMois);
        m_choixMois->setDate(jour);
    }
    // Another day of the same month is the same report.
    if (autreMois)
        m_apercuPDF.clear();
    actualiser();
}

QList<LocationDeBenne*> RapportMensuelView::locationsDuMois() const
{
    return rapport::locationsDuMois(m_client, m_moisMs, m_horloge.zone);
}

QWidget* RapportMensuelView::zoneAffichee() const
{
    return m_zone->currentWidget();
}

void RapportMensuelView::actualiser()
{
    if (m_client && m_client->isDeleted()) {
        m_client = nullptr;
        m_apercuPDF.clear();
    }
    const bool avecClient = m_client != nullptr;
    m_boutonApercu->setEnabled(avecClient);
    m_boutonEnvoyer->setEnabled(avecClient);
    m_boutonCSV->setEnabled(avecClient);
    if (!m_apercuPDF.isEmpty()) {
        m_zone->setCurrentWidget(m_panneauPDF);
    } else if (!avecClient) {
        m_preview->setData({});
        m_zone->setCurrentWidget(m_invite);
    } else {
        m_preview->setData({});
        m_apercu->afficher(m_client, m_moisMs);
        m_zone->setCurrentWidget(m_apercu);
    }
    m_boutonsPDF->setVisible(m_zone->currentWidget() == m_panneauPDF);
    // The area asks for the height of the page it shows, not of the tallest it could show.
    for (int i = 0; i < m_zone->count(); ++i) {
        QWidget* page = m_zone->widget(i);
        QSizePolicy politique = page->sizePolicy();
        politique.setVerticalPolicy(page == m_zone->currentWidget() ? QSizePolicy::Preferred : QSizePolicy::Ignored);
        page->setSizePolicy(politique);
    }
}

void RapportMensuelView::actualiserHistorique()
{
    const qsizetype n = m_historique->size();
    m_compteHistorique->setText(QStringLiteral("Historiques en base : ") + QLocale().toString(n));
    m_historiqueVide->setVisible(n == 0);
    m_listeHistorique->setVisible(n > 0);
    montrerToutesLesLignes(m_listeHistorique);
}

void RapportMensuelView::genererApercuPDF()
{
    if (!m_client || stopForRefusedDate(this))
        return;
    RapportPDFView page(m_client, m_moisMs, locationsDuMois(), m_horloge.zone);
    m_apercuPDF = rendu::genererPDF(page);
    m_preview->setData(m_apercuPDF);
    actualiser();
}

void RapportMensuelView::fermerApercuPDF()
{
    m_apercuPDF.clear();
    actualiser();
}

void RapportMensuelView::enregistrerApercuPDF()
{
    if (m_client && !m_apercuPDF.isEmpty() && !stopForRefusedDate(this))
        enregistrerPDF(m_apercuPDF);
}

void RapportMensuelView::enregistrerPDF(const QByteArray& pdf)
{
    if (!m_client)
        return;
    SaveFileRequest demande;
    demande.title = QStringLiteral("Enregistrer le PDF du rapport");
    demande.suggestedName = rapport::nomFichierPDF(m_client->nom(), m_moisMs, m_horloge.zone, distinctionParmiHomonymes(m_client));
    demande.mimeTypes = {QStringLiteral("application/pdf")};
    demande.defaultSuffix = QStringLiteral("pdf");
    const SaveFileResult resultat = FileHelpers::saveAs(this, demande, pdf);
    if (resultat.saved())
        m_confirmation->montrer(resultat.path);
    else if (resultat.status == SaveFileResult::Status::failed)
        avertir(this, QStringLiteral("Le PDF du rapport n’a pas pu être enregistré"), resultat.error,
                QStringLiteral("alertePDF"));
}

void RapportMensuelView::envoyerRapport()
{
    Client* client = m_client;
    if (!client || stopForRefusedDate(this))
        return;
    RapportPDFView page(client, m_moisMs, locationsDuMois(), m_horloge.zone);
    const QByteArray pdf = rendu::genererPDF(page);
    const QString chemin = QDir(QDir::tempPath()).filePath(rapport::nomFichierPDF(client->nom(), m_moisMs, m_horloge.zone, distinctionParmiHomonymes(client)));
    QString erreur;
    if (pdf.isEmpty())
        erreur = QStringLiteral("Le rapport n’a pas pu être mis en page.");
    if (!erreur.isEmpty() || !FileHelpers::writeFile(chemin, pdf, &erreur)) {
        ecrireConsole(QStringLiteral("Erreur lors de la sauvegarde du PDF : ") + erreur);
        avertir(this, QStringLiteral("Le PDF du rapport n’a pas pu être enregistré"), erreur, QStringLiteral("alertePDF"));
        return;
    }
    const EnvoiEmail envoi = ouvrirEmail(client, pdf);
    if (envoi == EnvoiEmail::sansMessagerie) {
        // Nothing will attach the file kept for the message: the user was offered a copy of
        // their own instead, and the temporary folder keeps nothing of it.
        QFile::remove(chemin);
        return;
    }
    // The file manager shows the PDF; without one, the screen says where it is.
    if (!DesktopOpener::reveal(chemin))
        m_confirmation->montrerDossierInaccessible(chemin);
    if (envoi == EnvoiEmail::ouvert && !dejaEnvoye(client))
        enregistrerEnvoi(client);
}

RapportMensuelView::EnvoiEmail RapportMensuelView::ouvrirEmail(const Client* client, const QByteArray& pdf)
{
    auto alerteEmail = [this] {
        avertir(this, QStringLiteral("Adresse e-mail manquante ou invalide"),
                QStringLiteral("Veuillez renseigner une adresse e-mail valide dans la fiche client avant d’envoyer "
                               "un mail."),
                QStringLiteral("alerteEmail"));
    };
    const std::optional<QString>& email = client->email();
    if (!email || email->isEmpty()) {
        alerteEmail();
        return EnvoiEmail::adresseRefusee;
    }
    const std::optional<QUrl> lien = MailLink::build(email->trimmed(), rapport::sujetEmail(m_moisMs, m_horloge.zone),
                                                     rapport::corpsEmail(client->nom(), m_moisMs, m_horloge.zone));
    if (!lien || !lien->isValid()) {
        alerteEmail();
        return EnvoiEmail::adresseRefusee;
    }
    if (!MailLink::open(*lien)) {
        // The report can still reach the client: the user keeps its PDF where they choose and
        // attaches it to a message of their own.
        QMessageBox* alerte = avertir(
            this, QStringLiteral("Le message n’a pas pu être préparé"),
            QStringLiteral("Aucune application de messagerie n’a répondu : le rapport n’est ni envoyé ni inscrit "
                           "dans l’historique.\n\nSon PDF peut être enregistré, pour être joint à un message."),
            QStringLiteral("alerteMessagerie"));
        QPushButton* enregistrer = alerte->addButton(QStringLiteral("Enregistrer le PDF…"), QMessageBox::ActionRole);
        enregistrer->setObjectName(QStringLiteral("enregistrerPDF"));
        connect(enregistrer, &QPushButton::clicked, this, [this, pdf] { enregistrerPDF(pdf); });
        return EnvoiEmail::sansMessagerie;
    }
    return EnvoiEmail::ouvert;
}

bool RapportMensuelView::dejaEnvoye(const Client* client) const
{
    const DayWindow mois = fenetreMois(m_moisMs, m_horloge.zone);
    for (const HistoriqueEnvoiRapport* h : m_historique->results())
        if (h->client() && h->client()->id() == client->id() && mois.contains(h->moisMs()))
            return true;
    return false;
}

void RapportMensuelView::enregistrerEnvoi(Client* client)
{
    auto* envoi = new HistoriqueEnvoiRapport(QUuid::createUuid(), client,
                                             QDateTime::fromMSecsSinceEpoch(m_moisMs, m_horloge.zone),
                                             QDateTime::fromMSecsSinceEpoch(m_horloge.maintenant(), m_horloge.zone));
    m_context->insert(envoi);
    QString erreur;
    if (!m_context->save(&erreur)) {
        m_context->discardInsertion(envoi);
        forms::showError(this, forms::saveFailedText(erreur));
        return;
    }
    ecrireConsole(QStringLiteral("Historique inséré pour ") + client->nom());
}

void RapportMensuelView::imprimerRapport()
{
    if (!m_client || stopForRefusedDate(this))
        return;
    QPrinter imprimante(QPrinter::HighResolution);
    imprimante.setDocName(rapport::nomFichierPDF(m_client->nom(), m_moisMs, m_horloge.zone, distinctionParmiHomonymes(m_client)));
    if (!m_demandeImpression || !m_demandeImpression(imprimante, this))
        return;
    RapportPDFView page(m_client, m_moisMs, locationsDuMois(), m_horloge.zone);
    if (!rendu::imprimer(page, imprimante))
        avertir(this, QStringLiteral("Impression impossible"), QStringLiteral("L’imprimante n’a pas accepté le rapport."),
               QStringLiteral("alerteImpression"));
}

void RapportMensuelView::exporterCSVClient()
{
    if (!m_client || stopForRefusedDate(this))
        return;
    const QString texte = rapport::csvClient(locationsDuMois(), m_horloge.zone);
    SaveFileRequest demande;
    demande.title = QStringLiteral("Enregistrer le rapport CSV");
    demande.suggestedName = rapport::nomFichierCSVClient(m_client->nom(), m_moisMs, m_horloge.zone, distinctionParmiHomonymes(m_client));
    demande.mimeTypes = {QStringLiteral("text/csv")};
    demande.defaultSuffix = QStringLiteral("csv");
    const SaveFileResult resultat = FileHelpers::saveAs(this, demande, texte.toUtf8());
    if (resultat.saved())
        m_confirmation->montrer(resultat.path);
    else if (resultat.status == SaveFileResult::Status::failed)
        avertir(this, QStringLiteral("Export CSV impossible"), resultat.error, QStringLiteral("alerteExportCSV"));
}

void RapportMensuelView::exporterTousLesRapportsCSV()
{
    // The month shown is the month exported: not while the field holds a refused date.
    if (stopForRefusedDate(this))
        return;
    SaveFileRequest demande;
    demande.suggestedName = rapport::nomFichierCSVTousClients(m_moisMs, m_horloge.zone);
    demande.mimeTypes = {QStringLiteral("text/csv")};
    demande.defaultSuffix = QStringLiteral("csv");
    const QString chemin = FileHelpers::askSaveFileName(this, demande);
    if (chemin.isEmpty())
        return;
    // Built once the place is chosen: the store as it is now.
    const QString texte = rapport::csvTousClients(m_context, m_moisMs, m_horloge.zone);
    QString erreur;
    if (FileHelpers::saveChosenFile(chemin, texte.toUtf8(), &erreur))
        m_confirmation->montrer(chemin);
    else
        avertir(this, QStringLiteral("Export CSV impossible"), erreur, QStringLiteral("alerteExportCSV"));
}

} // namespace kv
